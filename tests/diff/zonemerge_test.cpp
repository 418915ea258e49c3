// The three-way merge, case by case: each side's edit applied to the generated
// zone, the merge compared byte for byte with the zone that has the expected edit,
// and the conflicts counted. Each case runs on documents that keep their records
// in lists and on ones that leave them in the file image.
#include <gtest/gtest.h>

#include <algorithm>

#include "diff/zonediff.h"
#include "diff/zonemerge.h"
#include "zonepair.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

struct MergeCase {
  const char* name;
  TEdit ours, theirs, expected;
  std::vector<TMergeConflict::Place> conflicts;
};

TEdit Both(TEdit first, TEdit second) {
  return [=](TMob& mob) {
    first(mob);
    second(mob);
  };
}

TObjectObjBlock NewObject(std::int32_t id, const char* name) {
  TObjectObjBlock r;
  r.ObjectID = id;
  r.Name2 = name;
  r.RotationW = 1;
  return r;
}

const std::vector<MergeCase>& Cases() {
  using P = TMergeConflict::Place;
  const TEdit key11 = [](TMob& m) { m.Levers[0].Key = 11; };
  const TEdit key12 = [](TMob& m) { m.Levers[0].Key = 12; };
  const TEdit open = [](TMob& m) { m.Levers[0].AsOpen = 1; };
  const TEdit renameObject = [](TMob& m) { m.Objects[2].Name2 = "renamed"; };
  const TEdit removeObject = [](TMob& m) { m.Objects.erase(m.Objects.begin() + 2); };
  const TEdit addOurs = [](TMob& m) { m.Objects.push_back(NewObject(900001, "ours")); };
  const TEdit addTheirs = [](TMob& m) { m.Objects.push_back(NewObject(900001, "theirs")); };
  const TEdit addTheirsElsewhere = [](TMob& m) { m.Objects.insert(m.Objects.begin() + 1, NewObject(900002, "t")); };
  const TEdit addOursUnit = [](TMob& m) {
    TUnitObjBlock u;
    u.ObjectID = 900001;
    m.Units.push_back(u);
  };
  const TEdit theirsRenumbered = [](TMob& m) {
    TObjectObjBlock t = NewObject(900001, "theirs");
    t.ObjectID = std::int32_t(m.FindFreeObjectId());
    m.Objects.push_back(t);
  };
  const TEdit moveLever = [](TMob& m) { std::rotate(m.Levers.begin(), m.Levers.begin() + 1, m.Levers.end()); };
  const TEdit moveAndChange = Both(moveLever, [](TMob& m) { m.Levers.back().UncnByte2 = 9; });
  const TEdit unknownByte = [](TMob& m) { m.UnknownBlocks[0].Data[12] ^= 0x10; };
  const TEdit unknownOther = [](TMob& m) { m.UnknownBlocks[0].Data[13] ^= 0x10; };
  const TEdit subBlockAdded = [](TMob& m) { m.UnknownObjectBlocks.push_back({8, {0, 0, 0x34, 0x12, 8, 0, 0, 0}}); };
  const TEdit tailLonger = [](TMob& m) {
    m.Tail.push_back(1);
    m.TailLength = std::int64_t(m.Tail.size());
  };
  const TEdit tailOther = [](TMob& m) { m.Tail[0] ^= 0xFF; };
  const TEdit flag = [](TMob& m) { m.MobKind = m.MobKind == "QuestMob" ? "ZonalMob" : "QuestMob"; };
  const TEdit line3 = [](TMob& m) { ReplaceScriptLine(m, 3, "ours line 3"); };
  const TEdit line30 = [](TMob& m) { ReplaceScriptLine(m, 30, "theirs line 30"); };
  const TEdit line3Theirs = [](TMob& m) { ReplaceScriptLine(m, 3, "theirs line 3"); };
  const TEdit plainScript = [](TMob& m) { m.ScriptKey = 0; };
  const TEdit none = [](TMob&) {};

  static const std::vector<MergeCase> cases = {
      {"field changed by ours", key11, none, key11, {}},
      {"field changed by theirs", none, key11, key11, {}},
      {"field changed alike", key11, key11, key11, {}},
      {"field changed differently", key11, key12, key11, {P::Record}},
      {"two fields of one record", key11, open, Both(key11, open), {}},
      {"record removed by theirs", none, removeObject, removeObject, {}},
      {"removed by theirs, changed by ours", renameObject, removeObject, renameObject, {P::Record}},
      {"removed by ours, changed by theirs", removeObject, renameObject, removeObject, {P::Record}},
      {"removed on both sides", removeObject, removeObject, removeObject, {}},
      {"added by theirs", none, addTheirs, addTheirs, {}},
      {"added by theirs after its predecessor", addOurs, addTheirsElsewhere, Both(addOurs, addTheirsElsewhere), {}},
      {"added alike", addOurs, addOurs, addOurs, {}},
      {"added with one identity", addOurs, addTheirs, Both(addOurs, theirsRenumbered), {}},
      {"added with one identity in two kinds", addOursUnit, addTheirs, Both(addOursUnit, theirsRenumbered), {}},
      {"moved by theirs", none, moveLever, moveLever, {}},
      {"moved by theirs, changed by ours", [](TMob& m) { m.Levers[0].UncnByte2 = 9; }, moveLever, moveAndChange, {}},
      {"unknown block changed by theirs", none, unknownByte, unknownByte, {}},
      {"unknown block changed differently", unknownByte, unknownOther, unknownByte, {P::UnknownBlocks}},
      {"unknown sub-block added by theirs", none, subBlockAdded, subBlockAdded, {}},
      {"tail changed by ours", tailLonger, none, tailLonger, {}},
      {"tail changed differently", tailLonger, tailOther, tailLonger, {P::Tail}},
      {"flag changed by theirs", none, flag, flag, {}},
      {"script lines apart", line3, line30, Both(line3, line30), {}},
      {"script line crossed", line3, line3Theirs, line3, {P::ScriptLines}},
      {"script key by theirs, lines by ours", line3, plainScript, Both(line3, plainScript), {}},
  };
  return cases;
}

