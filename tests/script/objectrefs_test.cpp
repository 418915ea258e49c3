// Script <-> objects: the calls that name objects, the records they mean, and the
// lines that name a record.
#include "script/core/objectrefs.h"

#include <gtest/gtest.h>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "script/core/scriptlines.h"

namespace kelvarin {
namespace {

std::vector<std::string> Calls(std::string_view line) {
  TSynZoneScriptSyn scanner;
  std::vector<std::string> out;
  for (const TObjectCall& c : ObjectCallsOn(scanner, line))
    out.push_back(std::to_string(c.pos) + "-" + std::to_string(c.end) + " " +
                  (c.kind == TObjectCallKind::ById ? "id " + std::to_string(c.id) : "name " + std::string(c.name)));
  return out;
}

TEST(ObjectCalls, LiteralArgumentsOnlyOutsideCommentsAndStrings) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Calls("KillUnit(GetObjectByID(4030));"), V{"9-28 id 4030"});
  EXPECT_EQ(Calls("x = GetObjectByName(\"orc_4311\")"), V{"4-31 name orc_4311"});
  EXPECT_EQ(Calls("getobjectbyid ( 7 ) + GETOBJECTBYNAME(\"\")"), (V{"0-19 id 7", "22-41 name "}));
  EXPECT_EQ(Calls("GetObjectByID(-1)"), V{"0-17 id -1"});
  EXPECT_EQ(Calls("GetObjectByID(4294967295)"), V{"0-25 id -1"});  // the same 32 bits
  EXPECT_EQ(Calls("Sleep(GetObjectByID(1)))"), V{"6-22 id 1"});   // "))" closes it
  EXPECT_EQ(Calls("GetObjectByID(GetObjectByID(5))"), V{"14-30 id 5"});
  // Not calls with a literal: variables, fractions, too large, unclosed, hidden.
  EXPECT_EQ(Calls("GetObjectByID(x)"), V{});
  EXPECT_EQ(Calls("GetObjectByID(1.5)"), V{});
  EXPECT_EQ(Calls("GetObjectByID(4294967296)"), V{});
  EXPECT_EQ(Calls("GetObjectByID(12"), V{});
  EXPECT_EQ(Calls("GetObjectByName(\"open)"), V{});
  EXPECT_EQ(Calls("GetObjectByID2(3)"), V{});
  EXPECT_EQ(Calls("// GetObjectByID(3)"), V{});
  EXPECT_EQ(Calls("s = \"GetObjectByID(3)\""), V{});
  EXPECT_EQ(Calls("GetObjectByName(\"a\" + \"b\")"), V{});
}

TEST(ObjectCalls, TheCallUnderTheCaret) {
  TSynZoneScriptSyn scanner;
  const std::string_view line = "a(GetObjectByID(12), GetObjectByName(\"x\"))";
  EXPECT_FALSE(ObjectCallAt(scanner, line, 1));
  for (std::size_t caret : {2u, 10u, 16u, 19u}) {
    const auto call = ObjectCallAt(scanner, line, caret);
    ASSERT_TRUE(call) << caret;
    EXPECT_EQ(call->id, 12) << caret;
  }
  const auto byName = ObjectCallAt(scanner, line, 38);
  ASSERT_TRUE(byName);
  EXPECT_EQ(byName->name, "x");
  EXPECT_EQ(byName->argPos, 37u);
}

class RecordMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mob.Units.resize(2);
    mob.Objects.resize(1);
    mob.Particles2.resize(1);
    mob.Units[0].ObjectID = 4030;
    mob.Units[0].Name1 = "orc";
    mob.Units[0].Name2 = "orc_4311";
    mob.Units[1].ObjectID = 7;
    mob.Units[1].ScriptVariableName = "boss";
    mob.Objects[0].ObjectID = 7;
    mob.Objects[0].Name2 = "boss";
    mob.Particles2[0].ID = 4031;
    mob.Particles2[0].NameStr = "\xC8\xF1\xEA\xF0\xFB";  // "Искры" in code page 1251
  }
  TMob mob;
};

