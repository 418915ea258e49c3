#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/floattext.h"
#include "common/textchecks.h"

namespace kelvarin {
namespace {

struct DisplayCase {
  float value;
  const char* dotText;
};

class FloatDisplay : public testing::TestWithParam<DisplayCase> {};

TEST_P(FloatDisplay, ShowsFifteenDigitsFixedOrScientific) {
  EXPECT_EQ(FloatToDisplayText(GetParam().value, '.'), GetParam().dotText);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatDisplay,
    testing::Values(
        DisplayCase{0.0f, "0"}, DisplayCase{-0.0f, "-0"}, DisplayCase{1.0f, "1"},
        DisplayCase{-2.5f, "-2.5"}, DisplayCase{100.0f, "100"},
        DisplayCase{0.1f, "0.100000001490116"}, DisplayCase{-1234.5f, "-1234.5"},
        // The lower bound of fixed notation: 0.0001f lies just below 1E-4.
        DisplayCase{0.0001f, "9.99999974737875E-5"}, DisplayCase{0.00025f, "0.000250000011874363"},
        DisplayCase{1e-5f, "9.99999974737875E-6"}, DisplayCase{0.5e-5f, "4.99999987368938E-6"},
        DisplayCase{1.0f / 1024 / 1024 / 1024, "9.31322574615479E-10"},
        // The upper bound: 1E15f is 999999986991104 (fixed, 15 digits); the next
        // float is above 1E15 and goes scientific.
        DisplayCase{1e15f, "999999986991104"},
        DisplayCase{std::nextafter(1e15f, 2e15f), "1.00000005409997E15"},
        DisplayCase{16777216.0f * 16777216.0f, "281474976710656"},
        DisplayCase{1e20f, "1.00000002004088E20"}, DisplayCase{-1.5e30f, "-1.49999994701334E30"}, DisplayCase{-1.0f / 1048576, "-9.5367431640625E-7"},
        DisplayCase{std::numeric_limits<float>::max(), "3.40282346638529E38"},
        DisplayCase{std::numeric_limits<float>::denorm_min(), "1.40129846432482E-45"},
        DisplayCase{std::numeric_limits<float>::quiet_NaN(), "NAN"},
        DisplayCase{std::numeric_limits<float>::infinity(), "INF"},
        DisplayCase{-std::numeric_limits<float>::infinity(), "-INF"}));

TEST(FloatDisplayText, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FloatToDisplayText(0.1f, ','), "0,100000001490116");
  EXPECT_EQ(FloatToDisplayText(-1.5e30f, ','), "-1,49999994701334E30");
  EXPECT_EQ(FloatToDisplayText(65536.0f * 65536.0f * 65536.0f * 65536.0f, ','), "1,84467440737096E19");
  EXPECT_EQ(FloatToDisplayText(0.00025f, ','), "0,000250000011874363");
  EXPECT_EQ(FloatToDisplayText(42.0f, ','), "42");
}

// What the parameter table relies on: a fixed-notation display, typed back in,
// passes the float check and converts to exactly the same 32-bit value; a
// scientific one fails the check and so can never change the field.
TEST(FloatDisplayText, FixedTextsConvertBackToTheSameBits) {
  const float samples[] = {0.1f,         -0.0f,     1.0f / 3,  123456.789f, -9999.999f,
                           0.000123456f, 1e14f,     7e-4f,     1e15f,       3.14159265f,
                           -0.00011f,    65504.25f, 2.5e-4f,   8388607.5f};
  for (char sep : {'.', ','}) {
    for (float v : samples) {
      const std::string text = FloatToDisplayText(v, sep);
      ASSERT_TRUE(CheckStrFloat(text, sep)) << text;
      const auto back = ConvertFloat(text, sep);
      ASSERT_TRUE(back.has_value()) << text;
      EXPECT_EQ(std::signbit(*back), std::signbit(v)) << text;
      EXPECT_EQ(*back, v) << text;
    }
  }
  EXPECT_FALSE(CheckStrFloat(FloatToDisplayText(1e-5f, '.'), '.'));
  EXPECT_FALSE(CheckStrFloat(FloatToDisplayText(1e20f, ','), ','));
}

// The GUI toolkit sets the C library's locale from the desktop at start-up; the
// display must not pick up the C library's decimal comma on top of its own
// separator.
TEST(FloatDisplayText, IgnoresTheCLibrarysNumericLocale) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char* commaLocale = nullptr;
  for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8", "ru_RU.CP1251", "de_DE.UTF-8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
      commaLocale = name;
      break;
    }
  if (!commaLocale) {
    std::setlocale(LC_NUMERIC, saved.c_str());
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const std::string dot = FloatToDisplayText(0.1f, '.');
  const std::string comma = FloatToDisplayText(-1.5e30f, ',');
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(dot, "0.100000001490116");
  EXPECT_EQ(comma, "-1,49999994701334E30");
}

TEST(FloatShortText, ShortestTextThatReadsBackAsTheSameValue) {
  EXPECT_EQ(FloatToShortText(0.1f, '.'), "0.1");
  EXPECT_EQ(FloatToShortText(-9876.54f, ','), "-9876,54");
  EXPECT_EQ(FloatToShortText(120.5f, '.'), "120.5");
  EXPECT_EQ(FloatToShortText(0.0f, '.'), "0");
  EXPECT_EQ(FloatToShortText(-0.0f, '.'), "-0");
  EXPECT_EQ(FloatToShortText(1e20f, '.'), "1E20");
  EXPECT_EQ(FloatToShortText(-1.5e-7f, ','), "-1,5E-7");
  EXPECT_EQ(FloatToShortText(std::numeric_limits<float>::quiet_NaN(), '.'), "NAN");
  EXPECT_EQ(FloatToShortText(-std::numeric_limits<float>::infinity(), '.'), "-INF");
  for (float value : {3.14159274f, 1e-38f, 16777217.0f, -33.25f}) {
    const std::string text = FloatToShortText(value, '.');
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
  }
}

}  // namespace
}  // namespace kelvarin
