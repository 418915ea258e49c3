#include "map/core/areafields.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "common/textchecks.h"

namespace kelvarin {
namespace {

bool IsZero(const std::string& magnitude) {
  return std::all_of(magnitude.begin(), magnitude.end(), [](char c) { return c == '0' || c == '.'; });
}

// One unit more in the last place of a magnitude ("9.99" -> "10.00").
std::string Increment(std::string m) {
  for (std::size_t i = m.size(); i-- > 0;) {
    if (m[i] == '.') continue;
    if (m[i] != '9') {
      ++m[i];
      return m;
    }
    m[i] = '0';
  }
  return "1" + m;
}

// One unit less in the last place of a magnitude above zero ("10.00" -> "9.99").
std::string Decrement(std::string m) {
  for (std::size_t i = m.size(); i-- > 0;) {
    if (m[i] == '.') continue;
    if (m[i] != '0') {
      --m[i];
      break;
    }
    m[i] = '9';
  }
  const std::size_t point = std::min(m.find('.'), m.size());
  std::size_t lead = 0;
  while (lead + 1 < point && m[lead] == '0') ++lead;
  return m.substr(lead);
}

// A decimal text "-?d+(.d+)?" moved by one unit of its last place.
std::string StepLastPlace(const std::string& text, bool up) {
  bool negative = text[0] == '-';
  std::string magnitude = negative ? text.substr(1) : text;
  if (IsZero(magnitude)) {
    magnitude = Increment(magnitude);
    negative = !up;
  } else if (up != negative) {
    magnitude = Increment(magnitude);
  } else {
    magnitude = Decrement(magnitude);
  }
  return (negative && !IsZero(magnitude) ? "-" : "") + magnitude;
}

std::string Fixed(double value, int decimals) {
  char buffer[400];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, r.ptr);
  if (text[0] == '-' && IsZero(text.substr(1))) text.erase(0, 1);
  return text;
}

// The number the engine reads from a text with a "." separator.
long double EngineValue(const std::string& text) { return ConvertExtended(text, '.').value_or(0.0L); }

double ToFloatRange(double value) {
  if (std::isnan(value)) return 0;
  return std::clamp(value, double(-FLT_MAX), double(FLT_MAX));
}

std::string WithSeparator(std::string text, char separator) {
  std::replace(text.begin(), text.end(), '.', separator);
  return text;
}

// The float nearest `value` on the side a bound must keep: an upper bound has to
// stay above every float up to `value`, a lower bound below every float from it.
double FloatBound(double value, bool up) {
  float f = static_cast<float>(value);
  if (up && double(f) > value) f = std::nextafter(f, -FLT_MAX);
  if (!up && double(f) < value) f = std::nextafter(f, FLT_MAX);
  return f;
}

// Rounded in the given direction, with a "." separator. Records stand at floats,
// so a text is far enough out when no float lies between it and `value`: 0.1 stays
// "0.1" although the engine reads it a hair below the double 0.1.
std::string Rounded(double value, int decimals, bool up) {
  value = ToFloatRange(value);
  std::string text = Fixed(value, std::clamp(decimals, 0, 9));
  const long double read = EngineValue(text);
  const double bound = FloatBound(value, up);
  if (up ? read < bound : read > bound) text = StepLastPlace(text, up);
  // At the ends of the float range the step may leave it; the range's own end,
  // a whole number, is a bound on the far side of every float.
  if (!ConvertExtended(text, '.')) text = Fixed(up ? double(FLT_MAX) : double(-FLT_MAX), 0);
  return text;
}

}  // namespace

int AreaDecimals(double worldPerPixel) {
  if (!(worldPerPixel > 0) || !std::isfinite(worldPerPixel)) return 0;
  return std::clamp(int(std::ceil(-std::log10(worldPerPixel))), 0, 6);
}

std::string DecimalTextDown(double value, int decimals, char separator) {
  return WithSeparator(Rounded(value, decimals, false), separator);
}

std::string DecimalTextUp(double value, int decimals, char separator) {
  return WithSeparator(Rounded(value, decimals, true), separator);
}

TRectangleFieldTexts RectangleTexts(const TAreaRectangle& drawn, int decimals, char separator) {
  const double left = std::min(drawn.x1, drawn.x2), right = std::max(drawn.x1, drawn.x2);
  const double bottom = std::min(drawn.y1, drawn.y2), top = std::max(drawn.y1, drawn.y2);
  return {DecimalTextDown(left, decimals, separator), DecimalTextUp(top, decimals, separator),
          DecimalTextUp(right, decimals, separator), DecimalTextDown(bottom, decimals, separator)};
}

TCircleFieldTexts CircleTexts(const TAreaCircle& drawn, int decimals, char separator) {
  decimals = std::clamp(decimals, 0, 9);
  const std::string x = Fixed(ToFloatRange(drawn.x), decimals);
  const std::string y = Fixed(ToFloatRange(drawn.y), decimals);
  const double shift = std::fabs(double(EngineValue(x)) - drawn.x) + std::fabs(double(EngineValue(y)) - drawn.y);
  const double radius = std::fabs(drawn.radius) + (std::isfinite(shift) ? shift : 0);
  return {WithSeparator(x, separator), WithSeparator(y, separator), DecimalTextUp(radius, decimals, separator)};
}

std::optional<TAreaRectangle> RectangleOf(const TSelectionCriteria& criteria) {
  if (!criteria.rectangle) return std::nullopt;
  const TCriteriaRectangle& r = *criteria.rectangle;
  return TAreaRectangle{double(r.x1), double(r.y1), double(r.x2), double(r.y2)};
}

std::optional<TAreaCircle> CircleOf(const TSelectionCriteria& criteria) {
  if (!criteria.circle) return std::nullopt;
  return TAreaCircle{criteria.circle->x, criteria.circle->y, std::fabs(criteria.circle->radius)};
}

}  // namespace kelvarin
