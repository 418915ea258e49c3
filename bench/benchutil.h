// Timing for the benchmarks: wall-clock milliseconds, the best of several runs so
// that a run disturbed by the rest of the machine does not count.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <limits>
#include <utility>

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

// Best times of `f` and of its `baseline`, run in turns: on a machine whose load
// comes and goes, both see the same moments, and their ratio is fair.
inline std::pair<double, double> BestPairMs(int runs, const std::function<void()>& f,
                                            const std::function<void()>& baseline) {
  std::pair<double, double> best{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  for (int i = 0; i < runs; ++i) {
    best.first = std::min(best.first, BestMs(1, f));
    best.second = std::min(best.second, BestMs(1, baseline));
  }
  return best;
}

// One run, for steps that change what the next run would measure.
inline double Ms(const std::function<void()>& f) { return BestMs(1, f); }

}  // namespace kelvarin::bench
