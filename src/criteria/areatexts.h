// An area as the mass-change page's edits hold it: the rectangle's four texts or
// the circle's three, numbers in the locale's decimal separator (code page 1251).
// The map writes a drawn shape this way (map/core/areafields.h) and the page
// takes it into its edits.
#pragma once

#include <string>
#include <variant>

namespace kelvarin {

struct TRectangleFieldTexts {
  std::string x1, y1, x2, y2;  // X1 <= X2, Y1 >= Y2
  bool operator==(const TRectangleFieldTexts&) const = default;
};

struct TCircleFieldTexts {
  std::string x, y, radius;
  bool operator==(const TCircleFieldTexts&) const = default;
};

using TAreaTexts = std::variant<TRectangleFieldTexts, TCircleFieldTexts>;

}  // namespace kelvarin
