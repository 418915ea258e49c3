#include <gtest/gtest.h>

#include "common/cp1251.h"
#include "common/hex.h"

namespace kelvarin {
namespace {

TEST(Cp1251, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  const auto back = Utf8ToCp1251(Cp1251ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(Cp1251, KnownLettersAndTheUndefinedByte) {
  EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
  EXPECT_EQ(Cp1251ToUnicode(0x98), U'\u0098');
  EXPECT_EQ(Cp1251ToUnicode(0x88), U'\u20AC');
  EXPECT_EQ(UnicodeToCp1251(U'\u0098'), 0x98);
}

TEST(Cp1251, CharactersOutsideTheCodePageAreReportedNotReplaced) {
  TCp1251Error error;
  EXPECT_FALSE(Utf8ToCp1251("ab\xE4\xB8\xADz", &error));  // a CJK character at byte 2
  EXPECT_EQ(error.offset, 2u);
  EXPECT_EQ(error.codePoint, U'\u4E2D');
  EXPECT_FALSE(error.invalidUtf8);

  EXPECT_FALSE(Utf8ToCp1251("x\xC3", &error));  // truncated sequence
  EXPECT_TRUE(error.invalidUtf8);
  EXPECT_FALSE(Utf8ToCp1251("\xC0\x80", &error));  // overlong encoding of NUL
  EXPECT_FALSE(Utf8ToCp1251("\xED\xA0\x80", &error));  // a surrogate
}

TEST(Hex, RoundTripAndRejects) {
  const Bytes bytes = {0x00, 0xAB, 0x10, 0xFF};
  EXPECT_EQ(ToHex(bytes), "00ab10ff");
  EXPECT_EQ(FromHex("00AB10ff"), bytes);
  EXPECT_FALSE(FromHex("abc"));
  EXPECT_FALSE(FromHex("zz"));
  EXPECT_EQ(FromHex(""), Bytes{});
}

}  // namespace
}  // namespace kelvarin
