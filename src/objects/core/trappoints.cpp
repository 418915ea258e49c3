#include "objects/core/trappoints.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "common/floattext.h"

namespace kelvarin {
namespace {

constexpr std::uint32_t kQuietNaN = 0x7FC00000;
constexpr std::uint32_t kSignBit = 0x80000000;

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return lower;
}

// The text in the form from_chars reads ("-12.5e-3"), or nullopt when it is not a
// number of the accepted form.
std::optional<std::string> CanonicalNumber(std::string_view text, char decimalSeparator) {
  std::string out;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    if (text[i] == '-') out += '-';
    ++i;
  }
  bool digits = false, separator = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      out += c;
      digits = true;
    } else if ((c == '.' || c == decimalSeparator) && !separator) {
      out += '.';
      separator = true;
    } else {
      break;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) out += text[i++];
    bool exponentDigits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      out += text[i];
      exponentDigits = true;
    }
    if (!exponentDigits) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return out;
}

TPointParse Refused(TPointTextError error) { return {std::nullopt, error}; }

}  // namespace

std::string PointFloatText(std::uint32_t bits, char decimalSeparator) {
  return FloatToDisplayText(std::bit_cast<float>(bits), decimalSeparator);
}

std::string PointDecimalText(std::uint32_t bits) { return std::to_string(bits); }

std::string PointHexText(std::uint32_t bits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x00000000";
  for (int i = 9; i >= 2; --i, bits >>= 4) text[std::size_t(i)] = kDigits[bits & 15];
  return text;
}

TPointParse ParsePointFloat(std::string_view typed, char decimalSeparator, std::uint32_t current) {
  const std::string_view text = Trimmed(typed);
  const std::string lower = Lower(text);
  const bool currentIsNaN = std::isnan(std::bit_cast<float>(current));
  if (lower == "nan" || lower == "+nan") return {currentIsNaN ? current : kQuietNaN};
  if (lower == "-nan")
    return {currentIsNaN && (current & kSignBit) ? current : kQuietNaN | kSignBit};
  if (lower == "inf" || lower == "+inf") return {std::bit_cast<std::uint32_t>(INFINITY)};
  if (lower == "-inf") return {std::bit_cast<std::uint32_t>(-INFINITY)};

  const std::optional<std::string> number = CanonicalNumber(text, decimalSeparator);
  if (!number) return Refused(TPointTextError::NotANumber);
  // from_chars reads the decimal value and rounds it to the nearest float once, so
  // a displayed value (15 significant digits) comes back as exactly its bytes.
  float value = 0;
  const auto [end, ec] = std::from_chars(number->data(), number->data() + number->size(), value);
  if (ec == std::errc::result_out_of_range) return Refused(TPointTextError::OutOfRange);
  if (ec != std::errc() || end != number->data() + number->size())
    return Refused(TPointTextError::NotANumber);
  return {std::bit_cast<std::uint32_t>(value)};
}

TPointParse ParsePointInteger(std::string_view typed) {
  const std::string_view text = Trimmed(typed);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (end != digits.data() + digits.size() || (ec != std::errc() && ec != std::errc::result_out_of_range))
      return Refused(TPointTextError::NotANumber);
    if (ec == std::errc::result_out_of_range || value > 0xFFFFFFFFull) return Refused(TPointTextError::OutOfRange);
    return {std::uint32_t(value)};
  }
  std::string_view digits = text;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty() || !std::all_of(digits.begin() + (digits[0] == '-' ? 1 : 0), digits.end(), IsDigit) ||
      digits == "-")
    return Refused(TPointTextError::NotANumber);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc::result_out_of_range || value < -2147483648ll || value > 0xFFFFFFFFll)
    return Refused(TPointTextError::OutOfRange);
  if (ec != std::errc() || end != digits.data() + digits.size()) return Refused(TPointTextError::NotANumber);
  return {std::uint32_t(value)};  // a negative value wraps to its two's complement
}

TTrapPointTable TTrapPointTable::Of(const std::vector<TTrapPoint3>& points) {
  TTrapPointTable table(3);
  table.m_values.reserve(points.size() * 3);
  for (const TTrapPoint3& p : points) table.m_values.insert(table.m_values.end(), {p.A, p.B, p.C});
  return table;
}

TTrapPointTable TTrapPointTable::Of(const std::vector<TTrapPoint2>& points) {
  TTrapPointTable table(2);
  table.m_values.reserve(points.size() * 2);
  for (const TTrapPoint2& p : points) table.m_values.insert(table.m_values.end(), {p.A, p.B});
  return table;
}

std::vector<TTrapPoint3> TTrapPointTable::Points3() const {
  if (m_width != 3) throw std::logic_error("TTrapPointTable: not a list of three values a point");
  std::vector<TTrapPoint3> points(Count());
  for (std::size_t i = 0; i < points.size(); ++i) points[i] = {Value(i, 0), Value(i, 1), Value(i, 2)};
  return points;
}

std::vector<TTrapPoint2> TTrapPointTable::Points2() const {
  if (m_width != 2) throw std::logic_error("TTrapPointTable: not a list of two values a point");
  std::vector<TTrapPoint2> points(Count());
  for (std::size_t i = 0; i < points.size(); ++i) points[i] = {Value(i, 0), Value(i, 1)};
  return points;
}

void TTrapPointTable::Insert(std::size_t at) {
  at = std::min(at, Count());
  m_values.insert(m_values.begin() + std::ptrdiff_t(at * std::size_t(m_width)), std::size_t(m_width), 0u);
}

void TTrapPointTable::Remove(std::size_t at) {
  if (at >= Count()) return;
  const auto first = m_values.begin() + std::ptrdiff_t(at * std::size_t(m_width));
  m_values.erase(first, first + m_width);
}

void TTrapPointTable::Move(std::size_t from, std::size_t to) {
  if (from >= Count() || to >= Count() || from == to) return;
  const auto w = std::ptrdiff_t(m_width);
  const auto begin = m_values.begin();
  if (from < to)
    std::rotate(begin + std::ptrdiff_t(from) * w, begin + std::ptrdiff_t(from + 1) * w,
                begin + std::ptrdiff_t(to + 1) * w);
  else
    std::rotate(begin + std::ptrdiff_t(to) * w, begin + std::ptrdiff_t(from) * w,
                begin + std::ptrdiff_t(from + 1) * w);
}

}  // namespace kelvarin