TEST_F(RecordMatchTest, IdentitiesAndNamesOfEveryKind) {
  using V = std::vector<TObjRef>;
  EXPECT_EQ(RecordsWithId(mob, 4030), (V{{ObjKind::Unit, 0}}));
  EXPECT_EQ(RecordsWithId(mob, 4031), (V{{ObjKind::Particle2, 0}}));
  EXPECT_EQ(RecordsWithId(mob, 7), (V{{ObjKind::Unit, 1}, {ObjKind::Object, 0}}));
  EXPECT_EQ(RecordsWithId(mob, 8), V{});
  EXPECT_EQ(RecordsNamed(mob, "orc_4311"), (V{{ObjKind::Unit, 0}}));
  EXPECT_EQ(RecordsNamed(mob, "boss"), (V{{ObjKind::Unit, 1}, {ObjKind::Object, 0}}));
  EXPECT_EQ(RecordsNamed(mob, "\xC8\xF1\xEA\xF0\xFB"), (V{{ObjKind::Particle2, 0}}));  // 1251 bytes
  EXPECT_EQ(RecordsNamed(mob, "orc"), V{});  // Name1 is what the tree shows, not a script name
  EXPECT_EQ(RecordsNamed(mob, "Boss"), V{});
  EXPECT_EQ(RecordsNamed(mob, ""), V{});     // records without names are not all called ""
  EXPECT_EQ(ScriptNamesOf(mob, {ObjKind::Unit, 0}), std::vector<std::string_view>{"orc_4311"});
  EXPECT_TRUE(ScriptNamesOf(mob, {ObjKind::Unit, 9}).empty());
}

TEST_F(RecordMatchTest, LinesThatNameARecord) {
  const std::string script =
      "KillUnit(GetObjectByID(7));\r\n"         // 1: its identity
      "x = GetObjectByName(\"boss\");\n"        // 2: its ScriptVariableName
      "// GetObjectByID(7) boss\n"              // 3: a comment
      "BOSS = 1; y = GetObjectByID(7)\n"        // 4: the variable name as a word, first
      "Sleep(7); s = \"boss \";\n"              // 5: a bare number, another string
      "z = \"boss\" + \"boss\"";                // 6: once per line
  std::vector<TScriptMention> mentions = FindRecordMentions(mob, {ObjKind::Unit, 1}, script);
  std::vector<TScriptPlace> places;
  for (const auto& m : mentions) places.push_back(m.place);
  EXPECT_EQ(places, (std::vector<TScriptPlace>{{1, 10}, {2, 21}, {4, 1}, {6, 5}}));
  EXPECT_EQ(mentions[1].line, "x = GetObjectByName(\"boss\");");
  EXPECT_TRUE(FindRecordMentions(mob, {ObjKind::Lever, 0}, script).empty());
}

// A generated zone's references are known: every call names a record, and each
// record's mentions include the lines whose calls name it.
TEST(ObjectNavigation, GeneratedZoneReferencesLeadToTheirRecords) {
  TMob mob;
  GenerateZone(mob, {.records = 500, .seed = 21, .scriptLines = 400});
  TSynZoneScriptSyn scanner;
  std::size_t calls = 0, byName = 0;
  ForEachScriptLine(mob.ScriptText, [&](std::string_view line, std::size_t number) {
    for (const TObjectCall& call : ObjectCallsOn(scanner, line)) {
      ++calls;
      byName += call.kind == TObjectCallKind::ByName;
      const std::vector<TObjRef> records = RecordsCalled(mob, call);
      ASSERT_FALSE(records.empty()) << "line " << number << ": " << line;
      const auto mentions = FindRecordMentions(mob, records.front(), mob.ScriptText);
      EXPECT_TRUE(std::any_of(mentions.begin(), mentions.end(),
                              [&](const TScriptMention& m) { return m.place.line == number; }))
          << "line " << number;
    }
  });
  EXPECT_GT(calls, 100u);
  EXPECT_GT(byName, 20u);
}

TEST(ScriptLines, EveryLineBreakEndsALine) {
  std::vector<std::string> lines;
  ForEachScriptLine("a\r\nb\rc\n\nd", [&](std::string_view line, std::size_t n) {
    lines.push_back(std::to_string(n) + ":" + std::string(line));
  });
  EXPECT_EQ(lines, (std::vector<std::string>{"1:a", "2:b", "3:c", "4:", "5:d"}));
  lines.clear();
  ForEachScriptLine("", [&](std::string_view line, std::size_t n) { lines.push_back(std::to_string(n) + ":" + std::string(line)); });
  EXPECT_EQ(lines, std::vector<std::string>{"1:"});
}

}  // namespace
}  // namespace kelvarin
