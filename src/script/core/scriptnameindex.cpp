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

template <class F> void TScriptNameIndex::ForEachId(const TLine& line, F&& f) {
  if (line.first == kNone) return;
  f(line.first);
  if (line.more)
    for (std::uint32_t id : *line.more) f(id);
}

std::uint32_t TScriptNameIndex::IdOf(std::string_view name) {
  const auto [it, added] = m_ids.try_emplace(std::string(name), std::uint32_t(m_names.size()));
  if (added) {
    m_names.emplace_back(name);
    m_counts.push_back(0);
  }
  return it->second;
}

TScriptNameIndex::TLine TScriptNameIndex::Scan(std::string_view text) {
  TLine line;
  ForEachDeclaration(m_scanner, text, [&](std::string_view name) {
    const std::uint32_t id = IdOf(name);
    if (line.first == kNone) {
      line.first = id;
    } else {
      if (!line.more) line.more = std::make_unique<std::vector<std::uint32_t>>();
      line.more->push_back(id);
    }
  });
  return line;
}

void TScriptNameIndex::Count(const TLine& line, int delta) {
  ForEachId(line, [&](std::uint32_t id) { m_counts[id] += delta; });
}

void TScriptNameIndex::Reset(std::string_view text) {
  m_lines.clear();
  m_pending = 0;
  std::fill(m_counts.begin(), m_counts.end(), 0);
  ForEachLine(text, [&](std::string_view line) {
    m_lines.push_back(Scan(line));
    Count(m_lines.back(), +1);
  });
}

void TScriptNameIndex::ReplaceLines(std::size_t first, std::size_t removed, std::string_view text) {
  std::vector<TLine> added;
  ForEachLine(text, [&](std::string_view line) { added.push_back(Scan(line)); });
  const std::size_t count = added.size();
  first = std::min(first, m_lines.size());
  ReplaceLinesLater(first, removed, count);
  for (std::size_t i = 0; i < count; ++i) {
    m_lines[first + i] = std::move(added[i]);
    Count(m_lines[first + i], +1);
  }
  m_pending -= count;
}

void TScriptNameIndex::ReplaceLinesLater(std::size_t first, std::size_t removed, std::size_t added) {
  first = std::min(first, m_lines.size());
  removed = std::min(removed, m_lines.size() - first);
  const auto from = m_lines.begin() + std::ptrdiff_t(first);
  for (auto it = from; it != from + std::ptrdiff_t(removed); ++it) {
    Count(*it, -1);
    m_pending -= it->pending;
  }
  // Most edits keep the number of lines: no element moves then.
  if (added > removed) {
    std::vector<TLine> fresh(added - removed);
    m_lines.insert(from + std::ptrdiff_t(removed), std::make_move_iterator(fresh.begin()),
                   std::make_move_iterator(fresh.end()));
  } else {
    m_lines.erase(from + std::ptrdiff_t(added), from + std::ptrdiff_t(removed));
  }
  for (std::size_t i = first; i < first + added; ++i) m_lines[i] = TLine{kNone, nullptr, true};
  m_pending += added;
}

void TScriptNameIndex::Refresh(std::string_view text) {
  if (m_pending == 0) return;
  std::size_t i = 0;
  ForEachLine(text, [&](std::string_view line) {
    if (i < m_lines.size() && m_lines[i].pending) {
      m_lines[i] = Scan(line);
      Count(m_lines[i], +1);
      --m_pending;
    }
    ++i;
  });
}

std::vector<std::string> TScriptNameIndex::DeclaredOn(std::size_t line) const {
  std::vector<std::string> names;
  ForEachId(m_lines.at(line), [&](std::uint32_t id) { names.push_back(m_names[id]); });
  return names;
}

std::vector<std::string> TScriptNameIndex::Names(std::size_t line, std::string_view word) const {
  std::uint32_t typed = kNone;  // the word being typed, when declared on its line
  if (line < m_lines.size())
    ForEachId(m_lines[line], [&](std::uint32_t id) {
      if (m_names[id] == word) typed = id;
    });
  std::vector<std::string> names;
  for (std::uint32_t id = 0; id < m_names.size(); ++id)
    if (m_counts[id] > (id == typed ? 1 : 0)) names.push_back(m_names[id]);
  return names;
}

}  // namespace kelvarin
