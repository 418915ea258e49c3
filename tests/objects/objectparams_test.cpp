#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "objects/core/objectparams.h"

namespace kelvarin {
namespace {

class ObjectParams : public testing::Test {
 protected:
  void SetUp() override { GenerateZone(mob, {.records = 200, .seed = 11}); }

  std::string Display(TObjRef ref, std::string_view key, char sep = '.') {
    return ParamDisplayText(mob, ref, key, sep).value_or("<none>");
  }
  TApplyResult Apply(TObjRef ref, std::string_view key, std::string_view text, char sep = '.') {
    return ApplyParamRow(mob, ref, key, text, sep);
  }

  TMob mob;
};

std::vector<std::string> Keys(const std::vector<TParamRow>& rows) {
  std::vector<std::string> keys;
  for (const TParamRow& row : rows) keys.push_back(row.key);
  return keys;
}

TEST_F(ObjectParams, EachKindShowsItsRowsInOrder) {
  struct Case {
    ObjKind kind;
    std::size_t rows;
    std::vector<std::string> firstKeys;
  };
  const Case cases[] = {
      {ObjKind::Unit, 31, {"UseMobInfo", "Name1", "Armour", "Weapon", "Spell", "UncnDw1", "Items", "BodyTextures"}},
      {ObjKind::Object, 24, {"BodyTextures", "PlayerNumber", "ObjectID", "ObjectType"}},
      {ObjKind::Lever, 32, {"AsOpen", "Key", "Sleigth", "UncnByte2", "UncnByte3", "UncnByte4", "UncnByte5", "UncnByte6", "BodyTextures"}},
      {ObjKind::Trap, 30, {"UnknDw1", "MagicStr", "UnknDw2", "UnknByte1", "TrapPoints1", "TrapPoints2", "BodyTextures"}},
      {ObjKind::Flame, 29, {"CoordX", "CoordY", "CoordZ", "FlameSize", "SoundStr", "BodyTextures"}},
      {ObjKind::Particle1, 11, {"ID", "UnknByte1", "CoordX", "CoordY", "CoordZ", "ColorR", "ColorG", "ColorB", "ParticleSize", "NameStr", "UnknStr1"}},
      {ObjKind::Particle2, 13, {"SoundStr_s", "ID", "CoordX", "CoordY", "CoordZ", "UnknDW1", "UnknDW2", "NameStr", "UnknStr1", "UnknDW3", "UnknDW4", "UnknByte1", "UnknByte2"}},
      {ObjKind::Particle3, 8, {"ID", "CoordX", "CoordY", "CoordZ", "NameStr", "UnknStr1", "UnknDw1", "UnknFloat1"}},
  };
  for (const Case& c : cases) {
    ASSERT_GT(mob.Count(c.kind), 0u);
    const auto rows = ParamRowsOf(mob, {c.kind, 0}, '.');
    ASSERT_EQ(rows.size(), c.rows) << int(c.kind);
    const auto keys = Keys(rows);
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + c.firstKeys.size()), c.firstKeys);
    if (HasCommonFields(c.kind)) {
      EXPECT_EQ(keys.back(), "ComplectionTall");
    }
    for (const TParamRow& row : rows)
      EXPECT_EQ(row.hasEditButton, row.key.starts_with("TrapPoints")) << row.key;
  }
  const auto trapRows = ParamRowsOf(mob, {ObjKind::Trap, 0}, '.');
  EXPECT_EQ(trapRows[4].value, "Click to edit ----->");
  EXPECT_EQ(trapRows[5].value, "Click to edit ----->");
  EXPECT_TRUE(ParamRowsOf(mob, {ObjKind::Unit, mob.Units.size()}, '.').empty());
}

TEST_F(ObjectParams, ValuesShowInTheirDisplayFormats) {
  TLeverObjBlock& lever = mob.Levers[0];
  lever.PlayerNumber = 200;
  lever.ObjectID = std::int32_t(0x80000005u);  // high identities show negative
  lever.LoadX = 0.1f;
  lever.BodyTextures = {"a", "", "b c"};
  const TObjRef ref{ObjKind::Lever, 0};
  EXPECT_EQ(Display(ref, "PlayerNumber"), "200");
  EXPECT_EQ(Display(ref, "ObjectID"), "-2147483643");
  EXPECT_EQ(Display(ref, "LoadX"), "0.100000001490116");
  EXPECT_EQ(Display(ref, "LoadX", ','), "0,100000001490116");
  EXPECT_EQ(Display(ref, "BodyTextures"), "a,,b c");
  lever.BodyTextures.clear();
  EXPECT_EQ(Display(ref, "BodyTextures"), "");
}

struct ApplyCase {
  ObjKind kind;
  const char* key;
  const char* text;
  ApplyStatus status;
  const char* shownAfter;  // the field's display after an accepted text
};

