#include "map/core/mapgrid.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kelvarin {
namespace {

// The smallest of 1, 2, 5 times a power of ten that is at least `minimum`.
double RoundStep(double minimum) {
  const double power = std::pow(10.0, std::floor(std::log10(minimum)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= minimum) return m * power;
  return 10.0 * power;
}

template <class Pixel>
std::vector<TMapGridLine> Lines(double from, double to, double step, char sep, Pixel pixel) {
  std::vector<TMapGridLine> lines;
  // k counts steps from zero; in double it stays exact far beyond any picture's
  // number of lines, and the loop stops at the picture's edge.
  for (double k = std::ceil(from / step); k * step <= to; k += 1) {
    const double value = k * step;
    lines.push_back({value, pixel(value), MapCoordinateText(value, step, sep), k == 0});
    if (lines.size() > 10000) break;  // a guard; the spacing keeps it far off
  }
  return lines;
}

}  // namespace

std::string MapCoordinateText(double value, double step, char sep) {
  if (!std::isfinite(value)) return value != value ? "NAN" : (value < 0 ? "-INF" : "INF");
  if (value == 0) return "0";
  char buffer[128];
  std::to_chars_result r;
  if (std::fabs(value) < 1e9 && step >= 1e-9) {
    const int decimals = std::clamp(int(std::ceil(-std::log10(step) - 1e-9)), 0, 9);
    r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  } else {
    // Enough digits to tell neighbouring lines apart.
    const int digits =
        std::clamp(int(std::floor(std::log10(std::fabs(value))) - std::floor(std::log10(step))) + 1, 1, 17);
    r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
  }
  std::string text(buffer, r.ptr);
  for (char& c : text)
    if (c == '.') c = sep;
  return text;
}

TMapGrid ComputeMapGrid(const TMapTransform& view, double minSpacingPx, char sep) {
  TMapGrid grid;
  grid.step = RoundStep(std::max(minSpacingPx, 1.0) * view.Scale());
  if (!std::isfinite(grid.step) || grid.step <= 0) return grid;
  const TMapRect world = view.VisibleWorld();
  grid.vertical = Lines(world.minX, world.maxX, grid.step, sep,
                        [&](double x) { return view.ToPixel(x, 0).x; });
  // Top to bottom on the screen is high to low in the world.
  grid.horizontal = Lines(world.minY, world.maxY, grid.step, sep,
                          [&](double y) { return view.ToPixel(0, y).y; });
  std::reverse(grid.horizontal.begin(), grid.horizontal.end());
  return grid;
}

}  // namespace kelvarin
