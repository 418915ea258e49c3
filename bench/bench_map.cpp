// The zone map's work, each beside a baseline measured in the same run:
//   - a full redraw of a 200,000-record zone against one QPainter::drawPoints of
//     the same points into an image of the same size (aim: at most 2x);
//   - a pick at a point and a rectangle query selecting 1% of the records, each
//     against a linear scan of a flat array of the same points (aims: 0.01x, 0.1x);
//   - the live preview of the mass-change criteria after one edit, against the
//     engine's own matching pass over the same records (aim: at most 1.5x), with
//     an area criterion and with a name criterion only;
//   - the longest stall of the GUI thread (the largest gap between the ticks of a
//     5 ms timer) while the map's canvas shows a 2,000,000-record zone and is
//     zoomed with the wheel, panned with the keys and fitted again (aim: 100 ms).
// Drawn off screen.
//
//   ./dev.sh bench     (or build-release/bin/bench-map [RECORDS [STALL_RECORDS]])
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <QPointF>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "benchutil.h"
#include "map/core/areafields.h"
#include "map/core/criteriaselection.h"
#include "map/render/maprenderer.h"
#include "map/ui/mapcanvas.h"
#include "masschange/core/masschangeengine.h"
#include "mob/generator.h"
#include "mob/tmob.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;
using kelvarin::bench::BestPairMs;

