#include "script/core/zonescriptsyn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/cp1251.h"

namespace kelvarin {
namespace {

using K = TtkTokenKind;

struct Tok {
  std::string text;
  K kind;
  bool operator==(const Tok&) const = default;
};

void PrintTo(const Tok& t, std::ostream* os) { *os << '{' << '"' << t.text << "\", " << int(t.kind) << '}'; }

std::vector<Tok> Scan(TSynZoneScriptSyn& syn, std::string_view line) {
  std::vector<Tok> tokens;
  for (syn.SetLine(line); !syn.GetEol(); syn.Next()) tokens.push_back({syn.GetToken(), syn.GetTokenKind()});
  return tokens;
}

std::vector<Tok> Scan(std::string_view line) {
  TSynZoneScriptSyn syn;
  return Scan(syn, line);
}

struct ScanCase {
  const char* name;
  std::string line;
  std::vector<Tok> tokens;
};

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, SplitsTheLineIntoTheseTokens) {
  EXPECT_EQ(Scan(GetParam().line), GetParam().tokens);
}

const std::string kCyrillic = *Utf8ToCp1251("Жук");

INSTANTIATE_TEST_SUITE_P(
    Lines, ScanTest,
    testing::Values(
        ScanCase{"KeywordCaseIgnored", "IF If if", {{"IF", K::tkKey}, {" ", K::tkUnknown}, {"If", K::tkKey},
                                                    {" ", K::tkUnknown}, {"if", K::tkKey}}},
        ScanCase{"FunctionLowerCase", "getx", {{"getx", K::tkFunctions}}},
        ScanCase{"TypeWord", "FLOAT x", {{"FLOAT", K::tkDateTypes}, {" ", K::tkUnknown}, {"x", K::tkIdentifier}}},
        ScanCase{"DigitsAfterKeywordKeepItsKind", "Sleep2 GetX2 If1",
                 {{"Sleep2", K::tkFunctions}, {" ", K::tkUnknown}, {"GetX2", K::tkFunctions},
                  {" ", K::tkUnknown}, {"If1", K::tkKey}}},
        ScanCase{"LettersAfterDigitsDoNotCount", "Foo2If", {{"Foo2If", K::tkIdentifier}}},
        ScanCase{"KeywordPrefixIsNoKeyword", "Sleeper GetObjectByIDs",
                 {{"Sleeper", K::tkIdentifier}, {" ", K::tkUnknown}, {"GetObjectByIDs", K::tkIdentifier}}},
        ScanCase{"UnderscoreBelongsToTheRun", "Sleep_ _if",
                 {{"Sleep_", K::tkIdentifier}, {" ", K::tkUnknown}, {"_if", K::tkIdentifier}}},
        ScanCase{"LongRunHashesPastTheTable", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz",
                 {{"zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", K::tkIdentifier}}},
        ScanCase{"UnclosedStringRunsToLineEnd", "x = \"abc // d",
                 {{"x", K::tkIdentifier}, {" ", K::tkUnknown}, {"=", K::tkUnknown}, {" ", K::tkUnknown},
                  {"\"abc // d", K::tkStringValues}}},
        ScanCase{"StringStopsBeforeLineBreak", "\"ab\r\n", {{"\"ab", K::tkStringValues}, {"\r\n", K::tkUnknown}}},
        ScanCase{"StringHasNoEscape", "\"a\\\"b\"",
                 {{"\"a\\\"", K::tkStringValues}, {"b", K::tkIdentifier}, {"\"", K::tkStringValues}}},
        ScanCase{"SlashAloneIsIdentifier", "a / b", {{"a", K::tkIdentifier}, {" ", K::tkUnknown},
                                                     {"/", K::tkIdentifier}, {" ", K::tkUnknown},
                                                     {"b", K::tkIdentifier}}},
        ScanCase{"DoubleSlashCommentsToLineEnd", "a // b (1)\n",
                 {{"a", K::tkIdentifier}, {" ", K::tkUnknown}, {"// b (1)", K::tkComment}, {"\n", K::tkUnknown}}},
        ScanCase{"BracketRuns", "((a))", {{"((", K::tkSkobki}, {"a", K::tkIdentifier}, {"))", K::tkSkobki}}},
        ScanCase{"MixedBracketRunAndOtherBrackets", ")([x]{",
                 {{")(", K::tkSkobki}, {"[", K::tkUnknown}, {"x", K::tkIdentifier}, {"]", K::tkUnknown},
                  {"{", K::tkUnknown}}},
        ScanCase{"MinusIsNoPartOfANumber", "-1.5", {{"-", K::tkUnknown}, {"1.5", K::tkNumber}}},
        ScanCase{"ExponentIsAnIdentifier", "1e5", {{"1", K::tkNumber}, {"e5", K::tkIdentifier}}},
        ScanCase{"DotsAndDigitsFormOneNumber", "1.2.3 .", {{"1.2.3", K::tkNumber}, {" ", K::tkUnknown},
                                                           {".", K::tkNumber}}},
        ScanCase{"Cp1251LettersAreSingleUnknownTokens", kCyrillic + "a",
                 {{kCyrillic.substr(0, 1), K::tkUnknown}, {kCyrillic.substr(1, 1), K::tkUnknown},
                  {kCyrillic.substr(2, 1), K::tkUnknown}, {"a", K::tkIdentifier}}},
        ScanCase{"LoneCrAndLf", "\r\n\n\r", {{"\r\n", K::tkUnknown}, {"\n", K::tkUnknown}, {"\r", K::tkUnknown}}},
        ScanCase{"NulByteIsAnOrdinaryCharacter", std::string("a\0b", 3),
                 {{"a", K::tkIdentifier}, {std::string(1, '\0'), K::tkUnknown}, {"b", K::tkIdentifier}}},
        ScanCase{"EmptyLine", "", {}}),
    [](const testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(ZoneScriptSyn, EveryLineStartsInTheDefaultState) {
  TSynZoneScriptSyn syn;
  Scan(syn, "\"open string");
  EXPECT_EQ(Scan(syn, "x"), (std::vector<Tok>{{"x", K::tkIdentifier}}));
  syn.SetLine("// note");
  EXPECT_EQ(syn.GetRange(), TRangeState::rsCommentProc);
  syn.Next();
  EXPECT_EQ(syn.GetRange(), TRangeState::rsUnKnown);
}

TEST(ZoneScriptSyn, TokensCoverTheLineWithoutGaps) {
  TSynZoneScriptSyn syn;
  const std::string line = "  if (GetX(u) > 1.5) then // \"x\"\r\n";
  std::size_t expected = 0;
  for (syn.SetLine(line); !syn.GetEol(); syn.Next()) {
    EXPECT_EQ(syn.GetTokenPos(), expected);
    EXPECT_GT(syn.GetTokenLen(), 0u);
    expected += syn.GetTokenLen();
  }
  EXPECT_EQ(expected, line.size());
  EXPECT_EQ(syn.GetTokenAttribute(), nullptr);
}

TEST(ZoneScriptSyn, EveryKeywordScansAsItsKindInAnyCase) {
  const std::string list = TSynZoneScriptSyn::GetKeyWords();
  EXPECT_EQ(list.rfind("ActivateTrap,Add,AddLoot,", 0), 0u);
  EXPECT_EQ(list.find(' '), std::string::npos);

  std::vector<std::string> words;
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(',', start);
    words.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  ASSERT_EQ(words.size(), 224u);
  const auto lower = [](std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  EXPECT_TRUE(std::is_sorted(words.begin(), words.end(),
                             [&](const std::string& a, const std::string& b) { return lower(a) < lower(b); }));

  int keys = 0, types = 0, functions = 0;
  TSynZoneScriptSyn syn;
  for (const std::string& word : words) {
    syn.SetLine(word);
    const K kind = syn.GetTokenKind();
    keys += kind == K::tkKey;
    types += kind == K::tkDateTypes;
    functions += kind == K::tkFunctions;
    EXPECT_EQ(syn.GetTokenLen(), word.size()) << word;
    syn.SetLine(lower(word));
    EXPECT_EQ(syn.GetTokenKind(), kind) << word;
  }
  EXPECT_EQ(keys, 8);
  EXPECT_EQ(types, 4);
  EXPECT_EQ(functions, 212);
}

TEST(ZoneScriptSyn, TokenKindsShowTheirAttributes) {
  TSynZoneScriptSyn syn;
  const struct {
    const char* line;
    const TSynHighlighterAttributes* attribute;
  } cases[] = {
      {"// c", &syn.CommentAttri()},      {"string", &syn.DateTypesAttri()}, {"Sum", &syn.FunctionsAttri()},
      {"abc", &syn.IdentifierAttri()},    {"+", &syn.IdentifierAttri()},     {"then", &syn.KeyAttri()},
      {"42", &syn.NumberAttri()},         {"(", &syn.SkobkiAttri()},         {"\"s\"", &syn.StringValuesAttri()},
  };
  for (const auto& c : cases) {
    syn.SetLine(c.line);
    EXPECT_EQ(syn.GetTokenAttribute(), c.attribute) << c.line;
  }
}

TEST(ZoneScriptSyn, AttributeChangesAreAnnounced) {
  TSynZoneScriptSyn syn;
  std::vector<int> changed;
  syn.SetOnHighlightChange([&](int index) { changed.push_back(index); });
  syn.NumberAttri().SetForeground(TRgb{1, 2, 3});
  syn.NumberAttri().SetForeground(TRgb{1, 2, 3});  // no change, no notice
  syn.CommentAttri().SetStyle(fsBold);
  EXPECT_EQ(changed, (std::vector<int>{TSynZoneScriptSyn::kNumberAttri, TSynZoneScriptSyn::kCommentAttri}));
}

TEST(ZoneScriptSyn, IdentCharsAreLettersAndUnderscoreOnly) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = std::isalpha(c) && c < 128 ? true : c == '_';
    EXPECT_EQ(TSynZoneScriptSyn::IsIdentChar(static_cast<unsigned char>(c)), expected) << c;
    EXPECT_EQ(TSynZoneScriptSyn::GetIdentChars().find(char(c)) != std::string_view::npos, expected) << c;
  }
}

}  // namespace
}  // namespace kelvarin
