// Line matching, unified hunks and the three-way line merge.
#include <gtest/gtest.h>

#include <random>

#include "diff/linediff.h"

namespace kelvarin {
namespace {

std::vector<std::string_view> Lines(const std::string& text) { return SplitLinesKeepingEnds(text); }

std::size_t LcsLength(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1, 0));
  for (std::size_t i = a.size(); i-- > 0;)
    for (std::size_t j = b.size(); j-- > 0;)
      t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
  return t[0][0];
}

TEST(LineDiff, LinesKeepTheirEndsAsTheEditorSplitsThem) {
  EXPECT_TRUE(Lines("").empty());
  EXPECT_EQ(Lines("a\r\nb\nc\rd"), (std::vector<std::string_view>{"a\r\n", "b\n", "c\r", "d"}));
  EXPECT_EQ(Lines("a\n\n"), (std::vector<std::string_view>{"a\n", "\n"}));
}

// Small random texts over few distinct lines, where matches are many and
// ambiguous: the matching is a longest common subsequence, in order, of equal lines.
TEST(LineDiff, MatchingIsALongestCommonSubsequence) {
  std::mt19937 rng(3);
  for (int round = 0; round < 300; ++round) {
    const auto text = [&] {
      std::string t;
      for (int n = int(rng() % 12); n > 0; --n) t += std::string(1, char('a' + rng() % 4)) + "\n";
      return t;
    };
    const std::string ta = text(), tb = text();
    const auto a = Lines(ta), b = Lines(tb);
    const std::vector<std::size_t> match = MatchLines(a, b);
    std::size_t matched = 0, last = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (match[i] == kNoLine) continue;
      ASSERT_EQ(a[i], b[match[i]]);
      ASSERT_TRUE(matched == 0 || match[i] > last);
      last = match[i];
      ++matched;
    }
    EXPECT_EQ(matched, LcsLength(a, b)) << ta << "--\n" << tb;
  }
}

TEST(LineDiff, HunksCarryThreeLinesOfContextAndJoinWhenClose) {
  std::string a, b;
  for (int i = 1; i <= 30; ++i) {
    a += "l" + std::to_string(i) + "\n";
    if (i == 5) b += "five\n";
    else if (i != 12 && i != 27) b += "l" + std::to_string(i) + "\n";
    if (i == 9) b += "after nine\n";
  }
  const auto hunks = UnifiedHunks(Lines(a), Lines(b));
  ASSERT_EQ(hunks.size(), 2u);
  // Lines 5, 9 and 12 are close: one hunk from line 2 to line 15.
  EXPECT_EQ(hunks[0].aStart, 2u);
  EXPECT_EQ(hunks[0].aCount, 14u);
  EXPECT_EQ(hunks[0].bStart, 2u);
  EXPECT_EQ(hunks[0].bCount, 14u);
  EXPECT_EQ(hunks[1].aStart, 24u);
  EXPECT_EQ(hunks[1].aCount, 7u);
  EXPECT_EQ(hunks[1].bCount, 6u);
  std::string shown;
  for (const TDiffLine& line : hunks[1].lines) shown += line.op + std::string(line.text);
  EXPECT_EQ(shown, " l24\n l25\n l26\n-l27\n l28\n l29\n l30\n");

  // A text added to an empty one starts at line 0 of the empty side.
  const auto added = UnifiedHunks({}, Lines("x\n"));
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].aStart, 0u);
  EXPECT_EQ(added[0].aCount, 0u);
  EXPECT_EQ(added[0].bStart, 1u);
}

TEST(LineDiff, ThreeWayMergeTakesOneSidedChangesAndFlagsCrossedOnes) {
  const std::string base = "a\nb\nc\nd\ne\nf\ng\n";
  struct Case {
    const char* name;
    std::string ours, theirs, merged;
    std::size_t conflicts;
  };
  const Case cases[] = {
      {"ours only", "a\nB\nc\nd\ne\nf\ng\n", base, "a\nB\nc\nd\ne\nf\ng\n", 0},
      {"theirs only", base, "a\nb\nc\nd\ne\nF\ng\n", "a\nb\nc\nd\ne\nF\ng\n", 0},
      {"apart", "a\nB\nc\nd\ne\nf\ng\n", "a\nb\nc\nd\ne\nF\ng\n", "a\nB\nc\nd\ne\nF\ng\n", 0},
      {"alike", "a\nb\nX\nd\ne\nf\ng\n", "a\nb\nX\nd\ne\nf\ng\n", "a\nb\nX\nd\ne\nf\ng\n", 0},
      {"crossed", "a\nb\nOURS\nd\ne\nf\ng\n", "a\nb\nTHEIRS\nd\ne\nf\ng\n", "a\nb\nOURS\nd\ne\nf\ng\n", 1},
      {"removed and added apart", "b\nc\nd\ne\nf\ng\n", "a\nb\nc\nd\ne\nf\ng\nh\n", "b\nc\nd\ne\nf\ng\nh\n", 0},
      {"both appended", base + "o\n", base + "t\n", base + "o\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TLineMerge merge = MergeLines(Lines(base), Lines(c.ours), Lines(c.theirs));
    EXPECT_EQ(merge.text, c.merged);
    EXPECT_EQ(merge.conflicts.size(), c.conflicts);
  }
  const TLineMerge crossed = MergeLines(Lines(base), Lines("a\nb\nO1\nO2\nd\ne\nf\ng\n"), Lines("a\nb\nT\nd\ne\nf\ng\n"));
  ASSERT_EQ(crossed.conflicts.size(), 1u);
  const TLineConflict& c = crossed.conflicts[0];
  EXPECT_EQ(c.baseStart, 2u);
  EXPECT_EQ(c.baseCount, 1u);
  EXPECT_EQ(c.oursStart, 2u);
  EXPECT_EQ(c.oursCount, 2u);
  EXPECT_EQ(c.theirsCount, 1u);
}

}  // namespace
}  // namespace kelvarin
