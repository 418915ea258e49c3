// The hex view's text: offsets, hex pairs, the 1251 characters with '.' for what
// shows nothing, and a short last line aligned with the others.
#include <gtest/gtest.h>

#include "blocks/core/hexdump.h"
#include "common/bytes.h"

namespace kelvarin {
namespace {

Bytes Range(int from, int count) {
  Bytes b;
  for (int i = 0; i < count; ++i) b.push_back(std::uint8_t(from + i));
  return b;
}

TEST(HexDump, LinesOfSixteenBytes) {
  Bytes data = {'M', 'Z', 0x00, 0x98, 0xC0, 0xFF, 0x7F, 0xA0, 0xAD, 0xB9, ' ', '~', 0x1F, 0x80, 0x20, 'a',
                0x10, 0xE9};
  const std::string text = HexDumpText(data);
  EXPECT_EQ(text,
            "00000000  4D 5A 00 98 C0 FF 7F A0 AD B9 20 7E 1F 80 20 61  MZ..\xC0\xFF...\xB9 ~.\x80 a\n"
            "00000010  10 E9                                            .\xE9\n");
  EXPECT_EQ(HexDumpLineCount(0), 0u);
  EXPECT_EQ(HexDumpLineCount(16), 1u);
  EXPECT_EQ(HexDumpLineCount(17), 2u);
  EXPECT_EQ(HexDumpText({}), "");
}

TEST(HexDump, PartsOfALine) {
  const Bytes data = Range(0, 40);
  EXPECT_EQ(HexDumpLineBytes(data, 2).size(), 8u);
  EXPECT_EQ(HexDumpLineBytes(data, 2)[0], 32);
  EXPECT_TRUE(HexDumpLineBytes(data, 3).empty());
  EXPECT_EQ(HexDumpOffsetText(0xABCDEF12u), "ABCDEF12");
  EXPECT_EQ(HexDumpOffsetText(0x30), "00000030");
  // What "copy as hex" puts on the clipboard for a line.
  EXPECT_EQ(HexDumpBytesText(HexDumpLineBytes(data, 2)), "20 21 22 23 24 25 26 27");
  EXPECT_EQ(HexDumpCharsText(HexDumpLineBytes(data, 2)), " !\"#$%&'");
  // The characters of a short line start in the same column as those of a full one.
  constexpr std::size_t kCharsColumn = 8 + 2 + 16 * 3 - 1 + 2;
  EXPECT_EQ(HexDumpLine(data, 0).substr(kCharsColumn), HexDumpCharsText(HexDumpLineBytes(data, 0)));
  EXPECT_EQ(HexDumpLine(data, 2).substr(kCharsColumn), " !\"#$%&'");
}

}  // namespace
}  // namespace kelvarin
