#include "script/core/scripttext.h"

#include <gtest/gtest.h>

#include "common/cp1251.h"

namespace kelvarin {
namespace {

TEST(ScriptText, EveryKindOfLineBreakBecomesOneLf) {
  EXPECT_EQ(ScriptTextToEditor("a\r\nb\nc\rd\r\n\r\ne"), "a\nb\nc\nd\n\ne");
  EXPECT_EQ(ScriptTextToEditor("\r\r\n\n"), "\n\n\n");
}

TEST(ScriptText, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != '\r') all.push_back(char(b));
  const std::string utf8 = ScriptTextToEditor(all);
  EXPECT_NE(utf8.find("\xC2\x98"), std::string::npos);  // 0x98 shows as U+0098
  EXPECT_EQ(ScriptTextFromEditor(utf8), all);
}

TEST(ScriptText, SavingRemovesEveryCr) {
  EXPECT_EQ(ScriptTextFromEditor("a\r\nb\rc\n"), "a\nbc\n");
}

TEST(ScriptText, NamesLineAndColumnOfTheFirstCharacterThatDoesNotFit) {
  const struct {
    std::string utf8;
    std::size_t line, column;
    char32_t codePoint;
  } cases[] = {
      {"\xE2\x82\xAC\xE2\x84\xA2", 0, 0, 0},                  // euro and trade mark: both in 1251
      {"\xE2\x98\xBA", 1, 1, 0x263A},                          // first character
      {"ab\r\n\xD0\x96\xD0\xB6 \xE4\xB8\xAD x", 2, 4, 0x4E2D},  // after Cyrillic letters, CR LF before
      {"x\n\ny\xF0\x9F\x98\x80", 3, 2, 0x1F600},               // outside the basic plane
  };
  for (const auto& c : cases) {
    TScriptTextError error;
    const auto encoded = ScriptTextFromEditor(c.utf8, &error);
    if (c.line == 0) {
      EXPECT_TRUE(encoded.has_value()) << c.utf8;
      continue;
    }
    EXPECT_FALSE(encoded.has_value()) << c.utf8;
    EXPECT_EQ(error.line, c.line) << c.utf8;
    EXPECT_EQ(error.column, c.column) << c.utf8;
    EXPECT_EQ(error.codePoint, c.codePoint) << c.utf8;
  }
}

}  // namespace
}  // namespace kelvarin
