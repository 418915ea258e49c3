#include "common/textchecks.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kelvarin {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool CheckStrInt(std::string_view text) {
  if (text.empty() || text == "-") return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  for (; i < text.size(); ++i)
    if (!IsDigit(text[i])) return false;
  return true;
}

bool CheckStrByte(std::string_view text) {
  if (!CheckStrInt(text)) return false;
  // Any number of digits passes CheckStrInt; a value beyond 64 bits is out of range too.
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  return value >= -128 && value <= 255;
}

bool CheckStrFloat(std::string_view text, char decimalSeparator) {
  if (text == "NAN") return true;
  if (text.empty() || text == "-") return false;
  bool separatorSeen = false;
  for (std::size_t i = text[0] == '-' ? 1 : 0; i < text.size(); ++i) {
    if (IsDigit(text[i])) continue;
    if (text[i] != decimalSeparator || separatorSeen) return false;
    separatorSeen = true;
  }
  return true;
}

std::optional<std::int32_t> ConvertInt32(std::string_view text) {
  if (!CheckStrInt(text)) return std::nullopt;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<float> ConvertFloat(std::string_view text, char decimalSeparator) {
  if (const auto value = ConvertExtended(text, decimalSeparator)) return static_cast<float>(*value);
  return std::nullopt;
}

std::optional<long double> ConvertExtended(std::string_view text, char decimalSeparator) {
  if (!CheckStrFloat(text, decimalSeparator) || text == "NAN") return std::nullopt;
  std::string plain(text);
  bool hasDigit = false;
  for (char& c : plain) {
    if (c == decimalSeparator) c = '.';
    hasDigit = hasDigit || IsDigit(c);
  }
  if (!hasDigit) return std::nullopt;  // "." or "-."
  // from_chars accepts neither a leading "." after "-" in every library nor a
  // trailing "."; give it a canonical form.
  std::string canonical;
  std::size_t i = 0;
  if (plain[0] == '-') {
    canonical.push_back('-');
    i = 1;
  }
  if (plain[i] == '.') canonical.push_back('0');
  canonical.append(plain, i);
  if (canonical.back() == '.') canonical.push_back('0');
  long double value = 0;
  const auto [end, ec] =
      std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
  if (ec != std::errc() || end != canonical.data() + canonical.size()) return std::nullopt;
  if (!NarrowToFloat(value)) return std::nullopt;
  return value;
}

std::optional<float> NarrowToFloat(long double value) {
  const float rounded = static_cast<float>(value);
  // Values that round to FLT_MAX are still in range; beyond that they do not fit.
  if (std::isinf(rounded) && std::isfinite(value)) return std::nullopt;
  return rounded;
}

}  // namespace kelvarin
