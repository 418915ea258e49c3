// The map's picture: each kind in its own colour, kinds hidden and shown, the
// level of detail as the records in view grow many, the selected record and the
// records a mass change would select marked, and shapes and records at the far
// ends of the float range drawn without harm.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cfloat>
#include <memory>

#include "map/render/maprenderer.h"
#include "map/render/mapstyle.h"
#include "mapzones.h"

namespace kelvarin {
namespace {

class MapRender : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static char name[] = "map_tests", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static int argc = 3;
    if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
  }
  // Before the program's own statics go: Qt's teardown still needs them.
  static void TearDownTestSuite() { app.reset(); }

  // A zone with one unit at (-50, 0), one object at (50, 0) and one particle of
  // type 1 at (0, 50), shown at one world unit per pixel around the origin.
  void ThreeRecords() {
    test::Zone(mob, 16, 1);
    mob.ForEachList([](auto& list) { list.clear(); });
    mob.Units.resize(1);
    mob.Objects.resize(1);
    mob.Particles1.resize(1);
    mob.Units[0].LoadX = -50;
    mob.Objects[0].LoadX = 50;
    mob.Particles1[0].CoordY = 50;
    zone.Build(mob);
    scene.zone = &zone;
    scene.grid = false;
    scene.view.SetViewport(200, 200);
    scene.view.CentreOn(0, 0);
    scene.view.SetScale(1);
  }

  // Pixels of exactly `colour` within `radius` of the world point (x, y).
  int Count(const QImage& image, double x, double y, QRgb colour, int radius = 6) const {
    const TPlanePoint p = scene.view.ToPixel(x, y);
    int n = 0;
    for (int yy = int(p.y) - radius; yy <= int(p.y) + radius; ++yy)
      for (int xx = int(p.x) - radius; xx <= int(p.x) + radius; ++xx)
        if (image.rect().contains(xx, yy) && image.pixel(xx, yy) == colour) ++n;
    return n;
  }

  static inline std::unique_ptr<QGuiApplication> app;
  TMob mob;
  TZoneIndex zone;
  TMapScene scene;
  TMapRenderer renderer;
};

TEST_F(MapRender, EachKindInItsColourAndHiddenKindsNotAtAll) {
  ThreeRecords();
  const QRgb unit = KindStyle(ObjKind::Unit).colour, object = KindStyle(ObjKind::Object).colour;
  QImage image = renderer.Render(scene);
  EXPECT_EQ(image.size(), QSize(200, 200));
  EXPECT_EQ(renderer.LastDetail(), MarkerDetail::Markers);
  EXPECT_GT(Count(image, -50, 0, unit), 10);
  EXPECT_GT(Count(image, 50, 0, object), 10);
  EXPECT_EQ(Count(image, -50, 0, object), 0);
  EXPECT_GT(Count(image, 0, 50, KindStyle(ObjKind::Particle1).colour), 3);

  scene.visible.Set(ObjKind::Unit, false);
  image = renderer.Render(scene);
  EXPECT_EQ(Count(image, -50, 0, unit), 0);
  EXPECT_GT(Count(image, 50, 0, object), 10);
  EXPECT_EQ(renderer.LastVisibleCount(), 2u);
  scene.visible.Set(ObjKind::Unit, true);
  image = renderer.Render(scene);
  EXPECT_GT(Count(image, -50, 0, unit), 10);
}

TEST_F(MapRender, SelectionAndTheCriteriaSelectionAreMarked) {
  ThreeRecords();
  const std::vector<TObjRef> selected = {{ObjKind::Object, 0}};
  scene.highlighted = &selected;
  scene.selected = TObjRef{ObjKind::Unit, 0};
  const QImage image = renderer.Render(scene);
  EXPECT_GT(Count(image, -50, 0, map_colours::kSelection, 10), 5);
  EXPECT_EQ(Count(image, 50, 0, map_colours::kSelection, 10), 0);
  EXPECT_GT(Count(image, 50, 0, map_colours::kHighlight, 10), 5);
  EXPECT_EQ(Count(image, -50, 0, map_colours::kHighlight, 10), 0);
}

TEST_F(MapRender, DetailFallsFromMarkersToDotsToPixelsAsRecordsInViewGrow) {
  test::Zone(mob, 500000, 3);
  zone.Build(mob);
  scene.zone = &zone;
  scene.view.SetViewport(800, 600);
  scene.view.Fit(*zone.Bounds());
  renderer.Render(scene);
  EXPECT_EQ(renderer.LastDetail(), MarkerDetail::Pixels);
  scene.visible = TKindMask::Of(ObjKind::Unit);
  renderer.Render(scene);
  EXPECT_LE(renderer.LastVisibleCount(), TMapRenderer::kDotLimit);
  EXPECT_EQ(renderer.LastDetail(), MarkerDetail::Dots);
  scene.view.ZoomAbout(400, 300, 20);
  renderer.Render(scene);
  EXPECT_EQ(renderer.LastDetail(), MarkerDetail::Markers);
  EXPECT_GT(renderer.LastVisibleCount(), 0u);
}

TEST_F(MapRender, FarOffRecordsAndHugeShapesDrawWithoutHarm) {
  test::Zone(mob, 3000, 5);
  test::ScatterAwkwardly(mob, 5);
  zone.Build(mob);
  scene.zone = &zone;
  scene.legend = true;
  scene.view.SetViewport(640, 480);
  const std::vector<TObjRef> all = zone.Unplaced();  // records without a place: never drawn
  scene.highlighted = &all;
  scene.shapes = {{TAreaRectangle{-FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX}, false},
                  {TAreaCircle{1e30, -1e30, 3e38}, false},
                  {TAreaCircle{0, 0, 1e-3}, true},
                  {TAreaRectangle{10, -10, -10, 10}, false}};
  for (double scale : {1e-6, 1.0, 1e30, 1e38}) {
    for (double centre : {0.0, 1e30, -3e38}) {
      scene.view.CentreOn(centre, 0);
      scene.view.SetScale(scale);
      const QImage image = renderer.Render(scene);
      EXPECT_EQ(image.size(), QSize(640, 480));
    }
  }
  scene.view.Fit(*zone.Bounds());
  EXPECT_EQ(renderer.Render(scene).size(), QSize(640, 480));
}

}  // namespace
}  // namespace kelvarin
