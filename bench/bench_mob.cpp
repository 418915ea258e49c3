// Load, save and resave throughput of generated zones, each beside the floor of
// the same bytes measured in the same run: a copy through 16 MB buffers, flushed
// to disk as a save is; peak memory of a load and save; the cost of
// FindFreeObjectId beside one pass over the identities. bench-cli compares the
// commands with dd, cp, cat and jq as processes.
//
//   ./dev.sh bench            (or build-release/bin/bench-mob [RECORDS...])
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/filesystem.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "benchutil.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

// The floor of a resave: the same bytes read and written through 16 MB buffers
// and flushed to disk, as `dd bs=16M conv=fsync` does.
void BufferedCopyWithSync(const std::string& from, const std::string& to) {
  static std::vector<char> buffer(16 << 20);
  const int in = ::open(from.c_str(), O_RDONLY);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (ssize_t n; in >= 0 && out >= 0 && (n = ::read(in, buffer.data(), buffer.size())) > 0;)
    if (::write(out, buffer.data(), std::size_t(n)) != n) break;
  if (out >= 0) ::fsync(out);
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Peak resident memory of a fresh process that loads and saves `file` (or, with an
// empty name, does nothing: the baseline of the process itself).
long ChildPeakKb(const std::string& self, const std::string& file, const std::string& out) {
  const std::string cmd = "'" + self + "' --peak '" + file + "' '" + out + "'";
  FILE* p = popen(cmd.c_str(), "r");
  long kb = -1;
  if (p) {
    if (std::fscanf(p, "%ld", &kb) != 1) kb = -1;
    pclose(p);
  }
  return kb;
}

int PeakMode(const char* file, const char* out) {
  if (*file) {
    TMob mob;
    if (!mob.LoadFile(file) || !mob.SaveFile(out)) return 1;
  }
  std::printf("%ld\n", PeakRssKb());
  return 0;
}

void Report(const char* what, double ms, double baseline, double mb) {
  std::printf("  %-22s %9.2f ms  %8.1f MB/s  %6.2fx the copy\n", what, ms, mb / (ms / 1000), ms / baseline);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--peak") return PeakMode(argv[2], argv[3]);

  std::vector<std::size_t> sizes = {20000, 200000};
  if (argc > 1) {
    sizes.clear();
    for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoul(argv[i], nullptr, 10));
  }
  const fs::path dir = fs::temp_directory_path() / ("kelvarin-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string self = fs::read_symlink("/proc/self/exe").string();

  for (std::size_t records : sizes) {
    const std::string file = (dir / "zone.mob").string(), out = (dir / "out.mob").string(),
                      copy = (dir / "copy.mob").string();
    {
      TMob mob;
      GenerateZone(mob, {.records = records, .seed = 42, .scriptLines = records / 10});
      mob.SaveFile(file);
    }
    const double mb = double(fs::file_size(file)) / 1e6;
    const int runs = records > 100000 ? 3 : 7;
    std::printf("zone of %zu records, %.1f MB\n", records, mb);

    const double copyMs = BestMs(runs, [&] { BufferedCopyWithSync(file, copy); });
    std::printf("  %-22s %9.2f ms  %8.1f MB/s  (baseline: 16 MB buffers, fsync)\n", "copy", copyMs,
                mb / (copyMs / 1000));

    TMob mob;
    const double loadMs = BestMs(runs, [&] { mob.Reset(); mob.LoadFile(file); });
    Report("load", loadMs, copyMs, mb);
    const double buildMs = BestMs(runs, [&] { Bytes image; mob.BuildImage(image); });
    Report("save, image in memory", buildMs, copyMs, mb);
    const double saveMs = BestMs(runs, [&] { mob.SaveFile(out); });
    Report("save to disk (fsync)", saveMs, copyMs, mb);
    const double resaveMs = BestMs(runs, [&] {
      TMob m;
      m.LoadFile(file);
      m.SaveFile(out);
    });
    Report("resave (load + save)", resaveMs, copyMs, mb);

    const long baseKb = ChildPeakKb(self, "", "");
    const long peakKb = ChildPeakKb(self, file, out);
    std::printf("  peak memory of load + save: %.1f MB above the process = %.2fx the file size\n",
                double(peakKb - baseKb) / 1000, double(peakKb - baseKb) * 1000 / 1e6 / mb);

    std::uint64_t sink = 0;
    const double passMs = BestMs(runs, [&] {
      mob.ForEachList([&](const auto& list) {
        for (const auto& r : list) sink += std::uint32_t(r.Identity());
      });
    });
    std::uint32_t free = 0;
    const double findMs = BestMs(runs, [&] { free = mob.FindFreeObjectId(); });
    std::printf("  FindFreeObjectId       %9.3f ms  = %.2fx one pass over the identities (%.3f ms); found %u\n",
                findMs, findMs / passMs, passMs, free);
    if (sink == 42) std::puts("");
  }
  fs::remove_all(dir);
  return 0;
}
