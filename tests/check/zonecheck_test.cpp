// The zone check: each kind of finding on a zone made to hold exactly that fault,
// and nothing at all on a generated zone.
#include "check/zonecheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

using Place = std::variant<TScriptPlace, TObjRef>;

// A finding as the check's users see it: its message written.
struct TListed {
  std::string code;
  TCheckSeverity severity;
  std::string message;
  Place place;
  std::size_t omitted;
  bool operator==(const TListed&) const = default;
};

std::vector<TListed> Listed(const TZoneCheck& check) {
  std::vector<TListed> out;
  check.Run([&](const TCheckFinding& f) {
    out.push_back({std::string(f.Code()), f.Severity(), check.Message(f), f.place, f.omitted});
  });
  return out;
}

// A small zone with one record of each kind, all identities different, and a
// script that names some of them correctly.
class ZoneCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mob.Units.resize(1);
    mob.Objects.resize(2);
    mob.Flames.resize(1);
    mob.Particles1.resize(1);
    std::int32_t id = 10;
    mob.ForEachList([&](auto& list) {
      for (auto& r : list) {
        if constexpr (HasCommonFields(std::decay_t<decltype(r)>::Kind)) {
          r.ObjectID = id++;
          r.RotationW = 1;
        } else {
          r.ID = id++;
        }
      }
    });
    mob.Units[0].Name1 = "orc";
    mob.Units[0].ScriptVariableName = "boss";
    mob.Objects[1].Name2 = "gate";
    mob.Particles1[0].NameStr = "smoke";
  }

  std::vector<TListed> Check(std::string_view script) { return Listed(TZoneCheck(mob, script)); }
  TCheckTotals Totals(std::string_view script) { return TZoneCheck(mob, script).Count(); }

  // The codes and places of the findings, for compact expectations.
  static std::vector<std::pair<std::string, Place>> Summary(const std::vector<TListed>& findings) {
    std::vector<std::pair<std::string, Place>> out;
    for (const auto& f : findings) out.emplace_back(f.code, f.place);
    return out;
  }

  static Place At(std::size_t line, std::size_t column) { return TScriptPlace{line, column}; }
  static Place Rec(ObjKind kind, std::size_t index) { return TObjRef{kind, index}; }

  TMob mob;
};

TEST_F(ZoneCheckTest, ASoundZoneHasNoFindings) {
  const auto findings = Check(
      "DeclareScript Zone\n"
      "Script Main\n{\n"
      "  object o = GetObjectByID(10);\n"
      "  KillUnit(GetObjectByName(\"boss\"));\n"
      "  HideObject(GetObjectByName(\"gate\"));\n"
      "  MoveParticleSource(GetObjectByName(\"smoke\"), 1.5, 2);\n"
      "  Main();\n"
      "  // Nothing(( here counts: \"\n"
      "  string s = \"Unknown(\";\n"
      "}\n");
  EXPECT_TRUE(findings.empty()) << findings.front().message;
}

TEST_F(ZoneCheckTest, IdentitiesCarriedTwiceWithinAndAcrossKinds) {
  mob.Objects[0].ObjectID = 10;  // the unit's
  mob.Objects[1].ObjectID = 14;  // the particle's
  const auto findings = Check("");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"duplicate-id", Rec(ObjKind::Object, 0)},
                                   {"duplicate-id", Rec(ObjKind::Particle1, 0)}}));
  EXPECT_EQ(findings[0].severity, TCheckSeverity::Error);
  // The message names the record that carried the identity first.
  EXPECT_NE(findings[0].message.find("«orc» (Юниты, индекс 0)"), std::string::npos) << findings[0].message;
  EXPECT_NE(findings[1].message.find("«gate» (Объекты, индекс 1)"), std::string::npos) << findings[1].message;

  mob.Objects[1].ObjectID = 10;  // three records with one identity: two findings
  EXPECT_EQ(Totals("").errors, 2u);
}

