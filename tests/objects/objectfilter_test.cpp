// The objects tree's filter: its grammar, what it matches, and the columns it
// matches against.
#include "objects/core/objectfilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "objects/core/recordcolumns.h"

namespace kelvarin {
namespace {

TObjectFilter Parse(std::string_view text) {
  auto parsed = ParseObjectFilter(text);
  if (auto* error = std::get_if<TFilterError>(&parsed)) {
    ADD_FAILURE() << text << ": " << error->message;
    return {};
  }
  return std::get<TObjectFilter>(parsed);
}

std::optional<TFilterError> ErrorOf(std::string_view text) {
  auto parsed = ParseObjectFilter(text);
  if (auto* error = std::get_if<TFilterError>(&parsed)) return *error;
  return std::nullopt;
}

std::uint8_t KindBit(ObjKind kind) { return std::uint8_t(1u << int(kind)); }

TEST(ObjectFilterGrammar, WordsAndPrefixedTerms) {
  EXPECT_TRUE(Parse("").Empty());
  EXPECT_TRUE(Parse("  \t ").Empty());
  EXPECT_EQ(Parse("Goblin  ARCHER").words, (std::vector<std::string>{"goblin", "archer"}));
  // Cyrillic folds in code page 1251: "ОРК" -> "орк", "Ё" -> "ё".
  EXPECT_EQ(Parse("\xCE\xD0\xCA \xA8").words, (std::vector<std::string>{"\xEE\xF0\xEA", "\xB8"}));
  EXPECT_EQ(Parse("\"goblin archer\" x").words, (std::vector<std::string>{"goblin archer", "x"}));
  EXPECT_EQ(Parse("\"unclosed quote").words, std::vector<std::string>{"unclosed quote"});

  const TObjectFilter f = Parse("id:4030 ID:-1 player:3 Kind:Units kind:particles2 orc");
  EXPECT_EQ(f.ids, (std::vector<std::int32_t>{4030, -1}));
  EXPECT_EQ(f.players, std::vector<std::uint8_t>{3});
  EXPECT_EQ(f.kinds, KindBit(ObjKind::Unit) | KindBit(ObjKind::Particle2));
  EXPECT_EQ(f.words, std::vector<std::string>{"orc"});

  EXPECT_EQ(Parse("id:4294967295").ids, std::vector<std::int32_t>{-1});
  // A prefix being typed narrows nothing yet; another prefix is part of a word;
  // a quoted prefix is a word.
  EXPECT_TRUE(Parse("id: kind: player:").Empty());
  EXPECT_EQ(Parse("name:orc").words, std::vector<std::string>{"name:orc"});
  EXPECT_EQ(Parse("\"id:5\"").words, std::vector<std::string>{"id:5"});
}

TEST(ObjectFilterGrammar, BadValuesSayWhatIsExpectedAndWhere) {
  EXPECT_EQ(ErrorOf("orc id:12a")->pos, 4u);
  EXPECT_NE(ErrorOf("id:1.5")->message.find("id:"), std::string::npos);
  EXPECT_TRUE(ErrorOf("id:4294967296"));
  EXPECT_TRUE(ErrorOf("player:256"));
  EXPECT_TRUE(ErrorOf("player:-1"));
  EXPECT_FALSE(ErrorOf("player:255"));
  const auto kind = ErrorOf("kind:goblins");
  ASSERT_TRUE(kind);
  EXPECT_NE(kind->message.find("units, objects, levers, traps, flames, particles1, particles2, particles3"),
            std::string::npos)
      << kind->message;
}

class ObjectFilterMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mob.Units.resize(3);
    mob.Units[0].Name1 = "goblin_archer";
    mob.Units[0].ObjectID = 4030;
    mob.Units[0].PlayerNumber = 3;
    mob.Units[0].LoadX = 120.5f;
    mob.Units[1].Name1 = "\xCE\xF0\xEA";  // "Орк"
    mob.Units[1].ObjectID = 40;
    mob.Units[1].ScriptVariableName = "boss_var";
    mob.Units[2].Name1 = "goblin_archer";
    mob.Units[2].ObjectID = 5;
    mob.Units[2].Name2 = "Archer_Two";
    mob.Units[2].PlayerNumber = 1;
    mob.Particles1.resize(2);
    mob.Particles1[0].NameStr = "smoke";
    mob.Particles1[0].ID = 4030;
    mob.Particles1[0].CoordY = -0.25f;
    mob.Particles1[1].NameStr = "fog";
    mob.Particles1[1].ID = 3;
    index.Build(mob, '.');
  }

  // The indices of the records of `kind` that pass `text`.
  std::vector<std::size_t> Passing(std::string_view text, ObjKind kind) {
    const std::vector<std::uint8_t> flags = index.Match(Parse(text), kind);
    EXPECT_EQ(flags.size(), mob.Count(kind));
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < flags.size(); ++i)
      if (flags[i]) out.push_back(i);
    return out;
  }

  TMob mob;
  TObjectFilterIndex index;
};