class ZoneMergeTest : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(ListsAndImage, ZoneMergeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "KeptInImage" : "InLists"; });

TEST_P(ZoneMergeTest, EachSideAndEachClashAsTheRulesSay) {
  const Bytes base = EditedZone({});
  for (const MergeCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TMob b, o, t, result;
    LoadInto(b, base, GetParam());
    LoadInto(o, EditedZone(c.ours), GetParam());
    LoadInto(t, EditedZone(c.theirs), GetParam());
    const TZoneMerge merge = MergeZones(b, o, t, result);
    std::vector<TMergeConflict::Place> places;
    for (const TMergeConflict& conflict : merge.conflicts) places.push_back(conflict.place);
    EXPECT_EQ(places, c.conflicts);
    EXPECT_FALSE(merge.identitiesExhausted);
    const Bytes expected = EditedZone(c.expected);
    const Bytes merged = ImageOf(result);
    if (merged != expected) {
      TMob e, m;
      LoadInto(e, expected, true);
      LoadInto(m, merged, true);
      ADD_FAILURE() << ZoneDiffText(DiffZones(e, m), "expected", "merged");
    }
  }
}

TEST_P(ZoneMergeTest, ConflictsNameTheFieldAndTheThreeValues) {
  TMob b, o, t, result;
  LoadInto(b, EditedZone({}), GetParam());
  LoadInto(o, EditedZone([](TMob& m) { m.Levers[0].Key = 11; }), GetParam());
  LoadInto(t, EditedZone([](TMob& m) { m.Levers[0].Key = 12; }), GetParam());
  const TZoneMerge merge = MergeZones(b, o, t, result);
  ASSERT_EQ(merge.conflicts.size(), 1u);
  const TMergeConflict& c = merge.conflicts[0];
  EXPECT_EQ(c.recordKind, ObjKind::Lever);
  EXPECT_EQ(c.identity, VisitRecordValue(result, {ObjKind::Lever, 0}, [](const auto& r) { return r.Identity(); }));
  EXPECT_EQ(c.field, "Key");
  EXPECT_EQ(c.ours, "11");
  EXPECT_EQ(c.theirs, "12");
  EXPECT_EQ(MergeConflictText(c), "conflict: levers " + std::to_string(c.identity) + ": Key: base " + c.base +
                                      ", ours 11, theirs 12; ours kept");
}

TEST_P(ZoneMergeTest, RenumberingIsReportedWithTheIdentityGiven) {
  TMob b, o, t, result;
  LoadInto(b, EditedZone({}), GetParam());
  LoadInto(o, EditedZone([](TMob& m) { m.Objects.push_back(NewObject(900001, "ours")); }), GetParam());
  LoadInto(t, EditedZone([](TMob& m) {
             m.Objects.push_back(NewObject(900001, "theirs"));
             m.Objects.push_back(NewObject(900001, "theirs too"));
           }),
           GetParam());
  const TZoneMerge merge = MergeZones(b, o, t, result);
  EXPECT_TRUE(merge.conflicts.empty());
  ASSERT_EQ(merge.renumbered.size(), 2u);
  std::vector<std::int32_t> ids;
  for (const TRenumbered& r : merge.renumbered) {
    EXPECT_EQ(r.from, 900001);
    const std::int32_t id = VisitRecordValue(result, {ObjKind::Object, r.index}, [](const auto& x) { return x.Identity(); });
    EXPECT_EQ(std::uint32_t(id), r.to);
    ids.push_back(id);
  }
  // What FindFreeObjectId gives, one after the other.
  TMob check;
  LoadInto(check, ImageOf(result), false);
  for (std::int32_t id : ids) {
    check.CheckOrDeleteObjectId(id, true);
    EXPECT_EQ(check.FindFreeObjectId(), std::uint32_t(ids.front()));
  }
}

}  // namespace
}  // namespace kelvarin
