// What the editor costs while the user only looks: the share of one core the
// whole process uses, idle for a while on each page with a zone open, beside an
// empty window idle for as long in the same run (the floor every Qt window pays).
//
//   build-release/bin/bench-idle [SECONDS_PER_PAGE] [RECORDS]   (needs a display or Xvfb)
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "common/qt/qtext.h"
#include "mob/generator.h"

using namespace Qt::StringLiterals;

using namespace kelvarin;

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Percent of one core used while the event loop idles for `seconds`.
double IdlePercent(double seconds) {
  QTest::qWait(1000);  // whatever showing the page set off settles first
  const double cpu0 = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QTest::qWait(int(seconds * 1000));
  return 100.0 * (CpuSeconds() - cpu0) / (double(wall.nsecsElapsed()) * 1e-9);
}

void Row(const QString& what, double percent, double floor) {
  std::printf("  %s %6.2f %% of one core   x%.1f\n", qPrintable(what.leftJustified(24)), percent,
              percent / std::max(floor, 0.01));
}

}  // namespace

int main(int argc, char** argv) {
  TKelvarinApplication app(argc, argv);
  const double seconds = argc > 1 ? std::stod(argv[1]) : 10.0;
  const std::size_t records = argc > 2 ? std::stoul(argv[2]) : 2000;

  QTemporaryDir dir;
  const QString zone = dir.filePath(u"zone.mob"_s);
  {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = 7});
    mob.SaveFile(ToUtf8(zone));
  }

  double floor = 0;
  {
    QMainWindow empty;
    empty.resize(839, 555);
    empty.show();
    if (!QTest::qWaitForWindowExposed(&empty)) return 1;
    floor = IdlePercent(seconds);
  }
  std::printf("idle for %.0f s per page, %zu records\n", seconds, records);
  Row(u"empty window (baseline)"_s, floor, floor);

  TEditor editor(ToUtf8(dir.path()), zone, ToUtf8(dir.path()) + "/recovery");
  TMainF& window = editor.Window();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  for (int waited = 0; !window.MobOpened() && waited < 20000; waited += 50) QTest::qWait(50);
  if (!window.MobOpened()) return 1;
  QTabWidget* pages = window.Pages();
  for (int i = 0; i < pages->count(); ++i) {
    pages->setCurrentIndex(i);
    Row(pages->tabText(i), IdlePercent(seconds), floor);
  }
  return 0;
}
