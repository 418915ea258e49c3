// The coordinate grid of the map: lines at round values (1, 2 or 5 times a power
// of ten) far enough apart to label, and the labels' texts.
#pragma once

#include <string>
#include <vector>

#include "map/core/maptransform.h"

namespace kelvarin {

struct TMapGridLine {
  double value = 0;  // the world coordinate
  double pixel = 0;  // where the line is in the picture (x for vertical lines, y for horizontal)
  std::string label;
  bool axis = false;  // the line of coordinate zero
};

struct TMapGrid {
  double step = 0;
  std::vector<TMapGridLine> vertical;    // constant x, left to right
  std::vector<TMapGridLine> horizontal;  // constant y, top to bottom
};

// Lines at least `minSpacingPx` pixels apart over the picture of `view`, labels
// written with `decimalSeparator`.
TMapGrid ComputeMapGrid(const TMapTransform& view, double minSpacingPx, char decimalSeparator);

// A coordinate as the map writes it (labels, the cursor's place): the decimals the
// step needs, plain up to a billion, with an exponent beyond ("1.5e+20").
std::string MapCoordinateText(double value, double step, char decimalSeparator);

}  // namespace kelvarin
