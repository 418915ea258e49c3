// The kelvarin-cli commands on generated zones, each run as its own process beside
// the honest floor of the same work, run as a process in the same round:
//
//   resave   beside  dd if=IN of=OUT bs=16M conv=fsync  (large-buffer read + write,
//                    flushed as the save flushes) and  cp IN OUT  (page cache only)
//   info     beside  cat IN > /dev/null
//   dump     beside  jq -c . JSON > /dev/null
//   build    beside  jq -c . JSON > /dev/null
//   check, map       peak memory only, against the zone's size
//
// Every round runs the floor and the command back to back (paired), so a busy
// machine slows both, and each starts with nothing left to write back; the ratios
// are given as min / median over the rounds. Peak memory is the child's own maximum
// resident set (a mapped file's pages count), against the file it works on.
//
//   ./dev.sh bench            (or build-release/bin/bench-cli [--runs N] [--json-runs N] [RECORDS...];
//                             by default 2k, 20k, 200k and 2M records. jq would need
//                             gigabytes for the JSON of a 2M zone: from 1M records on,
//                             dump and build run once, without their floor, for the
//                             time per record; --json-runs 0 leaves the JSON rows out)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "benchprocess.h"

namespace fs = std::filesystem;

namespace {

using kelvarin::bench::Median;
using kelvarin::bench::Run;
using kelvarin::bench::RunResult;

// From this size on, jq is not run: the JSON of 2M records takes it gigabytes.
constexpr std::size_t kNoJqFrom = 1000000;

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

struct Paired {
  std::vector<double> ratios, opMs, floorMs, opPeakMb;
  bool ok = true;
};

// `runs` rounds of floor, then command; each writes the file it names, if any,
// afresh.
Paired Measure(int runs, const std::vector<std::string>& floorCmd, const std::string& floorOut,
               const std::vector<std::string>& opCmd, const std::string& opOut,
               const std::string& floorWrites = {}, const std::string& opWrites = {}) {
  Paired p;
  for (int i = 0; i < runs; ++i) {
    const RunResult f = Run(floorCmd, floorOut, floorWrites);
    const RunResult o = Run(opCmd, opOut, opWrites);
    p.ok = p.ok && f.ok && o.ok;
    p.floorMs.push_back(f.ms);
    p.opMs.push_back(o.ms);
    p.opPeakMb.push_back(o.peakMb);
    p.ratios.push_back(o.ms / f.ms);
  }
  return p;
}

void Row(const char* what, const char* floorName, const Paired& p) {
  std::printf("  %-8s vs %-34s %6.2fx min  %6.2fx median   (%8.1f ms vs %8.1f ms median)%s\n", what,
              floorName, *std::min_element(p.ratios.begin(), p.ratios.end()), Median(p.ratios),
              Median(p.opMs), Median(p.floorMs), p.ok ? "" : "  FAILED RUNS");
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5, jsonRuns = -1;
  std::vector<std::size_t> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
    else if (a == "--json-runs" && i + 1 < argc) jsonRuns = std::max(0, std::atoi(argv[++i]));
    else sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  }
  if (jsonRuns < 0) jsonRuns = runs;
  if (sizes.empty()) sizes = {2000, 20000, 200000, 2000000};

