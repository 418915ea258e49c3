// The text a 32-bit float is shown as wherever the user reads or retypes a value:
// 15 significant digits, fixed notation for zero and for magnitudes from 0.0001 up
// to (not including) 1E15, scientific otherwise ("1.5E20", "9.99999974737875E-6").
// Fifteen digits are more than a float needs, so a fixed-notation text converts back
// to exactly the same 32-bit value.
#pragma once

#include <string>

namespace kelvarin {

// `decimalSeparator` is the user's locale separator ('.' or ','). Zero shows as "0",
// negative zero as "-0" (so that retyping it keeps the sign bit); NaN as "NAN" and the
// infinities as "INF" and "-INF".
std::string FloatToDisplayText(float value, char decimalSeparator);

// The shortest text that reads back as the same 32-bit value, for columns where
// fifteen digits would drown the number ("120.5", "-9876.54", "1E20"). NaN and
// the infinities as above.
std::string FloatToShortText(float value, char decimalSeparator);

}  // namespace kelvarin