namespace {

void Report(const char* what, double ms, const char* baseline, double baselineMs, double aim) {
  std::printf("%-58s %9.4f ms   %-22s %9.4f ms   ratio %6.3f (aim <= %g)\n", what, ms, baseline, baselineMs,
              ms / baselineMs, aim);
}

// Every record's position in one flat array: the cheapest thing a scan can walk.
std::vector<TMapPoint> FlatPoints(const TZoneIndex& zone) {
  std::vector<TMapPoint> points;
  zone.ForEachPlaced(TKindMask::All(), [&](const TMapPoint& p) { points.push_back(p); });
  return points;
}

// The engine's pass: every record of the ticked kinds asked whether it matches.
std::size_t EnginePass(TMob& mob, const MassChangeOpts& opts) {
  const TMassChanger engine(*ParseMassChange(opts, '.').plan, mob, nullptr);
  const TKindMask kinds = TickedKinds(*ParseCriteria(opts, '.').criteria);
  std::size_t n = 0;
  for (ObjKind kind : kAllObjKinds)
    if (kinds.Has(kind))
      for (std::size_t i = 0, count = mob.Count(kind); i < count; ++i) n += engine.MatchesCriteria(kind, i);
  return n;
}

// The canvas on a zone of `records` records, shown, then zoomed in and out about
// points of the picture, panned with the arrow keys and fitted again, one gesture
// every 20 ms; meanwhile a 5 ms timer notes the largest gap between its ticks.
void MeasureStall(std::size_t records) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = 3, .scriptLines = 1});
  TZoneIndex zone;
  zone.Build(mob);
  TMapCanvas canvas;
  canvas.resize(1024, 768);
  canvas.SetZone(&zone);
  canvas.FitAll();

  QElapsedTimer clock;
  double longestGap = 0, last = 0;
  QTimer ticks;
  ticks.setInterval(5);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    const double now = clock.nsecsElapsed() / 1e6;
    longestGap = std::max(longestGap, now - last);
    last = now;
  });

  std::mt19937_64 rng(9);
  std::uniform_int_distribution<int> px(0, 1023), py(0, 767);
  const auto wheel = [&](int delta) {
    const QPointF at(px(rng), py(rng));
    QWheelEvent event(at, canvas.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&canvas, &event);
  };
  const auto key = [&](int k) {
    QKeyEvent event(QEvent::KeyPress, k, {});
    QApplication::sendEvent(&canvas, &event);
  };
  std::vector<std::function<void()>> gestures;
  for (int i = 0; i < 12; ++i) gestures.push_back([&] { wheel(240); });
  for (int k : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down})
    for (int i = 0; i < 4; ++i) gestures.push_back([&key, k] { key(k); });
  for (int i = 0; i < 12; ++i) gestures.push_back([&] { wheel(-240); });
  for (int i = 0; i < 6; ++i) gestures.push_back([&] { key(Qt::Key_Minus); });
  gestures.push_back([&] { key(Qt::Key_Home); });

  QEventLoop loop;
  std::size_t next = 0;
  QTimer driver;
  driver.setInterval(20);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (next < gestures.size()) gestures[next++]();
    else loop.quit();
  });
  clock.start();
  canvas.show();
  ticks.start();
  driver.start();
  loop.exec();
  const double totalMs = clock.nsecsElapsed() / 1e6;
  std::printf("%-58s %9.1f ms   %-22s %9.1f ms   (aim <= 100 ms; %zu gestures over %.0f ms)\n",
              "longest GUI-thread stall, 2M-record zone zoomed and panned", longestGap, "timer interval", 5.0,
              gestures.size(), totalMs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
  const std::size_t stallRecords = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2000000;
  char name[] = "bench-map", option[] = "-platform", platform[] = "offscreen";
  char* qtArgv[] = {name, option, platform, nullptr};
  int qtArgc = 3;
  QApplication app(qtArgc, qtArgv);

  TMob mob;
  GenerateZone(mob, {.records = records, .seed = 11, .scriptLines = 1});
  TZoneIndex zone;
  const double buildMs = BestMs(3, [&] { zone.Build(mob); });
  std::printf("zone of %zu records, index built in %.1f ms\n", mob.TotalRecordCount(), buildMs);
  const std::vector<TMapPoint> flat = FlatPoints(zone);
  const TMapRect bounds = *zone.Bounds();

  // ---- redraw
  TMapScene scene;
  scene.zone = &zone;
  scene.view.SetViewport(1024, 1024);
  scene.view.Fit(bounds);
  TMapRenderer renderer;
  QImage image(1024, 1024, QImage::Format_ARGB32_Premultiplied);
  std::vector<QPointF> pixels;
  pixels.reserve(flat.size());
  for (const TMapPoint& p : flat) {
    const TPlanePoint px = scene.view.ToPixel(p.x, p.y);
    pixels.emplace_back(px.x, px.y);
  }
  QImage plain(1024, 1024, QImage::Format_ARGB32_Premultiplied);
  plain.fill(Qt::white);
  const auto [redrawMs, pointsMs] = BestPairMs(
      9, [&] { renderer.Render(image, scene); },
      [&] {
        QPainter p(&plain);
        p.drawPoints(pixels.data(), int(pixels.size()));
      });
  Report("full redraw of the zone (fit)", redrawMs, "drawPoints", pointsMs, 2);

  // ---- pick and rectangle query
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> x(bounds.minX, bounds.maxX), y(bounds.minY, bounds.maxY);
  constexpr int kQueries = 200;
  std::vector<TPlanePoint> at(kQueries);
  for (auto& p : at) p = {x(rng), y(rng)};
  const double radius = TMapRenderer::kPickRadiusPx * scene.view.Scale() / 8;  // zoomed in 8x
  std::size_t sink = 0;
  const double pickMs = BestMs(5, [&] {
    for (const TPlanePoint& p : at) sink += zone.PickAt(p.x, p.y, radius, TKindMask::All()).size();
  }) / kQueries;
  const double scanPickMs = BestMs(5, [&] {
    for (const TPlanePoint& p : at) {
      std::vector<TObjRef> hits;
      for (const TMapPoint& q : flat) {
        const double dx = q.x - p.x, dy = q.y - p.y;
        if (dx * dx + dy * dy <= radius * radius) hits.push_back(q.Ref());
      }
      sink += hits.size();
    }
  }) / kQueries;
  Report("pick at a point", pickMs, "linear scan", scanPickMs, 0.01);

  // A square of a tenth of the zone's side holds 1% of uniformly spread records.
  const double side = bounds.Width() / 10;
  std::vector<TMapRect> rects(kQueries);
  for (auto& r : rects) {
    const double left = bounds.minX + (bounds.Width() - side) * (x(rng) - bounds.minX) / bounds.Width();
    const double bottom = bounds.minY + (bounds.Height() - side) * (y(rng) - bounds.minY) / bounds.Height();
    r = {left, bottom, left + side, bottom + side};
  }
  std::size_t found = 0;
  const double queryMs = BestMs(5, [&] {
    found = 0;
    for (const TMapRect& r : rects) {
      std::vector<TObjRef> refs;
      zone.ForEachInRect(r, TKindMask::All(), [&](const TMapPoint& p) { refs.push_back(p.Ref()); });
      found += refs.size();
    }
  }) / kQueries;
  const double scanQueryMs = BestMs(5, [&] {
    for (const TMapRect& r : rects) {
      std::vector<TObjRef> refs;
      for (const TMapPoint& q : flat)
        if (r.Contains(q.x, q.y)) refs.push_back(q.Ref());
      sink += refs.size();
    }
  }) / kQueries;
  char what[128];
  std::snprintf(what, sizeof what, "rectangle query (%.2f%% of the records)",
                100.0 * double(found) / kQueries / double(flat.size()));
  Report(what, queryMs, "linear scan", scanQueryMs, 0.1);

  // ---- live preview after one criterion edit
  MassChangeOpts opts;
  opts.MC_KR_Type_UnitCB = opts.MC_KR_Type_ObjectCB = opts.MC_KR_Type_LeverCB = opts.MC_KR_Type_TrapCB = true;
  opts.MC_KR_Type_FlameCB = opts.MC_KR_Type_Particle1CB = opts.MC_KR_Type_Particle2CB = true;
  opts.MC_KR_Type_Particle3CB = true;
  PutArea(opts, RectangleTexts({rects[0].minX, rects[0].minY, rects[0].maxX, rects[0].maxY}, 1, '.'));
  int edit = 0;
  const auto preview = [&](MassChangeOpts& o) {
    // The edit: another X2, as if one more digit had been typed.
    o.MC_KR_Coords_Pramougl_X2Ed = DecimalTextUp(rects[0].maxX + (++edit % 10), 1, '.');
    const TCriteriaReading criteria = ParseCriteria(o, '.');
    if (!criteria.criteria) std::abort();
    sink += SelectByCriteria(mob, zone, *criteria.criteria).Total();
  };
  const auto [areaPreviewMs, areaEngineMs] =
      BestPairMs(9, [&] { preview(opts); }, [&] { sink += EnginePass(mob, opts); });
  Report("preview, rectangle criterion edited", areaPreviewMs, "engine's matching pass", areaEngineMs, 1.5);

  MassChangeOpts named = opts;
  named.MC_KR_Coords_PramouglCB = false;
  named.MC_KR_Param_Model3dCB = true;
  const auto namePreview = [&] {
    named.MC_KR_Param_Model3dEd = (++edit % 2) ? "obj/tree.mdl" : "obj/stone.mdl";
    const TCriteriaReading criteria = ParseCriteria(named, '.');
    if (!criteria.criteria) std::abort();
    sink += SelectByCriteria(mob, zone, *criteria.criteria).Total();
  };
  const auto [namePreviewMs, nameEngineMs] =
      BestPairMs(9, namePreview, [&] { sink += EnginePass(mob, named); });
  Report("preview, name criterion edited (no area)", namePreviewMs, "engine's matching pass", nameEngineMs, 1.5);

  MeasureStall(stallRecords);
  std::printf("(%zu)\n", sink % 10);
  return 0;
}
