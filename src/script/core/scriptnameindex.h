// The names a script declares for itself (see ForEachDeclaration), kept line by
// line so that an edit rescans only the lines it touched: completion asks for the
// names at every keystroke of a 100,000-line script.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/core/zonescriptsyn.h"

namespace kelvarin {

class TScriptNameIndex {
 public:
  static constexpr std::size_t npos = std::size_t(-1);

  // Indexes `text`, whose lines are separated by LF.
  void Reset(std::string_view text);
  // Lines [first, first + removed) became the lines of `text` (LF-separated, so
  // one more line than it holds LFs). An edit inside one line replaces 1 by 1.
  void ReplaceLines(std::size_t first, std::size_t removed, std::string_view text);

  std::size_t LineCount() const { return m_lines.size(); }
  const std::vector<std::string>& DeclaredOn(std::size_t line) const { return m_lines.at(line); }
  // Every declared name once. A declaration of `word` on `line` is left out, so
  // the word being typed does not offer itself.
  std::vector<std::string> Names(std::size_t line = npos, std::string_view word = {}) const;

 private:
  std::vector<std::string> Scan(std::string_view line);
  void Count(const std::vector<std::string>& names, int delta);

  TSynZoneScriptSyn m_scanner;
  std::vector<std::vector<std::string>> m_lines{1};
  std::unordered_map<std::string, int> m_count;  // declarations per name
};

}  // namespace kelvarin
