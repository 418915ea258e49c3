// Line diffs of a script: which lines of two texts match, the changes as unified
// hunks, and a three-way merge of lines. Lines keep their ends, so a text is
// put back byte for byte from its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// The lines of a script as the editor numbers them (CR LF, LF and a lone CR each
// end one), each with its end; a text that ends with a line end has no empty line
// after it.
std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view text);

// A line of SplitLinesKeepingEnds without its end.
std::string_view LineWithoutEnd(std::string_view line);

// For each line of `a`, the index of the line of `b` it matches, or kNoLine. The
// matched pairs increase in both texts and form a longest common subsequence
// wherever a stretch between common lines takes up to a thousand edits; a stretch
// that takes more is split at the lines unique to both texts, so that very
// different texts cost no more than their length times that bound.
inline constexpr std::size_t kNoLine = std::size_t(-1);
std::vector<std::size_t> MatchLines(std::span<const std::string_view> a, std::span<const std::string_view> b);

struct TDiffLine {
  char op = ' ';  // ' ' context, '-' only in a, '+' only in b
  std::string text;  // with its line end
};

struct TDiffHunk {
  std::size_t aStart = 0, aCount = 0;  // 1-based first line and count, as a unified diff gives them
  std::size_t bStart = 0, bCount = 0;
  std::vector<TDiffLine> lines;
};

// The changes from `a` to `b` as hunks with `context` lines of context around each.
std::vector<TDiffHunk> UnifiedHunks(std::span<const std::string_view> a, std::span<const std::string_view> b,
                                    std::size_t context = 3);

// A stretch where both sides changed the base differently; 0-based line ranges.
struct TLineConflict {
  std::size_t baseStart = 0, baseCount = 0;
  std::size_t oursStart = 0, oursCount = 0;
  std::size_t theirsStart = 0, theirsCount = 0;
};

struct TLineMerge {
  std::string text;  // where both sides changed a stretch differently, ours' lines stand
  std::vector<TLineConflict> conflicts;
};

// Three-way merge of lines: a stretch changed on one side takes that change, one
// changed alike on both sides takes it once.
TLineMerge MergeLines(std::span<const std::string_view> base, std::span<const std::string_view> ours,
                      std::span<const std::string_view> theirs);

}  // namespace kelvarin
