// Timing for the benchmarks: wall-clock milliseconds, the best of several runs so
// that a run disturbed by the rest of the machine does not count.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>

namespace kelvarin::bench {

// Best of `runs` times of `f`; `prepare` runs before each, untimed.
inline double BestMs(int runs, const std::function<void()>& prepare, const std::function<void()>& f) {
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < runs; ++i) {
    if (prepare) prepare();
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  return best;
}

inline double BestMs(int runs, const std::function<void()>& f) { return BestMs(runs, nullptr, f); }

// One run, for steps that change what the next run would measure.
inline double Ms(const std::function<void()>& f) { return BestMs(1, f); }

}  // namespace kelvarin::bench
