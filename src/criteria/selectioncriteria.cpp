#include "criteria/selectioncriteria.h"

#include <algorithm>
#include <cmath>

namespace kelvarin {

bool TSelectionCriteria::AnyKind() const {
  return std::any_of(kinds.begin(), kinds.end(), [](bool on) { return on; });
}

bool TSelectionCriteria::Matches(const TMob& mob, TObjRef ref) const {
  return VisitRecord(mob, ref, [&](const auto& r) { return Matches(r); });
}

bool TSelectionCriteria::InArea(float x, float y) const {
  // Y1 is the upper bound of y and Y2 the lower one; tested in the order X1, Y1,
  // X2, Y2.
  if (rectangle && !(rectangle->x1 <= x && y <= rectangle->y1 && x <= rectangle->x2 && rectangle->y2 <= y))
    return false;
  if (circle) {
    // Half the chord at x, computed in double and rounded to single precision like
    // the coordinates themselves.
    const double dx = double(x) - circle->x;
    const float h2 = float(circle->radius * circle->radius - dx * dx);
    if (h2 < 0) return false;
    const float h = float(std::sqrt(double(h2)));
    const double dy = double(y) - circle->y;
    if (!(-h <= dy && dy <= h)) return false;
  }
  return true;
}

}  // namespace kelvarin