using Idx = std::vector<std::size_t>;

TEST_F(ObjectFilterMatchTest, WordsMatchTheCaptionAndEveryColumnIgnoringCase) {
  EXPECT_EQ(Passing("", ObjKind::Unit), (Idx{0, 1, 2}));
  EXPECT_EQ(Passing("ARCHER", ObjKind::Unit), (Idx{0, 2}));
  EXPECT_EQ(Passing("archer_two", ObjKind::Unit), Idx{2});      // Name2
  EXPECT_EQ(Passing("BOSS", ObjKind::Unit), Idx{1});            // ScriptVariableName
  EXPECT_EQ(Passing("\xEE\xd0\xca", ObjKind::Unit), Idx{1});    // "оРК" finds "Орк"
  EXPECT_EQ(Passing("403", ObjKind::Unit), Idx{0});             // the id column as text
  EXPECT_EQ(Passing("120.5", ObjKind::Unit), Idx{0});           // X
  EXPECT_EQ(Passing("-0.25", ObjKind::Particle1), Idx{0});      // a particle's Y
  EXPECT_EQ(Passing("goblin 4030", ObjKind::Unit), Idx{0});     // every word
  EXPECT_EQ(Passing("goblin nobody", ObjKind::Unit), Idx{});
  // Words never reach across two cells: "archer" + "4030" are neighbours only
  // as cells.
  EXPECT_EQ(Passing("archer4030", ObjKind::Unit), Idx{});
  EXPECT_EQ(Passing("Units", ObjKind::Unit), Idx{});            // the kind's name is no cell
}

TEST_F(ObjectFilterMatchTest, PrefixesNarrowToOneField) {
  EXPECT_EQ(Passing("id:4030", ObjKind::Unit), Idx{0});
  EXPECT_EQ(Passing("id:4030", ObjKind::Particle1), Idx{0});    // ID of particles
  EXPECT_EQ(Passing("id:40", ObjKind::Unit), Idx{1});           // whole numbers only
  EXPECT_EQ(Passing("id:40 id:5", ObjKind::Unit), (Idx{1, 2})); // alternatives
  EXPECT_EQ(Passing("player:3", ObjKind::Unit), Idx{0});
  EXPECT_EQ(Passing("player:3", ObjKind::Particle1), Idx{});    // particles have no player
  EXPECT_EQ(Passing("player:0", ObjKind::Unit), Idx{1});
  EXPECT_EQ(Passing("kind:particles1", ObjKind::Unit), Idx{});
  EXPECT_EQ(Passing("kind:particles1", ObjKind::Particle1), (Idx{0, 1}));
  EXPECT_EQ(Passing("kind:units goblin player:1", ObjKind::Unit), Idx{2});
  EXPECT_EQ(Passing("3", ObjKind::Particle1), (Idx{0, 1}));     // 4030 and 3 as text
}

TEST_F(ObjectFilterMatchTest, AnIndexDescribesTheDocumentItWasBuiltFrom) {
  mob.Units[1].Name1 = "renamed";
  EXPECT_EQ(Passing("renamed", ObjKind::Unit), Idx{});
  index.Build(mob, '.');
  EXPECT_EQ(Passing("renamed", ObjKind::Unit), Idx{1});
  index.Clear();
  EXPECT_TRUE(index.Empty());
  EXPECT_TRUE(index.Match(Parse(""), ObjKind::Unit).empty());
}

// The index against a plain case-insensitive look at every cell of every record.
TEST(ObjectFilterIndex, AgreesWithAPlainScanOnAGeneratedZone) {
  TMob mob;
  GenerateZone(mob, {.records = 3000, .seed = 17});
  TObjectFilterIndex index;
  index.Build(mob, ',');
  for (const char* text : {"goblin", "_1", "var_2", "\xC4\xCE\xCC", "7,", "-9", "kind:objects stone", "tex"}) {
    const TObjectFilter filter = std::get<TObjectFilter>(ParseObjectFilter(text));
    for (ObjKind kind : kAllObjKinds) {
      const auto flags = index.Match(filter, kind);
      for (std::size_t i = 0; i < mob.Count(kind); ++i) {
        bool expected = filter.AllowsKind(kind);
        for (const std::string& word : filter.words) {
          bool found = false;
          for (int c = 0; c < kRecordColumnCount; ++c)
            found = found || FoldFilterText(RecordColumnText(mob, {kind, i}, TRecordColumn(c), ',')).find(word) !=
                                 std::string::npos;
          expected = expected && found;
        }
        ASSERT_EQ(bool(flags[i]), expected) << text << " kind " << int(kind) << " record " << i;
      }
    }
  }
}

