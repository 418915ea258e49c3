// Areas drawn on the map written into the mass-change options: the fields in the
// order the engine reads them, plain decimals the option check accepts in either
// separator, rounded outwards so that a run selects every record inside the drawn
// shape.
#include <gtest/gtest.h>

#include <cfloat>
#include <random>

#include "common/textchecks.h"
#include "map/core/areafields.h"
#include "map/core/criteriaselection.h"
#include "masschange/core/masschangeengine.h"
#include "masschange/core/masschangeplan.h"
#include "mapzones.h"

namespace kelvarin {
namespace {

// The criteria the options state; they must read.
TSelectionCriteria Criteria(const MassChangeOpts& opts, char sep) {
  TCriteriaReading reading = ParseCriteria(opts, sep);
  EXPECT_TRUE(reading.criteria) << reading.error;
  return reading.criteria.value_or(TSelectionCriteria{});
}

TEST(AreaFields, RectangleFromAnyCornerFillsX1Y1X2Y2AsTheEngineReadsThem) {
  const TAreaRectangle corners[] = {{-10.04, 20.01, 30.06, -40.5}, {30.06, -40.5, -10.04, 20.01},
                                   {-10.04, -40.5, 30.06, 20.01}, {30.06, 20.01, -10.04, -40.5}};
  for (const TAreaRectangle& drawn : corners) {
    const TRectangleFieldTexts t = RectangleTexts(drawn, 1, ',');
    EXPECT_EQ(t.x1, "-10,1");  // lower bound of x, rounded down
    EXPECT_EQ(t.y1, "20,1");   // upper bound of y, rounded up
    EXPECT_EQ(t.x2, "30,1");
    EXPECT_EQ(t.y2, "-40,5");  // already round
  }
  MassChangeOpts opts;
  PutArea(opts, TCircleFieldTexts{"1", "2", "3"});
  opts.MC_KR_Coords_Pramougl_X1Ed = "old";
  PutArea(opts, RectangleTexts(corners[1], 0, '.'));
  EXPECT_TRUE(opts.MC_KR_Coords_PramouglCB);
  EXPECT_EQ(opts.MC_KR_Coords_Pramougl_X1Ed, "-11");
  EXPECT_EQ(opts.MC_KR_Coords_Pramougl_Y1Ed, "21");
  EXPECT_EQ(opts.MC_KR_Coords_Pramougl_X2Ed, "31");
  EXPECT_EQ(opts.MC_KR_Coords_Pramougl_Y2Ed, "-41");
  // The circle already there stays; a new circle replaces it.
  EXPECT_TRUE(opts.MC_KR_Coords_KrugCB);
  EXPECT_EQ(opts.MC_KR_Coords_Krug_RadEd, "3");
  PutArea(opts, CircleTexts({5, 6, 7}, 0, '.'));
  EXPECT_EQ(opts.MC_KR_Coords_Krug_XEd, "5");
  EXPECT_EQ(opts.MC_KR_Coords_Krug_RadEd, "7");
  ASSERT_TRUE(RectangleOf(Criteria(opts, '.')).has_value());
  EXPECT_EQ(RectangleOf(Criteria(opts, '.'))->y2, -41);
}

TEST(AreaFields, RoundingOutwardsAtEveryPlaceAndEdge) {
  const struct {
    double value;
    int decimals;
    const char* down;
    const char* up;
  } cases[] = {
      {12.34, 1, "12.3", "12.4"},
      {-12.34, 1, "-12.4", "-12.3"},
      {-0.04, 1, "-0.1", "0.0"},  // no "-0"
      {0.04, 1, "0.0", "0.1"},
      {9.99, 1, "9.9", "10.0"},
      {-9.99, 1, "-10.0", "-9.9"},
      {100, 0, "100", "100"},
      {0.1, 1, "0.1", "0.1"},  // 0.1 as the engine reads it
      {99.5, 0, "99", "100"},
      {1e30, 0, "1000000000000000019884624838656", "1000000000000000019884624838656"},
      {DBL_MAX, 2, "340282346638528859811704183484516925440.00", "340282346638528859811704183484516925440.00"},
      {-1e300, 0, "-340282346638528859811704183484516925440", "-340282346638528859811704183484516925440"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(DecimalTextDown(c.value, c.decimals, '.'), c.down);
    EXPECT_EQ(DecimalTextUp(c.value, c.decimals, '.'), c.up);
  }
  EXPECT_EQ(AreaDecimals(25), 0);
  EXPECT_EQ(AreaDecimals(0.05), 2);
  EXPECT_EQ(AreaDecimals(1e-12), 6);
  EXPECT_EQ(AreaDecimals(std::numeric_limits<double>::quiet_NaN()), 0);

  // Random values in both separators: no float at or beyond the value lies
  // outside the bound, the bound is within one unit of the last place, and every
  // text passes the option check.
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> value(-1e6, 1e6);
  for (int i = 0; i < 3000; ++i) {
    const double v = i % 3 ? value(rng) : value(rng) * 1e-5;
    const int decimals = i % 7;
    const char sep = i % 2 ? ',' : '.';
    const std::string down = DecimalTextDown(v, decimals, sep), up = DecimalTextUp(v, decimals, sep);
    ASSERT_TRUE(CheckStrFloat(down, sep) && CheckStrFloat(up, sep)) << down << " " << up;
    const long double d = *ConvertExtended(down, sep), u = *ConvertExtended(up, sep);
    const float f = float(v);
    const float above = double(f) >= v ? f : std::nextafter(f, FLT_MAX);
    const float below = double(f) <= v ? f : std::nextafter(f, -FLT_MAX);
    ASSERT_LE(d, above) << down;
    ASSERT_GE(u, below) << up;
    ASSERT_LT(v - d, std::pow(10.0, -decimals) * 1.000001) << down;
    ASSERT_LT(u - v, std::pow(10.0, -decimals) * 1.000001) << up;
  }
}

TEST(AreaFields, AWrittenShapeSelectsEveryRecordInsideTheDrawnOne) {
  TMob mob;
  test::Zone(mob, 3000, 8);
  test::ScatterAwkwardly(mob, 8);
  TZoneIndex index;
  index.Build(mob);
  std::mt19937_64 rng(8);
  std::uniform_real_distribution<double> place(-700, 700), size(0, 400);
  for (int i = 0; i < 60; ++i) {
    const char sep = i % 2 ? ',' : '.';
    const int decimals = i % 4;
    MassChangeOpts opts;
    opts.MC_KR_Type_UnitCB = opts.MC_KR_Type_ObjectCB = opts.MC_KR_Type_TrapCB = true;
    opts.MC_KR_Type_Particle1CB = opts.MC_KR_Type_Particle2CB = true;
    const bool circle = i % 3 == 0;
    const TAreaRectangle rect{place(rng), place(rng), place(rng), place(rng)};
    const TAreaCircle disc{place(rng), place(rng), size(rng)};
    if (circle) PutArea(opts, CircleTexts(disc, decimals, sep));
    else PutArea(opts, RectangleTexts(rect, decimals, sep));
    ASSERT_EQ(ParseMassChange(opts, sep).error, "");
    const TCriteriaSelection selected = SelectByCriteria(mob, index, Criteria(opts, sep));
    std::set<std::pair<int, std::size_t>> chosen;
    for (const TObjRef& r : selected.records) chosen.insert({int(r.kind), r.index});
    // Inside the drawn shape in exact arithmetic: selected.
    const TKindMask kinds = TickedKinds(Criteria(opts, sep));
    index.ForEachPlaced(kinds, [&](const TMapPoint& p) {
      const double x = p.x, y = p.y;
      const bool inside = circle ? (x - disc.x) * (x - disc.x) + (y - disc.y) * (y - disc.y) < disc.radius * disc.radius
                                 : std::min(rect.x1, rect.x2) <= x && x <= std::max(rect.x1, rect.x2) &&
                                       std::min(rect.y1, rect.y2) <= y && y <= std::max(rect.y1, rect.y2);
      if (inside) {
        EXPECT_TRUE(chosen.count({int(p.kind), p.index})) << i << ": " << x << " " << y;
      }
    });
  }
}

}  // namespace
}  // namespace kelvarin
