// The map's view: world to pixels and back at many zooms and magnitudes, zooming
// about the cursor, fitting a zone, and values that are not numbers; and the grid
// with its labels.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "map/core/mapgrid.h"
#include "map/core/maptransform.h"

namespace kelvarin {
namespace {

TEST(MapTransform, PixelsAndWorldRoundTripAtManyZoomsAndMagnitudes) {
  for (double centre : {0.0, 1234.5, -1e7, 3e20, -3e38}) {
    for (double scale : {1e-3, 0.25, 1.0, 40.0, 1e12, 1e36}) {
      TMapTransform view;
      view.SetViewport(800, 600);
      view.CentreOn(centre, -centre / 2);
      view.SetScale(scale);
      SCOPED_TRACE(testing::Message() << "centre " << centre << " scale " << view.Scale());
      // The centre of the world is the centre of the picture; y grows upwards.
      const TPlanePoint mid = view.ToPixel(view.Centre().x, view.Centre().y);
      EXPECT_NEAR(mid.x, 400, 1e-6);
      EXPECT_NEAR(mid.y, 300, 1e-6);
      EXPECT_LT(view.ToPixel(view.Centre().x, view.Centre().y + view.Scale() * 10).y, 300);
      for (TPlanePoint px : {TPlanePoint{0, 0}, TPlanePoint{799.5, 13}, TPlanePoint{-250, 900}}) {
        const TPlanePoint w = view.ToWorld(px.x, px.y);
        const TPlanePoint back = view.ToPixel(w.x, w.y);
        EXPECT_NEAR(back.x, px.x, 1e-3);
        EXPECT_NEAR(back.y, px.y, 1e-3);
      }
      // A pixel never spans less than what floats can tell apart there.
      EXPECT_GE(view.Scale(), std::fabs(view.Centre().x) * 0x1p-26);
    }
  }
}

TEST(MapTransform, ZoomKeepsThePointUnderTheCursorAndFitShowsEverything) {
  TMapTransform view;
  view.SetViewport(1000, 500);
  view.Fit({-10000, -2000, 10000, 2000});
  const TMapRect seen = view.VisibleWorld();
  EXPECT_LE(seen.minX, -10000);
  EXPECT_GE(seen.maxX, 10000);
  EXPECT_LE(seen.minY, -2000);
  EXPECT_GE(seen.maxY, 2000);
  EXPECT_LT(seen.Width(), 25000);  // and not much more

  const TPlanePoint under = view.ToWorld(123, 321);
  for (double factor : {1.25, 8.0, 0.01, 1e9}) {
    view.ZoomAbout(123, 321, factor);
    const TPlanePoint now = view.ToWorld(123, 321);
    EXPECT_NEAR(now.x, under.x, view.Scale());
    EXPECT_NEAR(now.y, under.y, view.Scale());
  }
  const double scale = view.Scale();
  view.PanPixels(10, -20);
  EXPECT_NEAR(view.ToWorld(133, 301).x, under.x, scale);  // the plane follows the hand
  EXPECT_NEAR(view.ToWorld(133, 301).y, under.y, scale);
}

TEST(MapTransform, OnePointNoPointsAndValuesThatAreNotNumbers) {
  TMapTransform view;
  view.SetViewport(400, 400);
  view.Fit({7, 7, 7, 7});
  EXPECT_EQ(view.Centre(), (TPlanePoint{7, 7}));
  EXPECT_GT(view.Scale(), 0);
  view.Fit({FLT_MAX, -FLT_MAX, FLT_MAX, FLT_MAX});
  EXPECT_TRUE(std::isfinite(view.Scale()));
  view.Fit({-FLT_MAX, -FLT_MAX, FLT_MAX, FLT_MAX});
  EXPECT_TRUE(view.VisibleWorld().Contains(FLT_MAX, -FLT_MAX));

  const TMapTransform before = view;
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  view.Fit({nan, 0, 1, 1});
  view.Fit({0, 0, inf, 1});
  view.CentreOn(nan, 1);
  view.ZoomAbout(10, 10, nan);
  view.ZoomAbout(inf, 10, 2);
  view.PanPixels(nan, 0);
  view.SetScale(-1);
  view.SetScale(inf);
  EXPECT_EQ(view, before);
  view.SetViewport(0, -5);
  EXPECT_EQ(view.Width(), 1);
}

TEST(TMapGrid, RoundStepsWithDistinctLabelsAtAnyMagnitude) {
  TMapTransform view;
  view.SetViewport(1000, 800);
  view.CentreOn(0, 0);
  view.SetScale(1);
  TMapGrid grid = ComputeMapGrid(view, 80, ',');
  EXPECT_EQ(grid.step, 100);
  ASSERT_FALSE(grid.vertical.empty());
  EXPECT_EQ(grid.vertical.front().label, "-500");
  const auto axis = std::find_if(grid.vertical.begin(), grid.vertical.end(), [](const auto& l) { return l.axis; });
  ASSERT_NE(axis, grid.vertical.end());
  EXPECT_NEAR(axis->pixel, 500, 1e-9);
  EXPECT_GT(grid.horizontal.front().value, grid.horizontal.back().value);  // top to bottom

  view.SetScale(0.004);
  grid = ComputeMapGrid(view, 80, ',');
  EXPECT_DOUBLE_EQ(grid.step, 0.5);
  EXPECT_EQ(grid.vertical.front().label, "-2,0");
  EXPECT_EQ(grid.vertical[1].label, "-1,5");

  for (double centre : {1e15, -7e25, 3e38}) {
    view.CentreOn(centre, centre);
    view.SetScale(view.MinScale());
    grid = ComputeMapGrid(view, 80, '.');
    ASSERT_GE(grid.vertical.size(), 2u) << centre;
    for (std::size_t i = 1; i < grid.vertical.size(); ++i)
      EXPECT_NE(grid.vertical[i].label, grid.vertical[i - 1].label) << centre;
  }
  EXPECT_EQ(MapCoordinateText(1.5e20, 1e19, '.'), "1.5e+20");
}

}  // namespace
}  // namespace kelvarin
