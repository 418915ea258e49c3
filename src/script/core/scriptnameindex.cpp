#include "script/core/scriptnameindex.h"

#include <algorithm>

#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

// Calls `line(std::string_view)` for each LF-separated line of `text`.
template <class F> void ForEachLine(std::string_view text, F&& line) {
  for (std::size_t start = 0;;) {
    const std::size_t lf = text.find('\n', start);
    line(text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start));
    if (lf == std::string_view::npos) return;
    start = lf + 1;
  }
}

}  // namespace

std::vector<std::string> TScriptNameIndex::Scan(std::string_view line) {
  std::vector<std::string> names;
  ForEachDeclaration(m_scanner, line, [&](std::string_view name) { names.emplace_back(name); });
  return names;
}

void TScriptNameIndex::Count(const std::vector<std::string>& names, int delta) {
  for (const std::string& name : names) {
    auto it = m_count.try_emplace(name, 0).first;
    if ((it->second += delta) <= 0) m_count.erase(it);
  }
}

void TScriptNameIndex::Reset(std::string_view text) {
  m_lines.clear();
  m_count.clear();
  ForEachLine(text, [&](std::string_view line) {
    m_lines.push_back(Scan(line));
    Count(m_lines.back(), +1);
  });
}

void TScriptNameIndex::ReplaceLines(std::size_t first, std::size_t removed, std::string_view text) {
  first = std::min(first, m_lines.size());
  removed = std::min(removed, m_lines.size() - first);
  const auto from = m_lines.begin() + std::ptrdiff_t(first);
  for (auto it = from; it != from + std::ptrdiff_t(removed); ++it) Count(*it, -1);
  std::vector<std::vector<std::string>> added;
  ForEachLine(text, [&](std::string_view line) {
    added.push_back(Scan(line));
    Count(added.back(), +1);
  });
  // Most edits keep the number of lines: no element moves then.
  const std::size_t common = std::min(removed, added.size());
  std::move(added.begin(), added.begin() + std::ptrdiff_t(common), from);
  if (added.size() > removed)
    m_lines.insert(from + std::ptrdiff_t(common), std::make_move_iterator(added.begin() + std::ptrdiff_t(common)),
                   std::make_move_iterator(added.end()));
  else
    m_lines.erase(from + std::ptrdiff_t(common), from + std::ptrdiff_t(removed));
}

std::vector<std::string> TScriptNameIndex::Names(std::size_t line, std::string_view word) const {
  const bool typedHere = line < m_lines.size() &&
                         std::find(m_lines[line].begin(), m_lines[line].end(), word) != m_lines[line].end();
  std::vector<std::string> names;
  names.reserve(m_count.size());
  for (const auto& [name, count] : m_count)
    if (!(typedHere && count == 1 && name == word)) names.push_back(name);
  return names;
}

}  // namespace kelvarin
