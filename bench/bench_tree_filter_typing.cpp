// Typing a filter into the Objects page over a large zone: each applied filter is
// a stall of the GUI thread (search, the tree's new rows, the kinds opened, a
// repaint). Prints every stall and the longest, beside the honest floor measured
// in the same run: one pass that reads every record's caption once.
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
  std::size_t bytes = 0;
  const double floorMs = BestMs(3, [&] {
    bytes = 0;
    for (ObjKind kind : kAllObjKinds)
      for (std::size_t i = 0; i < shell.mob.Count(kind); ++i) bytes += RecordCaption(shell.mob, {kind, i}).size();
  });

  ObjectsPage page(shell);
  page.resize(900, 600);
  page.show();
  const double fillMs = Ms([&] {
    page.FillObjectsTree();
    page.ObjectsTree()->expand(page.TreeModel()->RootIndex(ObjKind::Unit));
    QCoreApplication::processEvents();
  });
  std::printf("%zu records (%zu caption bytes); floor (read every caption once) %.1f ms\n", records, bytes, floorMs);
  std::printf("tree fill with the units open: %.1f ms (%.1fx the floor)\n\n", fillMs, fillMs / floorMs);

  // What a user types, letter by letter; the page applies the filter once the
  // typing pauses, so each line is one stall at most.
  std::printf("%-20s %10s %10s %8s\n", "filter text", "shown", "stall ms", "ratio");
  double longest = 0, longestAfterFirst = 0;
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
    if (n > 1) longestAfterFirst = std::max(longestAfterFirst, ms);
  }
  const double clearMs = Ms([&] {
    page.ClearFilter();
    QCoreApplication::processEvents();
  });
  std::printf("\nEscape (every record back): %.1f ms\n", clearMs);
  std::printf("longest stall %.1f ms (%.2fx the floor); after the first letter, which builds the index: %.1f ms\n",
              longest, longest / floorMs, longestAfterFirst);
  return 0;
}
