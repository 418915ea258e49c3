// The values of a trap's point lists as the points dialog shows and takes them.
// The program does not know what the values mean, so each 4-byte value is shown
// both as a 32-bit float (in the parameter table's display format) and as its raw
// unsigned integer, and either form may be typed. A value keeps its exact bytes
// unless the user types a new one: a float text is stored as its 4 bytes, an integer
// text as given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mob/records.h"

namespace kelvarin {

// "0,100000001490116", "1E-5", "NAN", "INF", "-INF", "-0" (with the locale's separator).
std::string PointFloatText(std::uint32_t bits, char decimalSeparator);
// "1065353216": the unsigned decimal value.
std::string PointDecimalText(std::uint32_t bits);
// "0x3F800000".
std::string PointHexText(std::uint32_t bits);

enum class TPointTextError {
  NotANumber,  // the text is no number of the form the column takes
  OutOfRange,  // a number that the 4 bytes cannot hold
};

struct TPointParse {
  std::optional<std::uint32_t> bits;
  TPointTextError error = TPointTextError::NotANumber;
};

// A float text: an optional sign, digits with at most one decimal separator ('.'
// or the locale's), an optional exponent ("E-5", "e+7"), blanks around it ignored;
// or "nan", "inf", "-inf" in any letter case. Values beyond the float range, and
// nonzero values too small for a float, are out of range. "nan" typed over a NaN
// keeps that NaN's bytes (its payload shows nowhere else); a new NaN is the quiet
// one, 0x7FC00000 (0xFFC00000 for "-nan").
TPointParse ParsePointFloat(std::string_view text, char decimalSeparator, std::uint32_t current);

// An integer text: decimal from -2147483648 to 4294967295 (a negative value is
// stored as its two's complement) or hexadecimal "0x" followed by digits up to
// 0xFFFFFFFF; blanks around it ignored.
TPointParse ParsePointInteger(std::string_view text);

// A point list being edited: `Width` raw values per point (3 for TrapPoints1, 2 for
// TrapPoints2).
class TTrapPointTable {
 public:
  explicit TTrapPointTable(int width) : m_width(width) {}
  static TTrapPointTable Of(const std::vector<TTrapPoint3>& points);
  static TTrapPointTable Of(const std::vector<TTrapPoint2>& points);
  std::vector<TTrapPoint3> Points3() const;
  std::vector<TTrapPoint2> Points2() const;

  int Width() const { return m_width; }
  std::size_t Count() const { return m_values.size() / std::size_t(m_width); }
  std::uint32_t Value(std::size_t point, int value) const { return m_values[Index(point, value)]; }
  void SetValue(std::size_t point, int value, std::uint32_t bits) { m_values[Index(point, value)] = bits; }

  // A point of zeros at `at` (Count() appends it); later points move down.
  void Insert(std::size_t at);
  void Remove(std::size_t at);
  // The point at `from` goes to `to`; the points between close up.
  void Move(std::size_t from, std::size_t to);

  bool operator==(const TTrapPointTable&) const = default;

 private:
  std::size_t Index(std::size_t point, int value) const { return point * std::size_t(m_width) + std::size_t(value); }

  int m_width;
  std::vector<std::uint32_t> m_values;
};

}  // namespace kelvarin