TEST_F(ZoneCheckTest, NonFiniteCoordinatesOfEveryKindAreErrors) {
  mob.Units[0].LoadY = std::numeric_limits<float>::quiet_NaN();
  mob.Flames[0].CoordZ = std::numeric_limits<float>::infinity();
  mob.Particles1[0].CoordX = -std::numeric_limits<float>::infinity();
  const auto findings = Check("");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"nonfinite-coordinates", Rec(ObjKind::Unit, 0)},
                                   {"nonfinite-coordinates", Rec(ObjKind::Flame, 0)},
                                   {"nonfinite-coordinates", Rec(ObjKind::Particle1, 0)}}));
  EXPECT_EQ(Totals("").errors, 3u);
  EXPECT_NE(findings[0].message.find("LoadY = NAN"), std::string::npos) << findings[0].message;
  EXPECT_NE(findings[1].message.find("CoordZ = INF"), std::string::npos) << findings[1].message;
  EXPECT_NE(findings[2].message.find("CoordX = -INF"), std::string::npos) << findings[2].message;
}

TEST_F(ZoneCheckTest, ZeroAndNonFiniteRotationsAreWarnings) {
  mob.Objects[0].RotationW = 0;  // all four zero
  mob.Flames[0].RotationX = std::numeric_limits<float>::quiet_NaN();
  mob.Units[0].RotationW = 0;  // zero W alone is a rotation by half a turn: fine
  mob.Units[0].RotationZ = 1;
  const auto findings = Check("");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"zero-rotation", Rec(ObjKind::Object, 0)},
                                   {"nonfinite-rotation", Rec(ObjKind::Flame, 0)}}));
  EXPECT_EQ(Totals(""), (TCheckTotals{.errors = 0, .warnings = 2}));
}

TEST_F(ZoneCheckTest, ReferencesThatNoRecordAnswers) {
  const auto findings = Check(
      "KillUnit(GetObjectByID(11));\n"         // the first object: fine
      "KillUnit(GetObjectByID(4030));\n"       // nobody
      "x = GetObjectByName(\"orc\");\n"        // Name1 is no script name
      "y = GetObjectByName(\"Boss\");\n"       // names match as written
      "z = getobjectbyid( 14 );\n");           // the particle, spelled loosely: fine
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"dangling-id", At(2, 10)},
                                   {"dangling-name", At(3, 5)},
                                   {"dangling-name", At(4, 5)}}));
  EXPECT_EQ(findings[0].message, "GetObjectByID(4030): в зоне нет объекта с таким идентификатором");
  EXPECT_EQ(findings[1].message, "GetObjectByName(\"orc\"): в зоне нет объекта с таким именем");
}

TEST_F(ZoneCheckTest, RoundBracketsPairWithinABlockAndBracesOverTheScript) {
  const auto findings = Check(
      "Script A\n"
      "{\n"
      "  Sleep((1);\n"     // one "(" left open: reported where it stands
      "}\n"
      "Script B\n"
      "{\n"
      "  Sleep(1));\n"     // one ")" too many
      "}\n"
      "}\n"                // a brace too many
      "Script C\n"
      "{\n"                // never closed
      "  x = \")(\";\n");  // brackets in strings do not count
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"unbalanced-bracket", At(3, 8)},
                                   {"unbalanced-bracket", At(7, 11)},
                                   {"unbalanced-brace", At(9, 1)},
                                   {"unbalanced-brace", At(11, 1)}}));
  for (const auto& f : findings) EXPECT_EQ(f.severity, TCheckSeverity::Error);
  EXPECT_EQ(findings[0].message, "Скобка «(» не закрыта");
  EXPECT_EQ(findings[3].message, "Фигурная скобка «{» не закрыта");

  // Within one block a call may run over several lines.
  EXPECT_TRUE(Check("{\n  SetDiplomacy(1,\n    2, 3);\n}\n").empty());
}

