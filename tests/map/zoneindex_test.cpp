// The zone index against a walk over every record: rectangle and circle queries,
// picking where markers overlap, records without a place, and moves (with the
// rebuild that many moves bring).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

#include "map/core/pickcycle.h"
#include "map/core/zoneindex.h"
#include "mapzones.h"

namespace kelvarin {
namespace {

using RefSet = std::set<std::tuple<int, std::size_t>>;

RefSet Key(const std::vector<TObjRef>& refs) {
  RefSet set;
  for (const TObjRef& r : refs) set.insert({int(r.kind), r.index});
  return set;
}

// Every record whose position, as the document holds it, passes `inside`.
template <class F> RefSet Scan(const TMob& mob, TKindMask kinds, F inside) {
  RefSet set;
  for (ObjKind kind : kAllObjKinds) {
    if (!kinds.Has(kind)) continue;
    for (std::size_t i = 0; i < mob.Count(kind); ++i) {
      const TPlanePosition p = *ReadPlanePosition(mob, {kind, i});
      if (std::isfinite(p.x) && std::isfinite(p.y) && inside(double(p.x), double(p.y))) set.insert({int(kind), i});
    }
  }
  return set;
}

template <class Query> RefSet Collect(Query query) {
  RefSet set;
  query([&](const TMapPoint& p) { set.insert({int(p.kind), p.index}); });
  return set;
}

TEST(ZoneIndex, QueriesFindWhatAWalkOverEveryRecordFinds) {
  for (std::uint64_t seed : {1, 2, 3}) {
    TMob mob;
    test::Zone(mob, 3000, seed);
    test::ScatterAwkwardly(mob, seed);
    TZoneIndex index;
    index.Build(mob);
    TKindMask kinds = TKindMask::All();
    kinds.Set(ObjKind::Lever, false);
    const TMapRect rects[] = {{-100, -100, 100, 100}, {0, -10, 10, 0}, {299.9, 299.9, 300.1, 300.1},
                             {-1e38, -1, 1e38, 1}, {5, -5, 5, -5}, {10, 10, -10, -10}};
    for (const TMapRect& r : rects) {
      SCOPED_TRACE(testing::Message() << seed << ": " << r.minX << " " << r.minY << " " << r.maxX << " " << r.maxY);
      EXPECT_EQ(Collect([&](auto f) { index.ForEachInRect(r, kinds, f); }),
                Scan(mob, kinds, [&](double x, double y) { return r.Contains(x, y); }));
    }
    const struct {
      double x, y, r;
    } circles[] = {{0, 0, 100}, {5, -5, 0}, {300, 300, 0.05}, {0, 0, 1e34}, {10, 10, 10}};
    for (const auto& c : circles) {
      SCOPED_TRACE(testing::Message() << seed << ": circle " << c.x << " " << c.y << " " << c.r);
      EXPECT_EQ(Collect([&](auto f) { index.ForEachInCircle(c.x, c.y, c.r, kinds, f); }),
                Scan(mob, kinds, [&](double x, double y) {
                  return (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= c.r * c.r;
                }));
    }
  }
}

TEST(ZoneIndex, RecordsWithoutAPlaceAreListedNotIndexed) {
  TMob mob;
  test::Zone(mob, 40, 9);
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  mob.Units[1].LoadX = nan;
  mob.Particles2[0].CoordY = -inf;
  mob.Flames[0].LoadX = inf;
  mob.Flames[0].CoordX = 0;  // a flame stands at LoadX/LoadY, whatever its CoordX says
  TZoneIndex index;
  index.Build(mob);
  EXPECT_EQ(Key(index.Unplaced()),
            (RefSet{{int(ObjKind::Unit), 1}, {int(ObjKind::Flame), 0}, {int(ObjKind::Particle2), 0}}));
  EXPECT_EQ(index.PlacedCount() + 3, mob.TotalRecordCount());
  EXPECT_EQ(index.Count(ObjKind::Unit), mob.Units.size());
  EXPECT_EQ(Collect([&](auto f) { index.ForEachInRect({-1e39, -1e39, 1e39, 1e39}, TKindMask::All(), f); }).size(),
            mob.TotalRecordCount() - 3);
  const TMapRect bounds = *index.Bounds();
  EXPECT_TRUE(std::isfinite(bounds.minX) && std::isfinite(bounds.maxY));
}

// A document whose records stay in its file image (the map command loads so) is
// indexed as its decoded lists are: every record at the same place, the same
// records without one.
TEST(ZoneIndex, RecordsLeftInTheFileImageAreIndexedAsTheDecodedLists) {
  TMob source;
  test::Zone(source, 500, 4);
  test::ScatterAwkwardly(source, 4);
  source.Units[3].LoadY = std::numeric_limits<float>::quiet_NaN();
  source.Particles3[0].CoordX = std::numeric_limits<float>::infinity();
  Bytes image;
  ASSERT_TRUE(source.BuildImage(image));
  TMob lists, kept;
  kept.RecordsStayInImage = true;
  ASSERT_TRUE(lists.LoadImage(image));
  ASSERT_TRUE(kept.LoadImage(image));
  ASSERT_TRUE(lists.Units.size() > 3 && kept.Units.empty());

  TZoneIndex fromLists, fromImage;
  fromLists.Build(lists);
  fromImage.Build(kept);
  EXPECT_TRUE(fromImage.Fits(lists));
  EXPECT_EQ(fromImage.Unplaced(), fromLists.Unplaced());
  EXPECT_GE(fromImage.Unplaced().size(), 2u);
  EXPECT_EQ(fromImage.Bounds(), fromLists.Bounds());
  std::size_t differ = 0;
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 0; i < lists.Count(kind); ++i) {
      const TPlanePosition a = *fromImage.Position({kind, i}), b = *fromLists.Position({kind, i});
      differ += std::memcmp(&a, &b, sizeof a) != 0 ? 1 : 0;
    }
  EXPECT_EQ(differ, 0u);
}

TEST(ZoneIndex, PickingReturnsEveryOverlappingRecordNearestFirst) {
  TMob mob;
  test::Zone(mob, 16, 1);
  mob.ForEachList([](auto& list) { list.clear(); });
  mob.Units.resize(2);
  mob.Objects.resize(1);
  mob.Particles1.resize(1);
  mob.Units[0].LoadX = 10.5f;  // a little off the click
  mob.Units[1].LoadX = 10;     // right on it, like the object and the particle
  mob.Objects[0].LoadX = 10;
  mob.Particles1[0].CoordX = 10;
  TZoneIndex index;
  index.Build(mob);
  const std::vector<TObjRef> expected = {
      {ObjKind::Unit, 1}, {ObjKind::Object, 0}, {ObjKind::Particle1, 0}, {ObjKind::Unit, 0}};
  EXPECT_EQ(index.PickAt(10, 0, 1, TKindMask::All()), expected);
  TKindMask noUnits = TKindMask::All();
  noUnits.Set(ObjKind::Unit, false);
  EXPECT_EQ(index.PickAt(10, 0, 1, noUnits), (std::vector<TObjRef>{{ObjKind::Object, 0}, {ObjKind::Particle1, 0}}));
  EXPECT_TRUE(index.PickAt(20, 0, 1, TKindMask::All()).empty());

  // Repeated clicks at one place go round the records under the cursor.
  TPickCycle cycle;
  std::vector<TObjRef> chosen;
  for (int i = 0; i < 5; ++i) chosen.push_back(*cycle.Click(100 + i % 2, 50, index.PickAt(10, 0, 1, TKindMask::All())));
  EXPECT_EQ(chosen, (std::vector<TObjRef>{expected[0], expected[1], expected[2], expected[3], expected[0]}));
  // A click elsewhere starts with the nearest again.
  EXPECT_EQ(*cycle.Click(300, 50, {expected[3], expected[0]}), expected[3]);
  EXPECT_FALSE(cycle.Click(300, 50, {}).has_value());
}

// A query over a wide rectangle finds what a scan of the records finds; the
// records without a place are those the index lists as unplaced.
RefSet ExpectQueriesMatchAScan(const TZoneIndex& index, const TMob& mob) {
  const TMapRect r{-5000, -7000, 9000, 3000};
  EXPECT_EQ(Collect([&](auto f) { index.ForEachInRect(r, TKindMask::All(), f); }),
            Scan(mob, TKindMask::All(), [&](double x, double y) { return r.Contains(x, y); }));
  RefSet unplaced;
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 0; i < mob.Count(kind); ++i)
      if (!std::isfinite(ReadPlanePosition(mob, {kind, i})->x)) unplaced.insert({int(kind), i});
  EXPECT_EQ(Key(index.Unplaced()), unplaced);
  return unplaced;
}

TEST(ZoneIndex, MovedRecordsAreFoundWhereTheyAreNowAlsoAfterARebuild) {
  TMob mob;
  test::Zone(mob, 5000, 4);
  TZoneIndex index;
  index.Build(mob);
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> where(-20000, 20000);
  // Enough moves to outgrow the list of moved records more than once; some go to
  // NaN and back, some back to where they were.
  for (int step = 0; step < 4000; ++step) {
    const ObjKind kind = kAllObjKinds[step % kObjKindCount];
    if (mob.Count(kind) == 0) continue;
    const TObjRef ref{kind, std::size_t(rng()) % mob.Count(kind)};
    const TPlanePosition before = *ReadPlanePosition(mob, ref);
    TPlanePosition to{where(rng), where(rng)};
    if (step % 7 == 0) to.x = std::numeric_limits<float>::quiet_NaN();
    WritePlanePosition(mob, ref, to);
    index.Update(ref, to);
    if (step % 5 == 0) {
      WritePlanePosition(mob, ref, before);
      index.Update(ref, before);
    }
  }
  ExpectQueriesMatchAScan(index, mob);
  const TObjRef some{ObjKind::Object, 3};
  EXPECT_EQ(index.Position(some)->x, ReadPlanePosition(mob, some)->x);
  EXPECT_FALSE(index.Position({ObjKind::Object, mob.Objects.size()}).has_value());
}

TEST(ZoneIndex, MovesMadeBehindItsBackAreFollowedInOnePassAndNothingElseChanges) {
  TMob mob;
  test::Zone(mob, 3000, 6);
  TZoneIndex index;
  index.Build(mob);
  ASSERT_TRUE(index.Fits(mob));
  EXPECT_EQ(index.FollowMoves(mob), 0u);  // a save, say: nothing moved

  // A record moved, one lost its place, one found one.
  const TObjRef moved{ObjKind::Unit, 2}, lost{ObjKind::Lever, 0}, found{ObjKind::Flame, 1};
  WritePlanePosition(mob, moved, {123.5f, -77.25f});
  WritePlanePosition(mob, lost, {std::numeric_limits<float>::infinity(), 0});
  WritePlanePosition(mob, found, {std::numeric_limits<float>::quiet_NaN(), 5});
  EXPECT_EQ(index.FollowMoves(mob), 3u);
  WritePlanePosition(mob, found, {9, 9});
  EXPECT_EQ(index.FollowMoves(mob), 1u);
  EXPECT_EQ(index.FollowMoves(mob), 0u);  // NaN and infinite positions compare as themselves

  EXPECT_TRUE(ExpectQueriesMatchAScan(index, mob).count({int(lost.kind), lost.index}));
  EXPECT_EQ(index.Position(moved), ReadPlanePosition(mob, moved));

  mob.DeleteRecord(ObjKind::Unit, 0);
  EXPECT_FALSE(index.Fits(mob));
}

}  // namespace
}  // namespace kelvarin
