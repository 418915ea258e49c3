// The areas a user draws on the map, as the mass-change page's edits hold them: the
// rectangle's four edits in the order the engine reads them (X1 the lower bound of
// x, Y1 the upper bound of y, X2 and Y2 the other two) and the circle's centre and
// radius. The numbers are plain decimals with the locale's separator, so the option
// check takes them as typed numbers, and they are rounded outwards: a record inside
// the drawn shape is inside the written one.
#pragma once

#include <optional>
#include <string>

#include "criteria/areatexts.h"
#include "criteria/selectioncriteria.h"

namespace kelvarin {

// A rectangle drawn from any corner to the opposite one.
struct TAreaRectangle {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct TAreaCircle {
  double x = 0, y = 0, radius = 0;
};

// The number of decimals that keeps a drawn edge within about a pixel of
// `worldPerPixel` when it is rounded: none for coarse views, up to six.
int AreaDecimals(double worldPerPixel);

// `value` written with `decimals` decimals, rounded down (towards minus infinity)
// or up, as the engine's own conversion reads the text back; clamped to the float
// range, which the option check accepts.
std::string DecimalTextDown(double value, int decimals, char decimalSeparator);
std::string DecimalTextUp(double value, int decimals, char decimalSeparator);

TRectangleFieldTexts RectangleTexts(const TAreaRectangle& drawn, int decimals, char decimalSeparator);
// The centre rounded to the nearest text, the radius rounded up by as much as
// the centre moved, so the written circle covers the drawn one.
TCircleFieldTexts CircleTexts(const TAreaCircle& drawn, int decimals, char decimalSeparator);

// The shapes the criteria hold. The rectangle keeps its bounds as the engine reads
// them (one with Y1 below Y2 is empty); the circle's radius is its magnitude.
std::optional<TAreaRectangle> RectangleOf(const TSelectionCriteria& criteria);
std::optional<TAreaCircle> CircleOf(const TSelectionCriteria& criteria);

}  // namespace kelvarin
