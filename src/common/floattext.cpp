#include "common/floattext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace kelvarin {
namespace {

constexpr int kSignificantDigits = 15;

// Digits without trailing zeros (at least one digit is kept).
std::string TrimTrailingZeros(std::string digits) {
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return digits;
}

}  // namespace

std::string FloatToDisplayText(float value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const bool negative = std::signbit(value);
  if (value == 0) return negative ? "-0" : "0";

  // A float widens to double exactly; to_chars rounds the exact value correctly.
  // Scientific with 14 decimals gives d.dddddddddddddde+XX: 15 significant digits
  // and the decimal exponent of the rounded value, so a value that rounds up into
  // the next decade is placed by its rounded form. Unlike printf, to_chars ignores
  // the C locale, which the GUI toolkit sets from the desktop (a comma in Russian).
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer,
                                     std::fabs(static_cast<double>(value)),
                                     std::chars_format::scientific, kSignificantDigits - 1);
  *written.ptr = '\0';
  std::string mantissa;
  const char* p = buffer;
  for (; *p != 'e'; ++p)
    if (*p != '.') mantissa.push_back(*p);
  const int exponent = std::atoi(p + 1);
  const std::string digits = TrimTrailingZeros(mantissa);

  std::string text = negative ? "-" : "";
  if (exponent >= -4 && exponent < kSignificantDigits) {
    if (exponent >= 0) {
      const std::size_t intDigits = std::size_t(exponent) + 1;
      if (digits.size() <= intDigits) {
        text += digits;
        text.append(intDigits - digits.size(), '0');
      } else {
        text += digits.substr(0, intDigits);
        text += decimalSeparator;
        text += digits.substr(intDigits);
      }
    } else {
      text += '0';
      text += decimalSeparator;
      text.append(std::size_t(-exponent - 1), '0');
      text += digits;
    }
    return text;
  }
  text += digits[0];
  if (digits.size() > 1) {
    text += decimalSeparator;
    text += digits.substr(1);
  }
  text += 'E';
  text += std::to_string(exponent);
  return text;
}

std::string FloatToShortText(float value, char decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text;
  for (const char* p = buffer; p != written.ptr; ++p) {
    if (*p == '.') text += decimalSeparator;
    else if (*p == 'e') text += 'E';
    else if (*p != '+') text += *p;
  }
  // The exponent without leading zeros, as the display form writes it.
  if (const auto e = text.find('E'); e != std::string::npos) {
    const std::size_t digits = e + 1 + (text[e + 1] == '-' ? 1 : 0);
    while (text.size() - digits > 1 && text[digits] == '0') text.erase(digits, 1);
  }
  return text;
}

}  // namespace kelvarin
