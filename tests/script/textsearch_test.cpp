#include "script/ui/textsearch.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

std::vector<std::string> Matched(std::string_view text, const QString& needle, std::size_t from = 0) {
  std::vector<std::string> found;
  for (const TTextMatch& m : FindAllIgnoringCase(text, from, needle))
    found.emplace_back(text.substr(m.begin, m.end - m.begin));
  return found;
}

TEST(TextSearch, FindsEveryOccurrenceIgnoringCaseWithoutOverlaps) {
  EXPECT_EQ(Matched("abc ABC aBc", u"abc"_s), (std::vector<std::string>{"abc", "ABC", "aBc"}));
  EXPECT_EQ(Matched("aaaa", u"aa"_s), (std::vector<std::string>{"aa", "aa"}));
  EXPECT_EQ(Matched("жук Жук ЖУК ёж Ёж", u"жук"_s), (std::vector<std::string>{"жук", "Жук", "ЖУК"}));
  EXPECT_EQ(Matched("ёж Ёж", u"ЁЖ"_s), (std::vector<std::string>{"ёж", "Ёж"}));
  EXPECT_EQ(Matched("abc abc", u"abc"_s, 1), std::vector<std::string>{"abc"});
  // One case of the first letter missing from the text is no reason to stop.
  EXPECT_EQ(Matched("xaxbxAb", u"ab"_s), std::vector<std::string>{"Ab"});
  EXPECT_TRUE(Matched("abc", QString()).empty());
  EXPECT_TRUE(Matched("ab", u"abc"_s).empty());
  EXPECT_EQ(FindAllIgnoringCase("a a a", 0, u"a"_s, 2).size(), 2u);
}

TEST(TextSearch, OffsetsAreUtf8Bytes) {
  const std::string text = "Жук: x, жук: X";
  const std::vector<TTextMatch> all = FindAllIgnoringCase(text, 0, u"x"_s);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], (TTextMatch{8, 9}));
  EXPECT_EQ(all[1], (TTextMatch{19, 20}));
  const std::vector<TTextMatch> beetles = FindAllIgnoringCase(text, 6, u"ЖУК: "_s);
  ASSERT_EQ(beetles.size(), 1u);
  EXPECT_EQ(beetles[0], (TTextMatch{11, 19}));
  EXPECT_EQ(FindIgnoringCase(text, 0, u"жук"_s), (TTextMatch{0, 6}));
}

}  // namespace
}  // namespace kelvarin
