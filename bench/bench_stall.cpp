// How long the editor's window thread stops answering while a large zone opens,
// saves and closes with the load and save on the worker thread (UseTMobThreads):
// the largest gap between ticks of a 5 ms timer on the window thread, beside the
// same timer's largest gap while the window only idles (the floor).
//
//   build-release/bin/bench-stall [RECORDS [ZONE.mob]]   (default 2000000; needs a display or Xvfb)
//
// With ZONE.mob the zone is read from that file when it is there and written to it
// otherwise, so repeated runs at millions of records skip the generation.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "program/appstate.h"
#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "mob/tmob.h"

using namespace Qt::StringLiterals;

using namespace kelvarin;

namespace {

// Ticks every 5 ms on the window thread and keeps the largest gap between ticks.
class StallMeter {
 public:
  StallMeter() {
    m_timer.setInterval(5);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
  }
  // The largest gap while `run` runs and the events it leaves behind settle.
  double WorstGapMs(const std::function<void()>& run, double& runMs) {
    m_worst = 0;
    m_clock.start();
    m_last = 0;
    m_timer.start();
    QElapsedTimer wall;
    wall.start();
    run();
    runMs = double(wall.nsecsElapsed()) / 1e6;
    QTest::qWait(500);
    Tick();
    m_timer.stop();
    return double(m_worst) / 1e6;
  }

 private:
  void Tick() {
    const qint64 now = m_clock.nsecsElapsed();
    m_worst = std::max(m_worst, now - m_last);
    m_last = now;
  }
  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = 0, m_worst = 0;
};

}  // namespace

int main(int argc, char** argv) {
  TKelvarinApplication app(argc, argv);
  const std::size_t records = argc > 1 ? std::stoul(argv[1]) : 2000000;

  QTemporaryDir dir;
  const QString kept = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  const QString zone = dir.filePath(u"zone.mob"_s);
  if (!kept.isEmpty() && QFileInfo::exists(kept)) {
    // The editor saves over the file it opened: a copy keeps the kept one as it is.
    if (!QFile::copy(kept, zone)) return 1;
  } else {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = 7});
    if (!mob.SaveFile(ToUtf8(zone))) return 1;
    if (!kept.isEmpty() && !QFile::copy(zone, kept)) return 1;
  }

  TEditor editor(ToUtf8(dir.path()), QString(), ToUtf8(dir.path()) + "/recovery");
  editor.State().Settings.UseTMobThreads = true;
  TMainF& window = editor.Window();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  StallMeter meter;
  double ms = 0;
  const double floor = meter.WorstGapMs([] { QTest::qWait(1000); }, ms);
  std::printf("window-thread stalls, zone of %zu records, UseTMobThreads=1 (largest gap between 5 ms ticks)\n",
              records);
  std::printf("  %-8s %8.1f ms (floor)\n", "idle", floor);
  const auto row = [&](const char* what, const std::function<bool()>& step) {
    bool ok = false;
    const double gap = meter.WorstGapMs([&] { ok = step(); }, ms);
    std::printf("  %-8s %8.1f ms  = %6.1fx the floor   (the step took %.0f ms)%s\n", what, gap, gap / floor, ms,
                ok ? "" : "  FAILED");
  };
  row("open", [&] { return window.OpenMob(zone); });
  row("save", [&] { return window.SaveMob(); });
  row("close", [&] { return window.CloseMob(); });
  return 0;
}