class ApplyRow : public ObjectParams, public testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplyRow, ChecksAndStores) {
  const ApplyCase& c = GetParam();
  const TObjRef ref{c.kind, 0};
  const std::string before = Display(ref, c.key);
  const TApplyResult result = Apply(ref, c.key, c.text);
  EXPECT_EQ(result.status, c.status);
  if (c.status == ApplyStatus::Accepted) {
    EXPECT_EQ(Display(ref, c.key), c.shownAfter);
  } else {
    EXPECT_EQ(Display(ref, c.key), before);
    ASSERT_TRUE(result.rowText.has_value());
    EXPECT_EQ(*result.rowText, before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyRow,
    testing::Values(
        ApplyCase{ObjKind::Unit, "PlayerNumber", "-1", ApplyStatus::Accepted, "255"},
        ApplyCase{ObjKind::Unit, "PlayerNumber", "-128", ApplyStatus::Accepted, "128"},
        ApplyCase{ObjKind::Object, "ShowShadow", "255", ApplyStatus::Accepted, "255"},
        ApplyCase{ObjKind::Lever, "UncnByte3", "300", ApplyStatus::Accepted, "44"},
        ApplyCase{ObjKind::Lever, "UncnByte6", "-1", ApplyStatus::Accepted, "255"},
        ApplyCase{ObjKind::Lever, "Key", "-17", ApplyStatus::Accepted, "-17"},
        ApplyCase{ObjKind::Particle2, "UnknDW4", "-2147483648", ApplyStatus::Accepted, "-2147483648"},
        ApplyCase{ObjKind::Flame, "FlameSize", "2,5", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Flame, "CoordY", "-.5", ApplyStatus::Accepted, "-0.5"},
        ApplyCase{ObjKind::Flame, "CoordZ", "7.", ApplyStatus::Accepted, "7"},
        ApplyCase{ObjKind::Particle3, "UnknFloat1", "-0", ApplyStatus::Accepted, "-0"},
        ApplyCase{ObjKind::Unit, "Name1", "  spaced name  ", ApplyStatus::Accepted, "  spaced name  "},
        ApplyCase{ObjKind::Trap, "MagicStr", "", ApplyStatus::Accepted, ""},
        ApplyCase{ObjKind::Unit, "Armour", "a ,  b", ApplyStatus::Accepted, "a,b"},
        ApplyCase{ObjKind::Unit, "Items", "", ApplyStatus::Accepted, ""},
        ApplyCase{ObjKind::Particle2, "SoundStr_s", "x,,y,", ApplyStatus::Accepted, "x,,y,"},
        // Refused: the field keeps its value.
        ApplyCase{ObjKind::Unit, "PlayerNumber", "256", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Unit, "UseMobInfo", "-129", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Particle1, "UnknByte1", "99999999999999999999999", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "ObjectType", "+5", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "ObjectType", " 5", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "ObjectID", "", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "ObjectID", "2147483648", ApplyStatus::OutOfRange, ""},
        ApplyCase{ObjKind::Lever, "UncnByte2", "4294967340", ApplyStatus::OutOfRange, ""},
        ApplyCase{ObjKind::Object, "LoadX", "1E5", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "LoadY", ".", ApplyStatus::NotANumber, ""},
        ApplyCase{ObjKind::Object, "LoadY", "-.", ApplyStatus::NotANumber, ""},
        ApplyCase{ObjKind::Object, "LoadZ", "NAN", ApplyStatus::NotANumber, ""},
        ApplyCase{ObjKind::Object, "LoadZ", "nan", ApplyStatus::Rejected, ""},
        ApplyCase{ObjKind::Object, "RotationW",
                  "1000000000000000000000000000000000000000000", ApplyStatus::OutOfRange, ""}),
    [](const testing::TestParamInfo<ApplyCase>& info) { return "case" + std::to_string(info.index); });

TEST_F(ObjectParams, RefusedRowsShowTheFieldsValue) {
  const TObjRef ref{ObjKind::Unit, 0};
  mob.Units[0].PlayerNumber = 7;
  const TApplyResult result = Apply(ref, "PlayerNumber", "256");
  EXPECT_EQ(result.status, ApplyStatus::Rejected);
  EXPECT_EQ(result.rowText, "7");
  EXPECT_EQ(mob.Units[0].PlayerNumber, 7);
}

TEST_F(ObjectParams, KeysAreExactAndKindSpecific) {
  const TTrapObjBlock trap = mob.Traps[0];
  for (const char* key : {"TrapPoints1", "TrapPoints2"}) {
    const TApplyResult result = Apply({ObjKind::Trap, 0}, key, "typed");
    EXPECT_EQ(result.status, ApplyStatus::Ignored);
    EXPECT_FALSE(result.rowText.has_value());
  }
  EXPECT_EQ(Apply({ObjKind::Unit, 0}, "RawChunk", "").status, ApplyStatus::Ignored);
  EXPECT_EQ(Apply({ObjKind::Unit, 0}, "playernumber", "1").status, ApplyStatus::Ignored);
  EXPECT_EQ(Apply({ObjKind::Unit, 0}, "UnknDw1", "1").status, ApplyStatus::Ignored);  // a trap key
  EXPECT_EQ(Apply({ObjKind::Particle1, 0}, "ObjectID", "1").status, ApplyStatus::Ignored);
  EXPECT_EQ(Apply({ObjKind::Particle3, 0}, "UnknDW1", "1").status, ApplyStatus::Ignored);
  EXPECT_EQ(Apply({ObjKind::Object, mob.Objects.size()}, "ObjectID", "1").status, ApplyStatus::Ignored);
  EXPECT_EQ(mob.Traps[0], trap);
  // Only a lever's unknown bytes take the wide integer check.
  EXPECT_EQ(Apply({ObjKind::Particle2, 0}, "UnknByte2", "300").status, ApplyStatus::Rejected);
  EXPECT_EQ(Apply({ObjKind::Lever, 0}, "PlayerNumber", "300").status, ApplyStatus::Rejected);
}

TEST_F(ObjectParams, CommaSeparatorIsTheOneThatCounts) {
  const TObjRef ref{ObjKind::Flame, 0};
  EXPECT_EQ(Apply(ref, "FlameSize", "2,5", ',').status, ApplyStatus::Accepted);
  EXPECT_EQ(mob.Flames[0].FlameSize, 2.5f);
  EXPECT_EQ(Apply(ref, "FlameSize", "3.5", ',').status, ApplyStatus::Rejected);
  EXPECT_EQ(mob.Flames[0].FlameSize, 2.5f);
}

// Leaving the table re-applies the row under the cursor unchanged: that must store
// exactly what the record held, bit for bit and item for item.
TEST_F(ObjectParams, ReapplyingTheDisplayedTextKeepsTheValue) {
  for (char sep : {'.', ','}) {
    for (ObjKind kind : kAllObjKinds) {
      for (std::size_t i = 0; i < std::min<std::size_t>(mob.Count(kind), 5); ++i) {
        const TObjRef ref{kind, i};
        for (const TParamRow& row : ParamRowsOf(mob, ref, sep)) {
          const auto shown = Display(ref, row.key, sep);
          const TApplyResult result = Apply(ref, row.key, row.value, sep);
          if (row.hasEditButton) continue;
          EXPECT_EQ(result.status, ApplyStatus::Accepted) << row.key << '=' << row.value;
          EXPECT_EQ(Display(ref, row.key, sep), shown) << row.key;
        }
      }
    }
  }
  // Float bits survive, including awkward values shown in fixed notation.
  const float samples[] = {0.1f, 1.0f / 3, -0.0f, 123456.79f, 0.00012345f, 9.999e14f};
  for (float v : samples) {
    mob.Objects[0].LoadY = v;
    ASSERT_EQ(Apply({ObjKind::Object, 0}, "LoadY", Display({ObjKind::Object, 0}, "LoadY")).status,
              ApplyStatus::Accepted);
    EXPECT_EQ(std::memcmp(&mob.Objects[0].LoadY, &v, sizeof v), 0) << v;
  }
  // Lists whose items hold commas, blanks next to commas, or a single empty item
  // would not survive being split again.
  const StringList awkward[] = {{""}, {"a,b"}, {"x ", " y"}, {"", ""}};
  for (const StringList& list : awkward) {
    mob.Units[0].Spell = list;
    const TApplyResult result =
        Apply({ObjKind::Unit, 0}, "Spell", Display({ObjKind::Unit, 0}, "Spell"));
    EXPECT_EQ(result.status, ApplyStatus::Accepted);
    EXPECT_EQ(mob.Units[0].Spell, list);
  }
}

TEST_F(ObjectParams, ListTextIsCleanedBeforeItIsSplit) {
  const TApplyResult result = Apply({ObjKind::Unit, 0}, "Weapon", " sword ,  bow , ");
  EXPECT_EQ(result.status, ApplyStatus::Accepted);
  EXPECT_EQ(result.rowText, " sword,bow,");
  EXPECT_EQ(mob.Units[0].Weapon, (StringList{" sword", "bow", ""}));
}

TEST_F(ObjectParams, RotationAsAQuaternion) {
  mob.Flames[1].RotationW = 0.5f;
  mob.Flames[1].RotationZ = -0.25f;
  const auto rotation = RotationOf(mob, {ObjKind::Flame, 1});
  ASSERT_TRUE(rotation.has_value());
  EXPECT_EQ(*rotation, TQuaternion(0.5f, mob.Flames[1].RotationX, mob.Flames[1].RotationY, -0.25f));
  EXPECT_TRUE(StoreRotation(mob, {ObjKind::Trap, 0}, {0, 1, 0, 0}));
  EXPECT_EQ(mob.Traps[0].RotationX, 1);
  EXPECT_EQ(mob.Traps[0].RotationW, 0);
  EXPECT_FALSE(RotationOf(mob, {ObjKind::Particle2, 0}).has_value());
  EXPECT_FALSE(StoreRotation(mob, {ObjKind::Particle1, 0}, {}));
  EXPECT_FALSE(StoreRotation(mob, {ObjKind::Lever, mob.Levers.size()}, {}));

}

}  // namespace
}  // namespace kelvarin
