#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/textchecks.h"

namespace kelvarin {
namespace {

TEST(TextChecks, Integer) {
  for (const char* ok : {"0", "-1", "123", "99999999999999999999", "-0", "007"})
    EXPECT_TRUE(CheckStrInt(ok)) << ok;
  for (const char* bad : {"", "-", "+1", " 1", "1 ", "1.0", "--1", "1-", "a"})
    EXPECT_FALSE(CheckStrInt(bad)) << bad;
}

TEST(TextChecks, ByteRangeIsMinus128To255) {
  for (const char* ok : {"-128", "0", "255", "-1", "0255"}) EXPECT_TRUE(CheckStrByte(ok)) << ok;
  for (const char* bad : {"-129", "256", "", "-", "99999999999999999999999"})
    EXPECT_FALSE(CheckStrByte(bad)) << bad;
}

TEST(TextChecks, FloatFollowsTheDecimalSeparator) {
  for (const char* ok : {"NAN", "1", "-1.5", ".", "-.", "1.", ".5", "12345678901234567890"})
    EXPECT_TRUE(CheckStrFloat(ok, '.')) << ok;
  for (const char* bad : {"", "-", "1,5", "1e5", "+1", " 1", "1.2.3", "nan", "NaN", "Infinity"})
    EXPECT_FALSE(CheckStrFloat(bad, '.')) << bad;
  EXPECT_TRUE(CheckStrFloat("-12,5", ','));
  EXPECT_FALSE(CheckStrFloat("-12.5", ','));
}

TEST(TextChecks, ConversionsRefuseTextsWithoutAUsableNumber) {
  EXPECT_EQ(ConvertInt32("-2147483648"), INT32_MIN);
  EXPECT_EQ(ConvertInt32("2147483647"), INT32_MAX);
  EXPECT_FALSE(ConvertInt32("2147483648"));
  EXPECT_FALSE(ConvertInt32("4294967295"));

  EXPECT_FALSE(ConvertFloat("NAN", '.'));
  EXPECT_FALSE(ConvertFloat(".", '.'));
  EXPECT_FALSE(ConvertFloat("-.", '.'));
  EXPECT_FALSE(ConvertFloat("1" + std::string(40, '0'), '.'));  // beyond a 32-bit float
  EXPECT_EQ(ConvertFloat("1.", '.'), 1.0f);
  EXPECT_EQ(ConvertFloat("-,5", ','), -0.5f);
  EXPECT_EQ(ConvertFloat("0.100000001490116", '.'), 0.1f);  // the table's 15-digit display
  EXPECT_EQ(ConvertFloat("0" + std::string(60, '0') + "1", '.'), 1.0f);
}

TEST(TextChecks, NarrowingToFloatRefusesOnlyFiniteOverflow) {
  constexpr float kMax = std::numeric_limits<float>::max();
  EXPECT_EQ(NarrowToFloat(0.1L), 0.1f);
  EXPECT_EQ(NarrowToFloat(static_cast<long double>(kMax) * (1 + 1e-9L)), kMax);  // rounds down to the largest
  EXPECT_FALSE(NarrowToFloat(static_cast<long double>(kMax) * 2));
  EXPECT_FALSE(NarrowToFloat(-1e39L));
  EXPECT_EQ(NarrowToFloat(std::numeric_limits<long double>::infinity()), std::numeric_limits<float>::infinity());
  EXPECT_TRUE(std::isnan(*NarrowToFloat(std::numeric_limits<long double>::quiet_NaN())));
}

}  // namespace
}  // namespace kelvarin
