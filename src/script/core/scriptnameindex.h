// The names a script declares for itself (see ForEachDeclaration), kept line by
// line so that an edit rescans only the lines it touched: completion asks for the
// names at every keystroke of a 100,000-line script. A large edit (a paste, replace
// all, undoing it) only marks its lines; they are scanned when the names are next
// asked for, once, instead of at every such edit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
  // The same change, with the new lines only counted (`added` of them) and
  // scanned at the next Refresh.
  void ReplaceLinesLater(std::size_t first, std::size_t removed, std::size_t added);
  // Scans the lines ReplaceLinesLater left, in `text`, the whole present text;
  // nothing when there are none.
  bool NeedsRefresh() const { return m_pending > 0; }
  void Refresh(std::string_view text);

  std::size_t LineCount() const { return m_lines.size(); }
  std::vector<std::string> DeclaredOn(std::size_t line) const;
  // Every declared name once (after a Refresh). A declaration of `word` on
  // `line` is left out, so the word being typed does not offer itself.
  std::vector<std::string> Names(std::size_t line = npos, std::string_view word = {}) const;

 private:
  static constexpr std::uint32_t kNone = std::uint32_t(-1);
  // Most lines declare nothing or one name: no allocation for them.
  struct TLine {
    std::uint32_t first = kNone;
    std::unique_ptr<std::vector<std::uint32_t>> more;
    bool pending = false;  // to be scanned at the next Refresh
  };

  TLine Scan(std::string_view line);
  void Count(const TLine& line, int delta);
  std::uint32_t IdOf(std::string_view name);
  template <class F> static void ForEachId(const TLine& line, F&& f);

  TSynZoneScriptSyn m_scanner;
  std::vector<TLine> m_lines = std::vector<TLine>(1);
  std::size_t m_pending = 0;  // lines waiting for Refresh
  // Every name ever seen, with how many declarations it has now.
  std::vector<std::string> m_names;
  std::vector<int> m_counts;
  std::unordered_map<std::string, std::uint32_t> m_ids;
};

}  // namespace kelvarin
