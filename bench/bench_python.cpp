// The kelvarin Python module beside the core it binds, in one run:
// - kelvarin.open of a zone of RECORDS records (200,000 by default) beside the
//   core's own full load of the same file (every record decoded, as the editor
//   loads), aim: at most 1.5 times;
// - zone.units.column("LoadX") of a zone of as many units beside building a Python
//   list of as many floats ([i * 0.5 for i in range(n)]), aim: at most 2 times.
// The Python half (bench_python.py) runs under the Python the module was built
// for, from the build tree.
//
//   ./dev.sh bench            (or build-release/bin/bench-python [RECORDS])
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "benchutil.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

constexpr int kRuns = 5;

double CoreLoadMs(const std::string& file) {
  return BestMs(kRuns, [&] {
    TMob mob;
    if (!mob.LoadFile(file)) std::abort();
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
  const fs::path dir = fs::temp_directory_path() / ("kelvarin-bench-python-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "zone.mob").string();
  const std::string unitsFile = (dir / "units.mob").string();
  {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = 3});
    if (!mob.SaveFile(file)) return 1;
    // The same number of units alone: the generated ones again and again, each
    // one moved a little so that no two carry the same values.
    std::vector<TUnitObjBlock> units = mob.Units;
    for (std::size_t i = 0; units.size() < records; ++i) {
      units.push_back(mob.Units[i % mob.Units.size()]);
      units.back().LoadX += float(i % 1000);
    }
    mob.ForEachList([](auto& list) { list.clear(); });
    mob.Units = std::move(units);
    if (!mob.SaveFile(unitsFile)) return 1;
  }
  const double coreBefore = CoreLoadMs(file);
  const std::string command = "PYTHONPATH='" KELVARIN_PYTHON_DIR "' '" KELVARIN_PYTHON "' '" KELVARIN_BENCH_SCRIPT
                              "' '" + file + "' '" + unitsFile + "' " + std::to_string(kRuns);
  FILE* python = popen(command.c_str(), "r");
  double openMs = 0, columnMs = 0, listMs = 0;
  std::size_t units = 0;
  const bool read = python && std::fscanf(python, "%lf %lf %lf %zu", &openMs, &columnMs, &listMs, &units) == 4;
  const int status = python ? pclose(python) : -1;
  const double coreMs = std::min(coreBefore, CoreLoadMs(file));
  fs::remove_all(dir);
  if (!read || status != 0) {
    std::fprintf(stderr, "bench-python: the Python half failed: %s\n", command.c_str());
    return 1;
  }
  std::printf("Python module, %zu records (best of %d loads, of %d columns):\n", records, kRuns, 4 * kRuns);
  std::printf("  kelvarin.open          %9.2f ms  %5.2fx the core's full load (%.2f ms; aim <= 1.5x)\n", openMs,
              openMs / coreMs, coreMs);
  std::printf("  units.column(\"LoadX\")  %9.2f ms  %5.2fx a Python list of %zu floats (%.2f ms; aim <= 2x)\n",
              columnMs, columnMs / listMs, units, listMs);
  return 0;
}
