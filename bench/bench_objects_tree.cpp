// Filling the objects tree for large zones, beside loading the same zone from its
// file in the same run: the tree should not take much longer than the load.
//
//   build-release/bin/bench-objects-tree [RECORDS...]   (default 200000 and 2000000)
//
// With several sizes, each later size's fill is also set against the first one's:
// the tree should grow no faster than the records (10x the records, at most 11x
// the time).
#include <QApplication>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "objects/ui/objectstreemodel.h"
#include "benchutil.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {200000, 2000000};

  const auto dir = std::filesystem::temp_directory_path() / "kelvarin-bench-objects-tree";
  std::filesystem::create_directories(dir);
  constexpr int kRuns = 5;
  std::printf("%10s %10s %10s %13s %8s %15s %8s\n", "records", "load ms", "fill ms",
              "fill+view ms", "ratio", "unique names ms", "ratio");
  struct TGrowth {
    std::size_t records;
    double fillMs, viewMs;
  };
  std::vector<TGrowth> growth;
  for (std::size_t records : sizes) {
    const std::string file = (dir / ("zone-" + std::to_string(records) + ".mob")).string();
    {
      TMob generated;
      GenerateZone(generated, {.records = records, .seed = 7});
      if (!generated.Save(file)) {
        std::fprintf(stderr, "could not write %s\n", file.c_str());
        return 1;
      }
    }
    TMob mob;
    const double loadMs = BestMs(kRuns, [&] {
      mob.Reset();
      if (!mob.Load(file)) std::abort();
    });

    TObjectsTreeModel model;
    const double fillMs = BestMs(kRuns, [&] { model.Fill(&mob); });

    // The same fill with a shown view attached, as on the page.
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(320, 600);
    view.show();
    view.expand(model.RootIndex(ObjKind::Unit));
    QCoreApplication::processEvents();
    const double viewMs = BestMs(kRuns, [&] {
      model.Fill(&mob);
      view.expand(model.RootIndex(ObjKind::Unit));
      QCoreApplication::processEvents();
    });
    // Generated zones repeat their names; a zone whose every name differs makes
    // the sort compare more.
    std::size_t n = 0;
    const auto rename = [&](std::string& name) { name += "_" + std::to_string((n++ * 7919) % 1000003); };
    for (auto& r : mob.Units) rename(r.Name1);
    for (auto& r : mob.Objects) rename(r.Name2);
    for (auto& r : mob.Levers) rename(r.Name2);
    for (auto& r : mob.Traps) rename(r.Name2);
    for (auto& r : mob.Flames) rename(r.Name2);
    for (auto& r : mob.Particles1) rename(r.NameStr);
    for (auto& r : mob.Particles2) rename(r.NameStr);
    for (auto& r : mob.Particles3) rename(r.NameStr);
    const double uniqueMs = BestMs(kRuns, [&] {
      model.Fill(&mob);
      view.expand(model.RootIndex(ObjKind::Unit));
      QCoreApplication::processEvents();
    });
    std::printf("%10zu %10.1f %10.1f %13.1f %7.2fx %15.1f %7.2fx\n", records, loadMs, fillMs,
                viewMs, viewMs / loadMs, uniqueMs, uniqueMs / loadMs);
    std::filesystem::remove(file);
    growth.push_back({records, fillMs, viewMs});
  }
  std::printf("ratio = tree fill with its view / load of the same zone; aim: at most 2x\n");
  for (std::size_t i = 1; i < growth.size(); ++i) {
    const TGrowth& a = growth.front();
    const TGrowth& b = growth[i];
    std::printf("%zu vs %zu records (%.1fx): fill %.1fx, fill+view %.1fx\n", b.records, a.records,
                double(b.records) / double(a.records), b.fillMs / a.fillMs, b.viewMs / a.viewMs);
  }
  return 0;
}
