// Copies into a target and the identity rules, checked against the document's own
// per-record identity operations.
#include <gtest/gtest.h>

#include <random>

#include "enginehost.h"

namespace kelvarin {
namespace {

using test::Common;
using test::Particle;
using test::Unit;

MassChangeOpts CopyUnits(bool replace) {
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_CopyRB = true;
  o.MC_AS_Obj_ReplaceCB = replace;
  o.MC_KR_Type_UnitCB = true;
  return o;
}

// A target holding identities 1, 2 and 4, plus a trap and a particle that share 7.
void FillTarget(TMob& target) {
  target.Objects = {Common<TObjectObjBlock>(1), Common<TObjectObjBlock>(2)};
  target.Traps = {Common<TTrapObjBlock>(7)};
  target.Particles2 = {Particle<TParticle2ObjBlock>(4), Particle<TParticle2ObjBlock>(7)};
}

TEST(MassChangeIdentity, ReplaceRemovesEveryRecordOfTheIdentity) {
  TMob source, target;
  source.Units = {Unit(7)};
  FillTarget(target);
  TMassChanger changer(test::Plan(CopyUnits(true), '.'), source, &target);
  changer.Run();
  EXPECT_EQ(changer.Counts().copied, 1u);
  EXPECT_EQ(changer.Counts().replacedInTarget, 2u);  // the trap and the particle
  ASSERT_EQ(target.Units.size(), 1u);
  EXPECT_EQ(target.Units[0], source.Units[0]);
  EXPECT_TRUE(target.Traps.empty());
  ASSERT_EQ(target.Particles2.size(), 1u);
  EXPECT_EQ(target.Particles2[0].ID, 4);
  EXPECT_EQ(target.Objects.size(), 2u);
}

TEST(MassChangeIdentity, WithoutReplaceTheCopyGetsTheLowestFreeIdentity) {
  TMob source, target;
  source.Units = {Unit(7), Unit(7), Unit(8)};
  FillTarget(target);
  TMassChanger(test::Plan(CopyUnits(false), '.'), source, &target).Run();
  ASSERT_EQ(target.Units.size(), 3u);
  EXPECT_EQ(target.Units[0].ObjectID, 3);
  EXPECT_EQ(target.Units[1].ObjectID, 5);
  EXPECT_EQ(target.Units[2].ObjectID, 8);  // no clash: keeps its identity
  EXPECT_EQ(target.Units[0].Name2, "unit_7");  // otherwise a duplicate
  EXPECT_EQ(target.Traps.size(), 1u);
  EXPECT_EQ(target.Particles2.size(), 2u);
  EXPECT_EQ(source.Units.size(), 3u);  // copy leaves the source's records
}

TEST(MassChangeIdentity, HighRangeIdentitiesAlwaysReplace) {
  for (const std::int32_t id : {1000000000, 2147483647, -1}) {
    TMob source, target;
    source.Units = {Unit(id)};
    target.Levers = {Common<TLeverObjBlock>(id), Common<TLeverObjBlock>(3)};
    TMassChanger(test::Plan(CopyUnits(false), '.'), source, &target).Run();
    ASSERT_EQ(target.Units.size(), 1u) << id;
    EXPECT_EQ(target.Units[0].ObjectID, id);
    ASSERT_EQ(target.Levers.size(), 1u) << id;
    EXPECT_EQ(target.Levers[0].ObjectID, 3);
  }
}

TEST(MassChangeIdentity, TwoSelectedRecordsWithOneIdentityLeaveTheSecond) {
  TMob source, target;
  source.Units = {Unit(5), Unit(5)};
  source.Units[0].Name2 = "first";
  source.Units[1].Name2 = "second";
  target.Units = {Unit(1)};
  TMassChanger changer(test::Plan(CopyUnits(true), '.'), source, &target);
  changer.Run();
  // The first copy gave way to the second: one copy arrived, nothing of the
  // target's own was replaced.
  EXPECT_EQ(changer.Counts().selected[int(ObjKind::Unit)], 2u);
  EXPECT_EQ(changer.Counts().copied, 1u);
  EXPECT_EQ(changer.Counts().replacedInTarget, 0u);
  ASSERT_EQ(target.Units.size(), 2u);
  EXPECT_EQ(target.Units[1].ObjectID, 5);
  EXPECT_EQ(target.Units[1].Name2, "second");
}

TEST(MassChangeIdentity, MoveTakesTheCopiedRecordsOutOfTheSource) {
  TMob source, target;
  source.Units = {Unit(1), Unit(2), Unit(3), Unit(4)};
  source.Units[1].Name1 = source.Units[2].Name1 = "go";
  MassChangeOpts o = CopyUnits(true);
  o.MC_AS_Obj_CopyRB = false;
  o.MC_AS_Obj_MoveRB = true;
  o.MC_KR_Param_Name1CB = true;
  o.MC_KR_Param_Name1Ed = "go";
  TMassChanger(test::Plan(o, '.'), source, &target).Run();
  ASSERT_EQ(source.Units.size(), 2u);
  EXPECT_EQ(source.Units[0].ObjectID, 1);
  EXPECT_EQ(source.Units[1].ObjectID, 4);
  ASSERT_EQ(target.Units.size(), 2u);
  EXPECT_EQ(target.Units[0].ObjectID, 2);
  EXPECT_EQ(target.Units[1].ObjectID, 3);
}

// The copy as the document's own operations do it, one record at a time.
template <class R>
void ReferenceCopy(const std::vector<R>& from, TMob& into, bool replaceOn) {
  for (const R& r : from) {
    std::int32_t id = r.Identity();
    const bool replace = std::uint32_t(id) >= kHighIdentityRange || replaceOn;
    bool free = into.CheckOrDeleteObjectId(id, replace);
    if (!free) {
      id = std::int32_t(into.FindFreeObjectId());
      free = id != 0;
    }
    if (!free) continue;
    R copy = CopyRecordViaFileForm(r);
    if constexpr (HasCommonFields(R::Kind)) copy.ObjectID = id;
    else copy.ID = id;
    into.List<R::Kind>().push_back(copy);
  }
}

template <class R> void RandomRecords(std::vector<R>& list, std::mt19937& rng, int count) {
  std::uniform_int_distribution<int> pick(0, 99);
  for (int i = 0; i < count; ++i) {
    const int p = pick(rng);
    // Mostly a crowded low range, so that clashes, holes and reuse all happen.
    const std::int32_t id = p < 85 ? p % 40 : p < 95 ? std::int32_t(kHighIdentityRange) + p % 3 : -p;
    R r;
    if constexpr (HasCommonFields(R::Kind)) r.ObjectID = id, r.Name2 = "r" + std::to_string(i);
    else r.ID = id, r.NameStr = "r" + std::to_string(i);
    list.push_back(r);
  }
}

TEST(MassChangeIdentity, AgreesWithTheDocumentsOwnOperations) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const bool replace = seed % 2 == 0;
    TMob source, target, expected;
    source.ForEachList([&](auto& list) { RandomRecords(list, rng, 12); });
    target.ForEachList([&](auto& list) { RandomRecords(list, rng, 6); });
    expected.ForEachList([&](auto& list) {
      list = target.List<std::decay_t<decltype(list)>::value_type::Kind>();
    });
    source.ForEachList([&](const auto& list) { ReferenceCopy(list, expected, replace); });

