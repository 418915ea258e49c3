// How long the editor takes to open a zone until every page is ready, beside
// `kelvarin-cli info` of the same file (one pass over the file's framing, run as a
// process of its own) measured in turns with it.
//
//   build-release/bin/bench-open [--runs N] [RECORDS|ZONE.mob]...
//     (default 200000 2000000; needs a display or Xvfb)
//
// The editor is driven in this process: its window is shown with every page built,
// and each run calls the window's own open (what File > Open does once a file is
// chosen) and counts until it has returned and the events it left behind are
// handled: the title names the zone, the objects tree is filled, the map indexed,
// the Blocks page's picture taken. Start-up is not counted (bench-startup measures
// it). "filter" is the time until the objects filter's index, built in slices
// while the window idles, is complete as well. Each open runs with UseTMobThreads
// off (the window waits for the whole open) and on (a worker loads while a 5 ms
// timer on the window thread measures its longest stop). Between runs the zone is
// closed and the process left to finish freeing it, untimed.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "benchprocess.h"
#include "common/qt/qtext.h"
#include "objects/ui/objectstreemodel.h"
#include "program/appstate.h"

using namespace Qt::StringLiterals;
using namespace kelvarin;
using namespace kelvarin::bench;
namespace fs = std::filesystem;

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Pumps events until the process has used (nearly) no processor for a while: a
// closed zone is freed on a thread of its own, which must not run into the next
// measurement.
void WaitUntilQuiet() {
  for (int i = 0; i < 400; ++i) {
    const double before = CpuSeconds();
    QTest::qWait(100);
    if (CpuSeconds() - before < 0.01) return;
  }
}

// Runs `argv` with its output discarded and returns its wall time in ms, or a
// negative number when it failed. Spawned rather than forked: a fork copies this
// process's page tables, which grow with the zone just freed.
double SpawnMs(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  QElapsedTimer clock;
  clock.start();
  pid_t pid = 0;
  const int err = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (err != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return double(clock.nsecsElapsed()) / 1e6;
}

// Handles what the open left behind it (posted events, zero timers) a few rounds.
void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
}

// Ticks every 5 ms on the window thread and keeps the largest gap between ticks.
class TStallMeter {
 public:
  TStallMeter() {
    m_timer.setInterval(5);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
  }
  void Start() {
    m_worst = 0;
    m_clock.start();
    m_last = 0;
    m_timer.start();
  }
  double StopMs() {
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

struct TOpenTimes {
  double readyMs = 0;   // open returned, its events handled
  double filterMs = 0;  // and the filter's index complete
  double stallMs = 0;   // the longest stop of the window thread (threaded runs)
  bool ok = false;
};

class TOpenBench {
 public:
  explicit TOpenBench(const QString& home)
      : m_editor(ToUtf8(home), QString(), ToUtf8(home) + "/recovery"), m_window(m_editor.Window()) {
    m_window.show();
    if (!QTest::qWaitForWindowExposed(&m_window)) std::fprintf(stderr, "the window did not show\n");
    m_window.BuildPendingPages();
    const auto* tree = m_window.findChild<QTreeView*>(u"ObjectsTree"_s);
    m_tree = tree ? dynamic_cast<const TObjectsTreeModel*>(tree->model()) : nullptr;
  }

  TOpenTimes Open(const QString& zone, bool threads) {
    m_editor.State().Settings.UseTMobThreads = threads;
    TOpenTimes times;
    QElapsedTimer clock;
    if (threads) m_meter.Start();
    clock.start();
    const bool opened = m_window.OpenMob(zone);
    Settle();
    times.readyMs = double(clock.nsecsElapsed()) / 1e6;
    while (m_tree && !m_tree->IndexReady() && clock.elapsed() < 120000) QCoreApplication::processEvents();
    times.filterMs = double(clock.nsecsElapsed()) / 1e6;
    if (threads) times.stallMs = m_meter.StopMs();
    times.ok = opened && m_window.windowTitle().contains(QFileInfo(zone).fileName());
    m_window.CloseMob();
    WaitUntilQuiet();
    return times;
  }

 private:
  TEditor m_editor;
  TMainF& m_window;
  const TObjectsTreeModel* m_tree = nullptr;
  TStallMeter m_meter;
};

void PrintRatios(const char* what, const std::vector<double>& ms, const std::vector<double>& floors) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ms.size(); ++i) ratios.push_back(ms[i] / floors[i]);
  std::printf("  %-22s min %8.0f ms  median %8.0f ms   = min %6.1fx  median %6.1fx info\n", what,
              *std::min_element(ms.begin(), ms.end()), Median(ms), *std::min_element(ratios.begin(), ratios.end()),
              Median(ratios));
}

}  // namespace

int main(int argc, char** argv) {
  TKelvarinApplication app(argc, argv);
  int runs = 5;
  std::vector<std::string> zones;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else zones.push_back(a);
  }
  if (zones.empty()) zones = {"200000", "2000000"};

  const fs::path self = fs::read_symlink("/proc/self/exe");
  const std::string cli = (self.parent_path() / "kelvarin-cli").string();
  QTemporaryDir home;
  TOpenBench bench(home.path());

  for (const std::string& zoneArg : zones) {
    std::string zone = zoneArg;
    if (!fs::exists(zone)) {
      zone = ToUtf8(home.filePath(QString::fromStdString("zone-" + zoneArg + ".mob")));
      if (!Run({cli, "generate", "--records", zoneArg, zone}).ok) {
        std::fprintf(stderr, "cannot generate a zone of %s records\n", zoneArg.c_str());
        return 1;
      }
    }
    const QString path = FromUtf8(zone);
    std::printf("open of %s (%.1f MB), %d runs, ratios against kelvarin-cli info of the same run\n",
                QFileInfo(path).fileName().toUtf8().constData(), double(fs::file_size(zone)) / 1e6, runs);
    std::fflush(stdout);
    SpawnMs({cli, "info", zone});  // the file in the cache for both
    std::vector<double> floors, plain, plainFilter, threaded, threadedFilter, stalls;
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
      const double info = SpawnMs({cli, "info", zone});
      ok = ok && info > 0;
      floors.push_back(info);
      const TOpenTimes off = bench.Open(path, false);
      const TOpenTimes on = bench.Open(path, true);
      ok = ok && off.ok && on.ok;
      plain.push_back(off.readyMs);
      plainFilter.push_back(off.filterMs);
      threaded.push_back(on.readyMs);
      threadedFilter.push_back(on.filterMs);
      stalls.push_back(on.stallMs);
    }
    std::printf("  %-22s min %8.1f ms  median %8.1f ms\n", "kelvarin-cli info", *std::min_element(floors.begin(), floors.end()),
                Median(floors));
    PrintRatios("threads off: ready", plain, floors);
    PrintRatios("threads off: filter", plainFilter, floors);
    PrintRatios("threads on: ready", threaded, floors);
    PrintRatios("threads on: filter", threadedFilter, floors);
    std::printf("  %-22s max %8.1f ms  median %8.1f ms\n", "threads on: stall", *std::max_element(stalls.begin(), stalls.end()),
                Median(stalls));
    if (!ok) std::printf("  FAILED: a run did not open the zone\n");
    std::fflush(stdout);
  }
  return 0;
}
