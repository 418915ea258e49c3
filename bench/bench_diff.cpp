// kelvarin-cli diff and merge on generated zones that differ in 1% of their
// records, each run as its own process beside the core's full load of the same
// files (every record decoded into the lists, as the editor loads), run as a
// process in the same round:
//
//   diff A B                beside  the full load of A and B
//   merge BASE OURS THEIRS  beside  the full load of BASE, OURS and THEIRS
//
// Every round runs the load and the command back to back (paired), each starting
// with nothing left to write back; the ratios are given as min / median over the
// rounds. The diff's peak memory is set against the two files' sizes plus the
// peak of the program doing nothing (`--version`).
//
//   ./dev.sh bench  (or build-release/bin/bench-diff [--runs N] [RECORDS...];
//                   200k records by default)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "benchprocess.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::Median;
using kelvarin::bench::Run;
using kelvarin::bench::RunForked;
using kelvarin::bench::RunResult;

namespace {

// Changes one record in a hundred of every kind, those at `offset` and every
// hundredth after it: a coordinate, and for every fourth of them a name too.
void EditOnePercent(TMob& mob, std::size_t offset) {
  mob.ForEachList([&](auto& list) {
    for (std::size_t i = offset; i < list.size(); i += 100) {
      auto& r = list[i];
      if constexpr (requires { r.LoadZ; }) r.LoadZ += 1.5f;
      else r.CoordZ += 1.5f;
      if (i % 400 != offset) continue;
      if constexpr (requires { r.Name2; }) r.Name2 += "_b";
      else r.NameStr += "_b";
    }
  });
}

// Writes the zone with `edit` applied, in a child of its own so that this
// process, which forks every command, stays small.
bool WriteZone(const std::string& path, std::size_t records, long offset) {
  return RunForked([&] {
           TMob mob;
           GenerateZone(mob, {.records = records, .seed = 42});
           if (offset >= 0) EditOnePercent(mob, std::size_t(offset));
           return mob.Save(path) ? 0 : 1;
         })
      .ok;
}

// The core's full load of the files, every record decoded.
int LoadAll(const std::vector<std::string>& paths) {
  for (const auto& path : paths) {
    TMob mob;
    if (!mob.Load(path)) return 1;
  }
  return 0;
}

struct Paired {
  std::vector<double> ratios, opMs, loadMs, opPeakMb;
  bool ok = true;
};

Paired Measure(int runs, const std::vector<std::string>& files, const std::vector<std::string>& command,
               int okCode, const std::string& written = {}) {
  Paired p;
  for (int i = 0; i < runs; ++i) {
    const RunResult load = RunForked([&] { return LoadAll(files); });
    const RunResult op = Run(command, "/dev/null", written);
    p.ok = p.ok && load.ok && op.code == okCode;
    p.loadMs.push_back(load.ms);
    p.opMs.push_back(op.ms);
    p.opPeakMb.push_back(op.peakMb);
    p.ratios.push_back(op.ms / load.ms);
  }
  return p;
}

void Row(const char* what, const char* loadName, const Paired& p, double bound) {
  std::printf("  %-6s vs %-30s %6.2fx min  %6.2fx median  (aim <= %.0fx)  (%8.1f ms vs %8.1f ms median)%s\n", what,
              loadName, *std::min_element(p.ratios.begin(), p.ratios.end()), Median(p.ratios), bound,
              Median(p.opMs), Median(p.loadMs), p.ok ? "" : "  FAILED RUNS");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  }
  if (sizes.empty()) sizes = {200000};

  const fs::path self = fs::read_symlink("/proc/self/exe");
  const std::string cli = (self.parent_path() / "kelvarin-cli").string();
  const fs::path dir = fs::temp_directory_path() / ("kelvarin-bench-diff-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string base = (dir / "base.mob").string(), ours = (dir / "ours.mob").string(),
                    theirs = (dir / "theirs.mob").string(), out = (dir / "out.mob").string();

  std::vector<double> idle;
  for (int i = 0; i < 3; ++i) idle.push_back(Run({cli, "--version"}).peakMb);
  const double idleMb = Median(idle);

  for (std::size_t records : sizes) {
    if (!WriteZone(base, records, -1) || !WriteZone(ours, records, 0) || !WriteZone(theirs, records, 50)) {
      std::printf("writing the zones of %zu records failed\n", records);
      return 1;
    }
    const double baseMb = double(fs::file_size(base)) / 1e6, oursMb = double(fs::file_size(ours)) / 1e6;
    std::printf("zones of %zu records, 1%% of them changed: %.1f MB each; %d paired rounds\n", records, baseMb, runs);

    const Paired diff = Measure(runs, {base, ours}, {cli, "diff", base, ours}, 1);
    Row("diff", "full load of both", diff, 2);
    const double peak = Median(diff.opPeakMb), bound = 1.5 * (baseMb + oursMb) + idleMb;
    std::printf("  diff peak memory %8.1f MB = %5.2fx the two files + idle (%.1f MB); aim <= 1.5x the files + "
                "idle = %.1f MB, reached %.2f of it\n",
                peak, (peak - idleMb) / (baseMb + oursMb), idleMb, bound, peak / bound);

    const Paired merge = Measure(runs, {base, ours, theirs}, {cli, "merge", base, ours, theirs, "-o", out}, 0, out);
    Row("merge", "full load of the three", merge, 3);
    const double threeMb = baseMb + oursMb + double(fs::file_size(theirs)) / 1e6;
    std::printf("  merge peak memory %8.1f MB = %5.2fx the three files (aim <= 1.5x)\n", Median(merge.opPeakMb),
                Median(merge.opPeakMb) / threeMb);
  }
  fs::remove_all(dir);
  return 0;
}
