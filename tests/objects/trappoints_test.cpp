// The values of the points dialog: every 32-bit pattern survives its float text and
// its integer texts, typed texts are taken or refused as they should be, and the
// point list operations keep every other value where it was.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "objects/core/trappoints.h"

namespace kelvarin {
namespace {

// What the float column gives back for the text it shows.
std::uint32_t ThroughFloatText(std::uint32_t bits, char separator) {
  const auto parsed = ParsePointFloat(PointFloatText(bits, separator), separator, bits);
  EXPECT_TRUE(parsed.bits) << PointFloatText(bits, separator);
  return parsed.bits.value_or(~bits);
}

TEST(TrapPointValues, SpecialPatternsSurviveEveryForm) {
  const std::uint32_t patterns[] = {
      0x00000000, 0x80000000,              // +0, -0
      0x7F800000, 0xFF800000,              // +inf, -inf
      0x00000001, 0x80000001, 0x007FFFFF,  // denormals
      0x00400000, 0x807FFFFF,
      0x7FC00000, 0xFFC00000, 0x7F800001,  // NaNs: quiet, negative, signalling
      0x7FBFFFFF, 0xFFFFFFFF, 0x7FC12345,  // NaN payloads
      0x3F800000, 0x3DCCCCCD, 0x7F7FFFFF,  // 1, 0.1, the largest float
      0x00800000, 0x38D1B717,              // the smallest normal, 1E-4 region
      0x5A0E1BCA, 0x4B189680,              // about 1E16 and 1E7
  };
  for (std::uint32_t bits : patterns) {
    SCOPED_TRACE(PointHexText(bits));
    EXPECT_EQ(ThroughFloatText(bits, '.'), bits);
    EXPECT_EQ(ThroughFloatText(bits, ','), bits);
    EXPECT_EQ(ParsePointInteger(PointDecimalText(bits)).bits, bits);
    EXPECT_EQ(ParsePointInteger(PointHexText(bits)).bits, bits);
  }
}

TEST(TrapPointValues, AMillionRandomPatternsSurvive) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 1000000; ++i) {
    const std::uint32_t bits = random();
    const char separator = (i & 1) ? ',' : '.';
    const auto viaFloat = ParsePointFloat(PointFloatText(bits, separator), separator, bits);
    const auto viaDecimal = ParsePointInteger(PointDecimalText(bits));
    const auto viaHex = ParsePointInteger(PointHexText(bits));
    if (viaFloat.bits != bits || viaDecimal.bits != bits || viaHex.bits != bits) {
      ADD_FAILURE() << PointHexText(bits) << " shown as " << PointFloatText(bits, separator);
      return;
    }
  }
}

TEST(TrapPointValues, Texts) {
  EXPECT_EQ(PointFloatText(0x3DCCCCCD, ','), "0,100000001490116");
  EXPECT_EQ(PointFloatText(0x7FC12345, '.'), "NAN");
  EXPECT_EQ(PointFloatText(0xFF800000, '.'), "-INF");
  EXPECT_EQ(PointFloatText(0x80000000, '.'), "-0");
  EXPECT_EQ(PointFloatText(0x00000001, '.'), "1.40129846432482E-45");
  EXPECT_EQ(PointDecimalText(0xFFFFFFFF), "4294967295");
  EXPECT_EQ(PointHexText(0x3F800000), "0x3F800000");
}

