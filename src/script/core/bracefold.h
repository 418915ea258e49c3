// Folding of brace pairs. The scanner gives { and } no kind of their own (they are
// one-character tokens of kind tkUnknown, and a brace inside a string or a comment
// is part of that token), so the fold points come from counting them line by line.
//
// A line's fold level is the smallest brace depth it reaches: a line holding only
// "}" belongs to the level outside the block and stays visible when the block is
// folded. A line that ends deeper than that opens a fold.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "script/core/zonescriptsyn.h"

namespace kelvarin {

struct TLineBraces {
  int minDepth = 0;  // the line's fold level
  int endDepth = 0;  // the depth the next line starts at
  bool FoldHeader() const { return endDepth > minDepth; }
  bool operator==(const TLineBraces&) const = default;
};

// Feeds the tokens of one line; a closing brace at depth 0 is not counted.
class TBraceCounter {
 public:
  explicit TBraceCounter(int startDepth) : m_line{startDepth, startDepth} {}
  void Token(TtkTokenKind kind, std::string_view text) {
    if (kind != TtkTokenKind::tkUnknown || text.size() != 1) return;
    if (text[0] == '{') {
      ++m_line.endDepth;
    } else if (text[0] == '}' && m_line.endDepth > 0) {
      --m_line.endDepth;
      if (m_line.endDepth < m_line.minDepth) m_line.minDepth = m_line.endDepth;
    }
  }
  TLineBraces Result() const { return m_line; }

 private:
  TLineBraces m_line;
};

// The braces of every LF-separated line of `text`, from depth 0.
std::vector<TLineBraces> BraceFoldLines(std::string_view text);

}  // namespace kelvarin
