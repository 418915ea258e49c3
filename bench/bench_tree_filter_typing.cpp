// Typing a filter into the Objects page over a large zone: each applied filter is
// a stall of the GUI thread (search, the tree's new rows, the kinds opened, a
// repaint). Prints every stall and the longest, beside the honest floor measured
// in the same run: one pass that reads every byte of every record's caption.
// Before typing, the page indexes the zone for the filter in slices while the
// window is idle; the longest slice is a stall too.
//
//   build/bin/bench-tree-filter-typing [RECORDS]   (default 2000000)
#include <QApplication>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchutil.h"
#include "mob/generator.h"
#include "objects/core/objectparams.h"
#include "objects/ui/objectspage.h"
#include "objects/ui/objectstreemodel.h"
#include "support/fakeshell.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;
using kelvarin::bench::Ms;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000000;

  TFakeShell shell;
  GenerateZone(shell.mob, {.records = records, .seed = 7});
  shell.session.Adopt("zone.mob");
  std::size_t bytes = 0;
  unsigned sum = 0;
  const double floorMs = BestMs(3, [&] {
    bytes = 0;
    for (ObjKind kind : kAllObjKinds)
      for (std::size_t i = 0; i < shell.mob.Count(kind); ++i) {
        const std::string& caption = RecordCaption(shell.mob, {kind, i});
        bytes += caption.size();
        for (char c : caption) sum += static_cast<unsigned char>(c);
      }
  });

  TObjectsPage page(shell);
  page.resize(900, 600);
  page.show();
  const double fillMs = Ms([&] {
    page.FillObjectsTree();
    page.ObjectsTree()->expand(page.TreeModel()->RootIndex(ObjKind::Unit));
    QCoreApplication::processEvents();
  });
  std::printf("%zu records (%zu caption bytes); floor (read every caption once) %.1f ms\n", records, bytes, floorMs);
  std::printf("tree fill with the units open: %.1f ms (%.1fx the floor)\n", fillMs, fillMs / floorMs);
  // The window idles: the index is built slice by slice.
  double longestSlice = 0, indexMs = 0;
  int slices = 0;
  while (!page.TreeModel()->IndexReady()) {
    const double ms = Ms([] { QCoreApplication::processEvents(); });
    longestSlice = std::max(longestSlice, ms);
    indexMs += ms;
    ++slices;
  }
  std::printf("filter index built while idle: %.1f ms in %d turns, the longest %.1f ms (%.2fx the floor)\n\n",
              indexMs, slices, longestSlice, longestSlice / floorMs);

  // What a user types, letter by letter; the page applies the filter once the
  // typing pauses, so each line is one stall at most.
  std::printf("%-20s %10s %10s %8s\n", "filter text", "shown", "stall ms", "ratio");
  double longest = 0;
  const std::string typed = "goblin arch kind:units";
  for (std::size_t n = 1; n <= typed.size(); ++n) {
    const QString text = QString::fromLatin1(typed.substr(0, n));
    page.FilterBox()->setText(text);
    const double ms = Ms([&] {
      page.ApplyFilter();
      QCoreApplication::processEvents();
    });
    std::size_t shown = 0;
    for (ObjKind kind : kAllObjKinds) shown += page.TreeModel()->ShownCount(kind);
    std::printf("%-20s %10zu %10.1f %7.2fx\n", text.toLatin1().constData(), shown, ms, ms / floorMs);
    longest = std::max(longest, ms);
  }
  const double clearMs = Ms([&] {
    page.ClearFilter();
    QCoreApplication::processEvents();
  });
  std::printf("\nEscape (every record back): %.1f ms\n", clearMs);
  std::printf("longest stall while typing %.1f ms (%.2fx the floor; aim: at most 100 ms) (checksum %u)\n", longest,
              longest / floorMs, sum & 1);
  return 0;
}
