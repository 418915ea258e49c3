// Identities across the eight lists, deletion, and copying through the file form.
#include <gtest/gtest.h>

#include "mob/generator.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

TEST(Identity, FindFreeObjectIdTakesTheSmallestGap) {
  TMob mob;
  EXPECT_EQ(mob.FindFreeObjectId(), 1u);
  mob.Units.resize(1);
  mob.Units[0].ObjectID = 1;
  mob.Flames.resize(1);
  mob.Flames[0].ObjectID = 2;
  mob.Particles3.resize(1);
  mob.Particles3[0].ID = 4;
  EXPECT_EQ(mob.FindFreeObjectId(), 3u);
  mob.Particles1.resize(1);
  mob.Particles1[0].ID = 3;
  EXPECT_EQ(mob.FindFreeObjectId(), 5u);
  mob.Objects.resize(2);
  mob.Objects[0].ObjectID = std::int32_t(kHighIdentityRange);
  mob.Objects[1].ObjectID = -1;  // 4294967295 as a 32-bit value
  EXPECT_EQ(mob.FindFreeObjectId(), 5u);
}

TEST(Identity, CheckOrDeleteSpansEveryKind) {
  TMob mob;
  mob.Units.resize(4);
  for (int i = 0; i < 4; ++i) mob.Units[i].ObjectID = i == 1 || i == 3 ? 7 : 10 + i;
  mob.Flames.resize(2);
  mob.Flames[0].ObjectID = 7;
  mob.Flames[1].ObjectID = 20;
  mob.Particles2.resize(1);
  mob.Particles2[0].ID = 30;

  EXPECT_FALSE(mob.CheckOrDeleteObjectId(30, false));  // a particle's ID clashes too
  EXPECT_FALSE(mob.CheckOrDeleteObjectId(7, false));
  EXPECT_TRUE(mob.CheckOrDeleteObjectId(8, false));

  EXPECT_TRUE(mob.CheckOrDeleteObjectId(7, true));
  ASSERT_EQ(mob.Units.size(), 2u);
  EXPECT_EQ(mob.Units[0].ObjectID, 10);
  EXPECT_EQ(mob.Units[1].ObjectID, 12);
  ASSERT_EQ(mob.Flames.size(), 1u);
  EXPECT_EQ(mob.Flames[0].ObjectID, 20);
  EXPECT_TRUE(mob.CheckOrDeleteObjectId(7, false));
}

TEST(Identity, DeleteRecordKeepsOrderAndGuardsItsIndex) {
  TMob mob;
  mob.Traps.resize(3);
  for (int i = 0; i < 3; ++i) mob.Traps[i].ObjectID = i;
  mob.DeleteRecord(ObjKind::Trap, 1);
  ASSERT_EQ(mob.Traps.size(), 2u);
  EXPECT_EQ(mob.Traps[1].ObjectID, 2);
  EXPECT_THROW(mob.DeleteRecord(ObjKind::Trap, 2), std::out_of_range);
  mob.DeleteRecord(ObjKind::Lever, 0);  // empty list: left alone
  EXPECT_EQ(mob.Count(ObjKind::Trap), 2u);
}

TEST(Identity, CopyThroughTheFileFormIsDeepAndEqual) {
  TMob mob;
  GenerateZone(mob, {.records = 200, .seed = 5});
  mob.ForEachList([](const auto& list) {
    for (const auto& r : list) ASSERT_EQ(CopyRecordViaFileForm(r), r);
  });
  auto copy = CopyRecordViaFileForm(mob.Units.at(0));
  copy.Armour.push_back("new");
  EXPECT_NE(copy.Armour, mob.Units[0].Armour);
}

}  // namespace
}  // namespace kelvarin