// Built in small steps, across the ends of the kinds' lists, it is the same index.
TEST(ObjectFilterIndex, StepsBuildTheSameIndex) {
  TMob mob;
  GenerateZone(mob, {.records = 500, .seed = 3});
  mob.Levers.clear();  // an empty list on the way
  TObjectFilterIndex whole, stepped;
  whole.Build(mob, '.');
  stepped.Begin('.');
  int steps = 0;
  while (!stepped.Continue(mob, 37)) ASSERT_LT(++steps, 100);
  EXPECT_GT(steps, 5);
  EXPECT_TRUE(stepped.Complete());
  for (const char* text : {"goblin", "1", "kind:flames", "player:2"}) {
    const TObjectFilter filter = std::get<TObjectFilter>(ParseObjectFilter(text));
    for (ObjKind kind : kAllObjKinds) EXPECT_EQ(stepped.Match(filter, kind), whole.Match(filter, kind)) << text;
  }
}

TEST(ObjectFilterIndex, ANarrowerFilterLooksOnlyAtWhatTheWiderOneLetThrough) {
  const auto parse = [](const char* text) { return std::get<TObjectFilter>(ParseObjectFilter(text)); };
  EXPECT_TRUE(NarrowsFilter(parse("gob"), parse("go")));
  EXPECT_TRUE(NarrowsFilter(parse("go arch"), parse("go")));
  EXPECT_TRUE(NarrowsFilter(parse("goblin kind:units"), parse("go")));
  EXPECT_TRUE(NarrowsFilter(parse("kind:units"), parse("kind:units kind:levers")));
  EXPECT_TRUE(NarrowsFilter(parse("id:5"), parse("")));
  EXPECT_FALSE(NarrowsFilter(parse("go"), parse("gob")));  // a letter taken back
  EXPECT_FALSE(NarrowsFilter(parse("ob"), parse("go")));
  EXPECT_FALSE(NarrowsFilter(parse("go"), parse("go kind:units")));
  EXPECT_FALSE(NarrowsFilter(parse("id:5 id:6"), parse("id:5")));
  EXPECT_FALSE(NarrowsFilter(parse("player:1"), parse("player:2")));

  TMob mob;
  GenerateZone(mob, {.records = 2000, .seed = 9});
  TObjectFilterIndex index;
  index.Build(mob, '.');
  for (ObjKind kind : kAllObjKinds) {
    const auto wide = index.Match(parse("o"), kind);
    for (const char* text : {"ob", "o 1", "obl player:1", "o kind:flames"})
      EXPECT_EQ(index.Match(parse(text), kind, &wide), index.Match(parse(text), kind)) << text;
  }
}

TEST(RecordColumns, TextsAndSortValuesOfEachKind) {
  TMob mob;
  mob.Units.resize(1);
  mob.Particles3.resize(1);
  auto& unit = mob.Units[0];
  unit.Name1 = "orc";
  unit.Name2 = "orc_2";
  unit.ScriptVariableName = "boss";
  unit.ObjectID = -5;
  unit.PlayerNumber = 255;
  unit.LoadX = 0.1f;
  unit.LoadY = -1e20f;
  auto& fog = mob.Particles3[0];
  fog.NameStr = "fog";
  fog.ID = 1000000001;
  fog.CoordX = 2.5f;
  fog.CoordY = std::numeric_limits<float>::quiet_NaN();

  const auto texts = [&](TObjRef ref, char sep) {
    std::vector<std::string> out;
    for (int c = 0; c < kRecordColumnCount; ++c) out.push_back(RecordColumnText(mob, ref, TRecordColumn(c), sep));
    return out;
  };
  EXPECT_EQ(texts({ObjKind::Unit, 0}, ','),
            (std::vector<std::string>{"orc", "-5", "orc_2", "boss", "255", "0,1", "-1E20"}));
  EXPECT_EQ(texts({ObjKind::Particle3, 0}, '.'),
            (std::vector<std::string>{"fog", "1000000001", "", "", "", "2.5", "NAN"}));
  EXPECT_EQ(texts({ObjKind::Lever, 0}, '.'), std::vector<std::string>(kRecordColumnCount));

  EXPECT_EQ(RecordColumnNumber(mob, {ObjKind::Unit, 0}, TRecordColumn::Id), -5.0);
  EXPECT_EQ(RecordColumnNumber(mob, {ObjKind::Unit, 0}, TRecordColumn::PlayerNumber), 255.0);
  EXPECT_EQ(RecordColumnNumber(mob, {ObjKind::Unit, 0}, TRecordColumn::X), double(0.1f));
  EXPECT_FALSE(RecordColumnNumber(mob, {ObjKind::Particle3, 0}, TRecordColumn::PlayerNumber));
  EXPECT_FALSE(RecordColumnNumber(mob, {ObjKind::Unit, 0}, TRecordColumn::Name2));
  EXPECT_TRUE(std::isnan(*RecordColumnNumber(mob, {ObjKind::Particle3, 0}, TRecordColumn::Y)));
  EXPECT_TRUE(IsNumericColumn(TRecordColumn::Y));
  EXPECT_FALSE(IsNumericColumn(TRecordColumn::Caption));
}

}  // namespace
}  // namespace kelvarin