    MassChangeOpts o = CopyUnits(replace);
    o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
    o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = true;
    o.MC_KR_Type_Particle2CB = o.MC_KR_Type_Particle3CB = true;
    TMassChanger(test::Plan(o, '.'), source, &target).Run();

    int k = 0;
    target.ForEachList([&](const auto& list) {
      using R = typename std::decay_t<decltype(list)>::value_type;
      EXPECT_EQ(list, expected.List<R::Kind>()) << "seed " << seed << " kind " << k;
      ++k;
    });
  }
}

TEST(MassChangeIdentity, IndexAnswersLikeTheDocumentUnderAnyMixOfCalls) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    TMob indexed, plain;
    indexed.ForEachList([&](auto& list) { RandomRecords(list, rng, 8); });
    plain.ForEachList([&](auto& list) {
      list = indexed.List<std::decay_t<decltype(list)>::value_type::Kind>();
    });
    TIdentityIndex index(indexed);
    std::uniform_int_distribution<int> op(0, 3), id(-2, 45);
    for (int step = 0; step < 300; ++step) {
      const std::int32_t value = id(rng);
      switch (op(rng)) {
        case 0:
          ASSERT_EQ(index.CheckOrDeleteObjectId(value, false), plain.CheckOrDeleteObjectId(value, false));
          break;
        case 1:
          ASSERT_EQ(index.CheckOrDeleteObjectId(value, true), plain.CheckOrDeleteObjectId(value, true));
          break;
        case 2:
          ASSERT_EQ(index.FindFreeObjectId(), plain.FindFreeObjectId()) << "seed " << seed;
          break;
        default:
          index.Append(Particle<TParticle3ObjBlock>(value));
          plain.Particles3.push_back(Particle<TParticle3ObjBlock>(value));
      }
    }
    index.Compact();
    indexed.ForEachList([&](const auto& list) {
      EXPECT_EQ(list, plain.List<std::decay_t<decltype(list)>::value_type::Kind>()) << "seed " << seed;
    });
  }
}

}  // namespace
}  // namespace kelvarin
