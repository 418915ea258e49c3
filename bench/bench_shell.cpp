// The window's share of opening and saving a zone: OpenMob and SaveMob of the
// main window, run directly and on the worker thread (every log line handed to
// the window one by one), each beside TMob's own Load / Save of the same file in
// the same run. The ratio is what the window adds.
//
//   build-release/bin/bench-shell [RECORDS...]     (needs a display or Xvfb)
#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "program/appstate.h"
#include "app/ui/mainf.h"
#include "app/ui/qtprompts.h"
#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "benchutil.h"

using namespace Qt::StringLiterals;

using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

void Row(const char* what, double ms, double baseline) {
  std::printf("  %-34s %9.1f ms   x%.2f\n", what, ms, ms / baseline);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::stoul(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};

  QTemporaryDir dir;
  TAppState state(ToUtf8(dir.path()));
  state.StartUp();
  state.Settings.MakeAutoBackups = false;
  TQtPrompts prompts;  // never asked: the documents are never modified here
  TMainF window(state, prompts);
  window.show();
  QCoreApplication::processEvents();
  const int runs = 5;

  for (std::size_t records : sizes) {
    const std::string file = ToUtf8(dir.filePath(u"zone-%1.mob"_s.arg(records)));
    {
      TMob mob;
      GenerateZone(mob, {.records = records, .seed = 5});
      mob.SaveFile(file);
    }
    TMob plain;
    const double load = BestMs(runs, [&] { plain.Load(file); });
    const double save = BestMs(runs, [&] { plain.Save(file); });
    const std::size_t lines = std::count(plain.LogText.begin(), plain.LogText.end(), '\n');

    std::printf("%zu records, %zu log lines per save\n", records, lines);
    Row("TMob::Load (baseline)", load, load);
    for (bool threaded : {false, true}) {
      state.Settings.UseTMobThreads = threaded;
      const double open = BestMs(runs, [&] { window.OpenMob(QString::fromStdString(file)); });
      Row(threaded ? "OpenMob, worker thread" : "OpenMob, direct", open, load);
    }
    Row("TMob::Save (baseline)", save, save);
    for (bool threaded : {false, true}) {
      state.Settings.UseTMobThreads = threaded;
      const double ms = BestMs(runs, [&] { window.SaveMob(); });
      Row(threaded ? "SaveMob, worker thread" : "SaveMob, direct", ms, save);
    }
    std::printf("  log view now holds %d lines\n", window.LogView()->blockCount());
  }
  return 0;
}
