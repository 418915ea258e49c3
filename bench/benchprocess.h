// Commands timed as processes of their own: wall time and the child's peak
// resident memory (a mapped file's pages count), for benchmarks that compare a
// program with a floor measured the same way in the same run.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelvarin::bench {

struct RunResult {
  double ms = 0;
  double peakMb = 0;
  int code = -1;  // the exit code; -1 when the child ended otherwise
  bool ok = false;  // exit code 0
};

// Runs `child` in a forked process (its result is the exit code) and times it.
// The pages the last command left dirty go to disk first, untimed: otherwise
// whoever runs next pays for them.
inline RunResult RunForked(const std::function<int()>& child) {
  ::sync();
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(child());
  RunResult r;
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return r;
  const auto t1 = std::chrono::steady_clock::now();
  r.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
  r.peakMb = double(usage.ru_maxrss) * 1024 / 1e6;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.ok = r.code == 0;
  return r;
}

// Runs argv as a child with stdout sent to `outPath` (/dev/null by default);
// stderr is discarded. `written`, the file the command writes, is removed first,
// untimed: on a file system that discards freed blocks, freeing the last run's
// 600 MB costs more than writing them, and would be charged to whichever command
// replaces its file last.
inline RunResult Run(const std::vector<std::string>& argv, const std::string& outPath = "/dev/null",
                     const std::string& written = {}) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  if (!written.empty()) std::filesystem::remove(written);
  return RunForked([&] {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int null = open("/dev/null", O_WRONLY);
    if (out < 0 || null < 0) return 127;
    dup2(out, 1);
    dup2(null, 2);
    execvp(args[0], args.data());
    return 127;
  });
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace kelvarin::bench