TEST_F(ZoneCheckTest, StringsWithoutTheirClosingQuote) {
  const auto findings = Check("a = \"closed\";\r\nb = \"open;\rc = \"\";\n  \"");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"unterminated-string", At(2, 5)},
                                   {"unterminated-string", At(4, 3)}}));
}

TEST_F(ZoneCheckTest, CallsOfNamesNeitherBuiltInNorDeclared) {
  const auto findings = Check(
      "float Speed;\n"
      "Script Patrol\n"
      "{\n"
      "  Speed(1);\n"        // declared as a variable
      "  PATROL();\n"        // declared as a script, any case
      "  Sleep (2);\n"       // built in, blank before the bracket
      "  Teleport(1, 2);\n"  // unknown
      "  Sleep2(3);\n"       // a keyword with digits is no keyword
      "  if (IsDead(GetLeader())) then\n"
      "}\n");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"unknown-call", At(7, 3)},
                                   {"unknown-call", At(8, 3)}}));
  EXPECT_EQ(findings[0].severity, TCheckSeverity::Warning);
  EXPECT_NE(findings[0].message.find("«Teleport»"), std::string::npos);
}

TEST_F(ZoneCheckTest, ScriptFindingsComeFirstInLineOrder) {
  mob.Objects[0].RotationW = 0;
  const auto findings = Check("Nope();\nKillUnit(GetObjectByID(1));\n");
  EXPECT_EQ(Summary(findings), (std::vector<std::pair<std::string, Place>>{
                                   {"unknown-call", At(1, 1)},
                                   {"dangling-id", At(2, 10)},
                                   {"zero-rotation", Rec(ObjKind::Object, 0)}}));
}

