// Zones for the map tests: a generated zone whose records are put at chosen or
// awkward places (clusters, many at one point, far-off outliers, grid values that
// lie exactly on area edges, NaN and infinite coordinates).
#pragma once

#include <cmath>
#include <limits>
#include <random>

#include "mob/generator.h"
#include "mob/recordrules.h"
#include "mob/tmob.h"

namespace kelvarin::test {

// A generated zone of `records` records over all kinds.
inline void Zone(TMob& mob, std::size_t records, std::uint64_t seed) {
  GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 2});
}

// Moves every record of `mob` to a position drawn from a mix of awkward spreads.
inline void ScatterAwkwardly(TMob& mob, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<float> wide(-1000, 1000);
  std::uniform_int_distribution<int> pick(0, 99), grid(-20, 20);
  const float inf = std::numeric_limits<float>::infinity();
  mob.ForEachList([&](auto& list) {
    for (auto& r : list) {
      const int p = pick(rng);
      float x = wide(rng), y = wide(rng);
      if (p < 20) {
        // On a grid of 10: exactly on many a drawn edge.
        x = float(grid(rng) * 10);
        y = float(grid(rng) * 10);
      } else if (p < 30) {
        x = 5;
        y = -5;  // many at one point
      } else if (p < 35) {
        x = wide(rng) * 1e30f;  // far away
      } else if (p < 38) {
        x = std::numeric_limits<float>::quiet_NaN();
      } else if (p < 40) {
        y = p % 2 ? inf : -inf;
      } else if (p < 42) {
        x = std::numeric_limits<float>::max();
      } else if (p < 60) {
        // A tight cluster.
        x = 300 + wide(rng) / 1000;
        y = 300 + wide(rng) / 1000;
      }
      PlaneX(r) = x;
      PlaneY(r) = y;
    }
  });
}

}  // namespace kelvarin::test