TEST(TrapPointValues, TypedFloats) {
  const std::uint32_t any = 0x12345678;
  const auto bits = [&](const char* text, char separator = ',') { return ParsePointFloat(text, separator, any).bits; };
  EXPECT_EQ(bits("1"), 0x3F800000u);
  EXPECT_EQ(bits("  -1,5 "), std::bit_cast<std::uint32_t>(-1.5f));
  EXPECT_EQ(bits("1.5"), std::bit_cast<std::uint32_t>(1.5f));  // a point is read whatever the locale
  EXPECT_EQ(bits("+2.", '.'), std::bit_cast<std::uint32_t>(2.0f));
  EXPECT_EQ(bits(",5"), std::bit_cast<std::uint32_t>(0.5f));
  EXPECT_EQ(bits("1E-5"), std::bit_cast<std::uint32_t>(1e-5f));
  EXPECT_EQ(bits("2,5e+3"), std::bit_cast<std::uint32_t>(2500.0f));
  EXPECT_EQ(bits("-0"), 0x80000000u);
  EXPECT_EQ(bits("nan"), 0x7FC00000u);
  EXPECT_EQ(bits("-NaN"), 0xFFC00000u);
  EXPECT_EQ(bits("inf"), 0x7F800000u);
  EXPECT_EQ(bits("-Inf"), 0xFF800000u);
  EXPECT_EQ(bits("INF"), 0x7F800000u);
  // "nan" typed over a NaN keeps its payload.
  EXPECT_EQ(ParsePointFloat("nan", '.', 0x7FC00001).bits, 0x7FC00001u);
  EXPECT_EQ(ParsePointFloat("-nan", '.', 0xFFFFFFFF).bits, 0xFFFFFFFFu);
  EXPECT_EQ(ParsePointFloat("-nan", '.', 0x7FC00001).bits, 0xFFC00000u);

  using E = TPointTextError;
  for (const char* text : {"", " ", "-", ".", "1,2,3", "1.2.3", "abc", "1e", "1E+", "0x10", "1 2", "--1",
                           "infinity", "nan(1)", "1f", "e5"}) {
    const auto parsed = ParsePointFloat(text, ',', any);
    EXPECT_FALSE(parsed.bits) << text;
    EXPECT_EQ(parsed.error, E::NotANumber) << text;
  }
  for (const char* text : {"3,5E38", "1E39", "-1E39", "1E-50", "1e400"}) {
    const auto parsed = ParsePointFloat(text, ',', any);
    EXPECT_FALSE(parsed.bits) << text;
    EXPECT_EQ(parsed.error, E::OutOfRange) << text;
  }
}

TEST(TrapPointValues, TypedIntegers) {
  EXPECT_EQ(ParsePointInteger("0").bits, 0u);
  EXPECT_EQ(ParsePointInteger(" 4294967295 ").bits, 0xFFFFFFFFu);
  EXPECT_EQ(ParsePointInteger("-1").bits, 0xFFFFFFFFu);
  EXPECT_EQ(ParsePointInteger("-2147483648").bits, 0x80000000u);
  EXPECT_EQ(ParsePointInteger("+7").bits, 7u);
  EXPECT_EQ(ParsePointInteger("0xff").bits, 0xFFu);
  EXPECT_EQ(ParsePointInteger("0X00000000DEADBEEF").bits, 0xDEADBEEFu);
  using E = TPointTextError;
  for (const char* text : {"", "-", "0x", "0xg", "12a", "1.5", "0x-1", "+-1", "1e3", "x10"})
    EXPECT_EQ(ParsePointInteger(text).error, E::NotANumber) << text;
  for (const char* text : {"4294967296", "-2147483649", "0x100000000", "99999999999999999999999"}) {
    const auto parsed = ParsePointInteger(text);
    EXPECT_FALSE(parsed.bits) << text;
    EXPECT_EQ(parsed.error, E::OutOfRange) << text;
  }
}

TEST(TrapPointTable, AddInsertDeleteMove) {
  TTrapPointTable table = TTrapPointTable::Of(std::vector<TTrapPoint3>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  ASSERT_EQ(table.Count(), 3u);
  table.Move(0, 2);
  EXPECT_EQ(table.Points3(), (std::vector<TTrapPoint3>{{4, 5, 6}, {7, 8, 9}, {1, 2, 3}}));
  table.Move(2, 1);
  EXPECT_EQ(table.Points3(), (std::vector<TTrapPoint3>{{4, 5, 6}, {1, 2, 3}, {7, 8, 9}}));
  table.Insert(1);
  table.Insert(table.Count());
  EXPECT_EQ(table.Points3(), (std::vector<TTrapPoint3>{{4, 5, 6}, {0, 0, 0}, {1, 2, 3}, {7, 8, 9}, {0, 0, 0}}));
  table.SetValue(1, 2, 0xFFFFFFFF);
  table.Remove(0);
  table.Remove(99);  // nothing there
  table.Move(0, 7);
  EXPECT_EQ(table.Points3(), (std::vector<TTrapPoint3>{{0, 0, 0xFFFFFFFF}, {1, 2, 3}, {7, 8, 9}, {0, 0, 0}}));

  TTrapPointTable two = TTrapPointTable::Of(std::vector<TTrapPoint2>{{1, 2}, {3, 4}});
  EXPECT_EQ(two.Width(), 2);
  two.Move(1, 0);
  two.Remove(1);
  EXPECT_EQ(two.Points2(), (std::vector<TTrapPoint2>{{3, 4}}));
  two.Remove(0);
  EXPECT_EQ(two.Count(), 0u);
  EXPECT_TRUE(two.Points2().empty());
}

}  // namespace
}  // namespace kelvarin