// One place lists kListedPerPlace findings of one code and sums up the rest in
// one finding after them; the totals count every finding. What the check holds
// stays a few findings however long a line of them is.
TEST_F(ZoneCheckTest, RepeatedFindingsAtOnePlaceAreSummedUp) {
  const std::size_t n = 200000;
  const struct {
    const char* name;
    std::string script;
    std::string_view code;
    std::size_t listed;    // findings held
    std::size_t counted;   // of them all
  } cases[] = {
      {"closing brackets on one line", std::string(n, ')'), check_code::UnbalancedBracket, 11, n},
      {"open brackets closed by a brace", std::string(n, '(') + "{}", check_code::UnbalancedBracket, 11, n},
      {"unknown calls on one line", [] { std::string s; for (int i = 0; i < 50; ++i) s += "Nope();"; return s; }(),
       check_code::UnknownCall, 11, 50},
      {"exactly the listed number", std::string(kListedPerPlace, ')'), check_code::UnbalancedBracket, 10, 10},
      {"one on each of many lines", [] { std::string s; for (int i = 0; i < 30; ++i) s += ")\n"; return s; }(),
       check_code::UnbalancedBracket, 30, 30},
      {"open brackets of one line closed lines later", std::string(12, '(') + "\nx;\n{}",
       check_code::UnbalancedBracket, 11, 12},
      {"extra and open brackets on one line", std::string(6, ')') + std::string(6, '('),
       check_code::UnbalancedBracket, 11, 12},
      {"open braces never closed", std::string(12, '{'), check_code::UnbalancedBrace, 11, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TZoneCheck check(mob, c.script);
    const auto findings = Listed(check);
    EXPECT_EQ(Listed(check), findings) << "a second run differs";
    std::size_t listed = 0;
    for (const auto& f : findings) listed += f.code == c.code;
    EXPECT_EQ(listed, c.listed);
    const TCheckSeverity severity = findings.front().severity;
    const TCheckTotals totals = check.Count();
    EXPECT_EQ(severity == TCheckSeverity::Error ? totals.errors : totals.warnings, c.counted);
    if (c.listed <= kListedPerPlace || c.listed == c.counted) {
      for (const auto& f : findings) EXPECT_EQ(f.omitted, 0u);
      continue;
    }
    // The summary comes after the findings it follows, at their line.
    const auto summary = std::find_if(findings.begin(), findings.end(), [](const auto& f) { return f.omitted > 0; });
    ASSERT_NE(summary, findings.end());
    EXPECT_EQ(summary - std::find_if(findings.begin(), findings.end(), [&](const auto& f) { return f.code == c.code; }),
              std::ptrdiff_t(kListedPerPlace));
    EXPECT_EQ(summary->code, c.code);
    EXPECT_EQ(summary->omitted, c.counted - kListedPerPlace);
    EXPECT_EQ(summary->message, "… и ещё " + std::to_string(c.counted - kListedPerPlace) + " таких же");
    EXPECT_EQ(std::get<TScriptPlace>(summary->place).line, 1u);
  }
}

TEST(ZoneCheck, TheDocumentsOwnScriptIsCheckedOnlyWhenItHasOne) {
  TMob mob;
  mob.ScriptText = "Nope(";
  EXPECT_TRUE(Listed(TZoneCheck(mob)).empty());
  mob.HasScript = true;
  EXPECT_EQ(Listed(TZoneCheck(mob)).size(), 2u);
}

// A document whose records stay in its file image is checked as the decoded lists
// are: the same load verdict and lines, the same findings with the same messages.
// Every byte of a small faulty zone is changed in turn, so records the writer
// would not make (read anew at each visit) are walked as well as its own.
TEST(ZoneCheck, RecordsLeftInTheFileImageGiveTheFindingsOfTheDecodedLists) {
  TMob source;
  GenerateZone(source, {.records = 40, .seed = 5, .scriptLines = 2});
  source.Objects.at(0).ObjectID = source.Units.at(0).ObjectID;
  source.Units.at(0).Name1 = "\xD2\xF0\xEE\xEB\xEB\xFC";  // 1251
  source.Units.at(0).ScriptVariableName = "boss";
  source.Levers.at(0).LoadY = std::numeric_limits<float>::quiet_NaN();
  source.Particles1.at(0).CoordX = std::numeric_limits<float>::infinity();
  source.Traps.at(0).RotationW = source.Traps.at(0).RotationX = source.Traps.at(0).RotationY =
      source.Traps.at(0).RotationZ = 0;
  source.ScriptText += "GetObjectByName(\"boss\"); GetObjectByName(\"nobody\"); GetObjectByID(" +
                       std::to_string(source.Flames.at(0).ObjectID) + "); GetObjectByID(424242);\n";
  Bytes image;
  ASSERT_TRUE(source.BuildImage(image));

  std::size_t checked = 0;
  const auto agree = [&](const Bytes& bytes, const std::string& what) {
    TMob lists, kept;
    kept.RecordsStayInImage = true;
    const bool loaded = lists.LoadImage(bytes);
    EXPECT_EQ(kept.LoadImage(bytes), loaded) << what;
    EXPECT_EQ(kept.LogText, lists.LogText) << what;
    if (!loaded) return;
    ++checked;
    const TZoneCheck fromLists(lists), fromImage(kept);
    EXPECT_EQ(Listed(fromImage), Listed(fromLists)) << what;
    EXPECT_EQ(fromImage.Count(), fromLists.Count()) << what;
  };
  agree(image, "as written");
  EXPECT_EQ(Listed(TZoneCheck(source)).size(), 6u);
  for (std::size_t i = 0; i < image.size() && !::testing::Test::HasFailure(); ++i)
    for (std::uint8_t delta : {1, 0x80}) {
      Bytes changed = image;
      changed[i] = std::uint8_t(changed[i] + delta);
      agree(changed, "byte " + std::to_string(i) + " + " + std::to_string(delta));
    }
  EXPECT_GT(checked, image.size());
}

TEST(ZoneCheck, GeneratedZonesAreClean) {
  for (std::size_t records : {0, 1, 9, 3000, 100000}) {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = records + 5, .scriptLines = 300});
    const auto findings = Listed(TZoneCheck(mob));
    EXPECT_TRUE(findings.empty()) << records << " records: " << findings.front().message;
  }
}

}  // namespace
}  // namespace kelvarin
