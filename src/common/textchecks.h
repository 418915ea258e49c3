// Checks and conversions of typed numbers, shared by the parameter table and the
// mass-change options. The checks look at the text only; the conversions say
// whether a text that passed its check also carries a usable number (".", "-.",
// "NAN" and values beyond 32 bits pass the checks but do not convert).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvarin {

// Optional leading "-" then one or more digits 0-9; no blanks, no "+", any length.
bool CheckStrInt(std::string_view text);

// CheckStrInt and a value from -128 to 255 inclusive.
bool CheckStrByte(std::string_view text);

// "NAN" exactly, or an optional leading "-" then digits with at most one
// `decimalSeparator` anywhere; no exponent, blanks or "+". Empty and "-" fail.
bool CheckStrFloat(std::string_view text, char decimalSeparator);

// The value of a text that passes CheckStrInt, or nullopt beyond the 32-bit range.
std::optional<std::int32_t> ConvertInt32(std::string_view text);

// The value of a text that passes CheckStrFloat, read in extended precision and
// rounded to a 32-bit float; nullopt for "NAN", a lone separator, "-" with a lone
// separator, and values beyond the range of a 32-bit float.
std::optional<float> ConvertFloat(std::string_view text, char decimalSeparator);

// A number rounded to a 32-bit float; nullopt for a finite number beyond the range
// of a 32-bit float (a value that rounds to the largest float still fits). NaN and
// the infinities stay what they are: they are no overflow.
std::optional<float> NarrowToFloat(long double value);

// The same value before the rounding to 32 bits (nullopt exactly where ConvertFloat
// gives nullopt), for sums and comparisons that must use the number as typed.
std::optional<long double> ConvertExtended(std::string_view text, char decimalSeparator);

}  // namespace kelvarin
