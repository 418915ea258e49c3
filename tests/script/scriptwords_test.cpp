#include "script/core/scriptwords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/core/bracefold.h"
#include "script/core/lineplace.h"

namespace kelvarin {
namespace {

std::vector<std::string> Occurrences(std::string_view line, std::string_view word) {
  TSynZoneScriptSyn scanner;
  std::vector<std::string> found;
  ForEachOccurrence(scanner, line, word, [&](TWordSpan at) {
    found.push_back(std::to_string(at.pos) + ":" + std::string(line.substr(at.pos, at.len)));
  });
  return found;
}

std::vector<std::string> Declarations(std::string_view line) {
  TSynZoneScriptSyn scanner;
  std::vector<std::string> names;
  ForEachDeclaration(scanner, line, [&](std::string_view name) { names.emplace_back(name); });
  return names;
}

TEST(ScriptWords, OccurrencesAreWholeIdentifiersOutsideStringsAndComments) {
  const std::string line = "alarm = Alarm + alarm2 + x_alarm + \"alarm\" / ALARM // alarm";
  EXPECT_EQ(Occurrences(line, "alarm"), (std::vector<std::string>{"0:alarm", "8:Alarm", "45:ALARM"}));
  EXPECT_EQ(Occurrences("Sleep(GetX2(GetX))", "getx"), std::vector<std::string>{"12:GetX"});
  EXPECT_TRUE(Occurrences("a / b", "/").empty());  // the division sign is no word
  EXPECT_TRUE(Occurrences("anything", "").empty());
}

TEST(ScriptWords, WordAtTheCaret) {
  TSynZoneScriptSyn scanner;
  const std::string line = "  Sleep(timer);";
  const auto word = [&](std::size_t caret) {
    const TWordSpan at = WordAt(scanner, line, caret);
    return std::string(line.substr(at.pos, at.len));
  };
  EXPECT_EQ(word(0), "");
  EXPECT_EQ(word(2), "Sleep");  // right before it
  EXPECT_EQ(word(4), "Sleep");
  EXPECT_EQ(word(7), "Sleep");  // right after it
  EXPECT_EQ(word(8), "timer");
  EXPECT_EQ(word(14), "");
  EXPECT_EQ(WordAt(scanner, "\"text\" // note", 2).len, 0u);
}

TEST(ScriptWords, DeclarationsFollowATypeWordOrScript) {
  EXPECT_EQ(Declarations("  float alarm;"), std::vector<std::string>{"alarm"});
  EXPECT_EQ(Declarations("group   g = CreateParty();"), std::vector<std::string>{"g"});
  EXPECT_EQ(Declarations("Script Main"), std::vector<std::string>{"Main"});
  EXPECT_EQ(Declarations("DeclareScript Zone"), std::vector<std::string>{"Zone"});
  EXPECT_EQ(Declarations("object o1, o2; string s"), (std::vector<std::string>{"o1", "s"}));
  EXPECT_EQ(Declarations("STRING name = \"float x\";"), std::vector<std::string>{"name"});
  EXPECT_TRUE(Declarations("float Sum").empty());  // a keyword is never declared
  EXPECT_TRUE(Declarations("Script2 X").empty());
  EXPECT_TRUE(Declarations("// float hidden").empty());
  EXPECT_TRUE(Declarations("float").empty());
}

TEST(BraceFold, FoldPointsOfASampleScript) {
  const char* script =
      "DeclareScript Zone\n"     // 0
      "Script Main\n"            // 1
      "{\n"                      // 2 opens
      "  if (IsAlive(x)) then {\n"  // 3 opens
      "    Sleep(1);\n"          // 4
      "  } else {\n"             // 5 closes and opens
      "    s = \"{\";  // }\n"   // 6 braces in a string and a comment
      "  }\n"                    // 7
      "}\n"                      // 8
      "} stray\n"                // 9 nothing to close
      "WorldScript { a; }\n"     // 10 opens and closes
      "x {";                     // 11 left open at the end
  const std::vector<TLineBraces> lines = BraceFoldLines(script);
  const std::vector<TLineBraces> expected = {{0, 0}, {0, 0}, {0, 1}, {1, 2}, {2, 2}, {1, 2},
                                             {2, 2}, {1, 1}, {0, 0}, {0, 0}, {0, 0}, {0, 1}};
  EXPECT_EQ(lines, expected);
  std::vector<std::size_t> headers;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].FoldHeader()) headers.push_back(i);
  EXPECT_EQ(headers, (std::vector<std::size_t>{2, 3, 5, 11}));
}

TEST(LinePlace, ALineOrALineAndAColumn) {
  EXPECT_EQ(ParseLinePlace("120"), (TLinePlace{120, 0}));
  EXPECT_EQ(ParseLinePlace(" 12 : 5 "), (TLinePlace{12, 5}));
  for (const char* bad : {"", " ", "0", "-1", "+3", "abc", "12:", ":5", "12:0", "1:2:3", "1.5", "99999999999999999999"})
    EXPECT_EQ(ParseLinePlace(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace kelvarin