  const fs::path self = fs::read_symlink("/proc/self/exe");
  const std::string cli = (self.parent_path() / "kelvarin-cli").string();
  const fs::path dir = fs::temp_directory_path() / ("kelvarin-bench-cli-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string in = (dir / "zone.mob").string(), out = (dir / "out.mob").string(),
                    copy = (dir / "copy.mob").string(), json = (dir / "zone.json").string(),
                    dumped = (dir / "dumped.json").string();
  const std::string png = (dir / "map.png").string();
  // The map command draws through a module beside the program, built with Qt only.
  const bool haveMap = fs::exists(self.parent_path() / "kelvarin-cli-map.so");
  const bool haveJq = HaveProgram("jq");
  if (!haveJq) std::puts("jq is not installed: the JSON rows are left out");
  const bool jsonRows = haveJq && jsonRuns > 0;

  struct PerRecord {
    std::size_t records;
    double dumpMs, buildMs;
  };
  std::vector<PerRecord> perRecord;

  for (std::size_t records : sizes) {
    if (!Run({cli, "generate", in, "--records", std::to_string(records), "--seed", "42"}).ok) {
      std::printf("generate %zu failed\n", records);
      return 1;
    }
    if (jsonRows && records < kNoJqFrom) Run({cli, "dump", in}, json);
    const double mobMb = double(fs::file_size(in)) / 1e6;
    const double jsonMb = jsonRows && records < kNoJqFrom ? double(fs::file_size(json)) / 1e6 : 0;
    std::printf("zone of %zu records: %.1f MB", records, mobMb);
    if (jsonMb > 0) std::printf(", its JSON %.1f MB", jsonMb);
    std::printf("; %d paired rounds (JSON rows %d)\n", runs, jsonRuns);

    const Paired resaveDd = Measure(runs, {"dd", "if=" + in, "of=" + copy, "bs=16M", "conv=fsync", "status=none"},
                                    "/dev/null", {cli, "resave", in, out}, "/dev/null", copy, out);
    Row("resave", "dd bs=16M conv=fsync", resaveDd);
    const Paired resaveCp =
        Measure(runs, {"cp", in, copy}, "/dev/null", {cli, "resave", in, out}, "/dev/null", copy, out);
    Row("resave", "cp (page cache, no sync)", resaveCp);
    const Paired info = Measure(runs, {"cat", in}, "/dev/null", {cli, "info", in}, "/dev/null");
    Row("info", "cat IN > /dev/null", info);

    const double resavePeak = Median(resaveDd.opPeakMb);
    std::printf("  resave peak memory %8.1f MB = %5.2fx the zone\n", resavePeak, resavePeak / mobMb);
    // check and map read every record but hold none of them decoded: their peak
    // follows the file (its mapped pages count), aim <= 1.5x.
    const auto peakRow = [&](const char* what, const std::vector<std::string>& argv) {
      std::vector<double> peaks;
      bool ok = true;
      for (int i = 0; i < runs; ++i) {
        const RunResult r = Run(argv);
        ok = ok && r.ok;
        peaks.push_back(r.peakMb);
      }
      std::printf("  %-6s peak memory %8.1f MB = %5.2fx the zone (aim <= 1.5x)%s\n", what, Median(peaks),
                  Median(peaks) / mobMb, ok ? "" : "  FAILED RUNS");
    };
    peakRow("check", {cli, "check", in});
    if (haveMap) peakRow("map", {cli, "map", in, png});
    if (jsonRows && records >= kNoJqFrom) {
      const RunResult dump = Run({cli, "dump", in}, dumped);
      const RunResult build = Run({cli, "build", dumped, out});
      std::printf("  dump %.0f ms, build %.0f ms, run once without jq (it needs gigabytes here)%s\n", dump.ms,
                  build.ms, dump.ok && build.ok ? "" : "  FAILED RUNS");
      std::printf("  dump  peak memory %8.1f MB = %5.2fx the zone, %5.2fx the resave's peak\n", dump.peakMb,
                  dump.peakMb / mobMb, dump.peakMb / resavePeak);
      std::printf("  build peak memory %8.1f MB = %5.2fx the zone\n", build.peakMb, build.peakMb / mobMb);
      perRecord.push_back({records, dump.ms / double(records), build.ms / double(records)});
    } else if (jsonRows) {
      const Paired dump = Measure(jsonRuns, {"jq", "-c", ".", json}, "/dev/null", {cli, "dump", in}, dumped);
      Row("dump", "jq -c . JSON > /dev/null", dump);
      const Paired build = Measure(jsonRuns, {"jq", "-c", ".", json}, "/dev/null", {cli, "build", json, out}, "/dev/null",
                                    {}, out);
      Row("build", "jq -c . JSON > /dev/null", build);
      const double dumpPeak = Median(dump.opPeakMb), buildPeak = Median(build.opPeakMb);
      std::printf("  dump  peak memory %8.1f MB = %5.2fx the zone, %5.2fx the resave's peak\n", dumpPeak,
                  dumpPeak / mobMb, dumpPeak / resavePeak);
      std::printf("  build peak memory %8.1f MB = %5.2fx the zone, %5.2fx its JSON\n", buildPeak,
                  buildPeak / mobMb, buildPeak / jsonMb);
      perRecord.push_back({records, Median(dump.opMs) / double(records), Median(build.opMs) / double(records)});
    }
  }
  // Time per record of the largest zone beside the one before it: a linear command
  // stays near 1x.
  if (perRecord.size() >= 2) {
    const PerRecord& big = perRecord.back();
    const PerRecord& small = perRecord[perRecord.size() - 2];
    std::printf("time per record, %zu vs %zu records: dump %.2fx, build %.2fx\n", big.records,
                small.records, big.dumpMs / small.dumpMs, big.buildMs / small.buildMs);
  }
  fs::remove_all(dir);
  return 0;
}
