#include "objects/core/objectfilter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "common/cp1251.h"
#include "mob/identitytext.h"
#include "mob/kindnames.h"
#include "objects/core/recordcolumns.h"

namespace kelvarin {
namespace {

const std::array<unsigned char, 256>& FoldTable() {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) t[std::size_t(b)] = Cp1251FoldCase(static_cast<unsigned char>(b));
    return t;
  }();
  return table;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasPrefix(std::string_view term, std::string_view prefix) {
  if (term.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (char(term[i] | 0x20) != prefix[i]) return false;
  return true;
}

std::string KindKeyList() {
  std::string list;
  for (ObjKind kind : kAllObjKinds) list += std::string(list.empty() ? "" : ", ") + ObjKindKey(kind);
  return list;
}

// One term after its prefix; the filter grows by it, or the error says why not.
std::optional<TFilterError> AddPrefixed(TObjectFilter& filter, std::string_view prefix, std::string_view value,
                                        std::size_t pos) {
  if (value.empty()) return std::nullopt;  // still being typed: narrows nothing yet
  if (prefix == "id:") {
    const auto id = ParseIdentityText(value);
    if (!id) return TFilterError{"После id: нужен целый номер объекта", pos};
    filter.ids.push_back(*id);
  } else if (prefix == "player:") {
    const auto number = ParseIdentityText(value);
    if (!number || *number < 0 || *number > 255 || value.front() == '-')
      return TFilterError{"После player: нужен номер игрока от 0 до 255", pos};
    filter.players.push_back(std::uint8_t(*number));
  } else {
    std::string key(value);
    for (char& c : key)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    const auto kind = ObjKindFromKey(key);
    if (!kind) return TFilterError{"После kind: нужен вид объектов: " + KindKeyList(), pos};
    filter.kinds |= std::uint8_t(1u << int(*kind));
  }
  return std::nullopt;
}

}  // namespace

std::string FoldFilterText(std::string_view text) {
  const auto& fold = FoldTable();
  std::string folded(text);
  for (char& c : folded) c = char(fold[static_cast<unsigned char>(c)]);
  return folded;
}

std::variant<TObjectFilter, TFilterError> ParseObjectFilter(std::string_view text) {
  TObjectFilter filter;
  for (std::size_t pos = 0; pos < text.size();) {
    if (IsBlank(text[pos])) {
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    std::string_view term;
    bool quoted = text[pos] == '"';
    if (quoted) {
      const std::size_t close = text.find('"', pos + 1);
      term = text.substr(pos + 1, close == std::string_view::npos ? std::string_view::npos : close - pos - 1);
      pos = close == std::string_view::npos ? text.size() : close + 1;
    } else {
      while (pos < text.size() && !IsBlank(text[pos])) ++pos;
      term = text.substr(start, pos - start);
    }
    if (!quoted) {
      bool prefixed = false;
      for (std::string_view prefix : {std::string_view("id:"), std::string_view("player:"), std::string_view("kind:")}) {
        if (!HasPrefix(term, prefix)) continue;
        if (auto error = AddPrefixed(filter, prefix, term.substr(prefix.size()), start)) return *error;
        prefixed = true;
        break;
      }
      if (prefixed) continue;
    }
    std::string word = FoldFilterText(term);
    std::erase(word, '\0');  // fields are separated by NULs; no word spans two
    if (!word.empty()) filter.words.push_back(std::move(word));
  }
  return filter;
}

bool NarrowsFilter(const TObjectFilter& narrower, const TObjectFilter& wider) {
  const auto fewer = [](const auto& narrow, const auto& wide) {
    if (wide.empty()) return true;
    return !narrow.empty() && std::all_of(narrow.begin(), narrow.end(), [&](const auto& value) {
      return std::find(wide.begin(), wide.end(), value) != wide.end();
    });
  };
  if (wider.kinds != 0 && (narrower.kinds == 0 || (narrower.kinds & ~wider.kinds) != 0)) return false;
  if (!fewer(narrower.ids, wider.ids) || !fewer(narrower.players, wider.players)) return false;
  return std::all_of(wider.words.begin(), wider.words.end(), [&](const std::string& word) {
    return std::any_of(narrower.words.begin(), narrower.words.end(),
                       [&](const std::string& longer) { return longer.find(word) != std::string::npos; });
  });
}

void TObjectFilterIndex::Clear() {
  for (auto& kind : m_kinds) kind = TKindTexts{};
  m_kind = kObjKindCount;
  m_next = 0;
}

bool TObjectFilterIndex::Empty() const {
  return std::all_of(m_kinds.begin(), m_kinds.end(), [](const TKindTexts& k) { return k.start.empty(); });
}

void TObjectFilterIndex::Build(const TMob& mob, char decimalSeparator) {
  Begin(decimalSeparator);
  Continue(mob, std::numeric_limits<std::size_t>::max());
}

void TObjectFilterIndex::Begin(char decimalSeparator) {
  Clear();
  m_separator = decimalSeparator;
  m_kind = 0;
  m_next = 0;
}

bool TObjectFilterIndex::Continue(const TMob& mob, std::size_t records) {
  const auto& fold = FoldTable();
  int kind = 0;
  // The lists come in kind order, so one pass goes on from kind to kind.
  mob.ForEachList([&](const auto& list) {
    if (kind++ != m_kind || records == 0) return;
    TKindTexts& texts = m_kinds[std::size_t(m_kind)];
    if (m_next == 0) {
      texts.start.reserve(list.size() + 1);
      texts.text.reserve(list.size() * 64);
      texts.ids.reserve(list.size());
      texts.players.reserve(list.size());
    }
    for (; m_next < list.size() && records > 0; ++m_next, --records) {
      const auto& record = list[m_next];
      texts.start.push_back(texts.text.size());
      ForEachRecordCell(record, m_separator, [&](std::string_view cell) {
        for (char c : cell) texts.text.push_back(char(fold[static_cast<unsigned char>(c)]));
        texts.text.push_back('\0');
      });
      texts.ids.push_back(record.Identity());
      if constexpr (HasCommonFields(std::decay_t<decltype(record)>::Kind)) texts.players.push_back(record.PlayerNumber);
      else texts.players.push_back(-1);
    }
    if (m_next < list.size()) return;
    texts.start.push_back(texts.text.size());
    texts.text.shrink_to_fit();
    ++m_kind;
    m_next = 0;
  });
  return Complete();
}

std::vector<std::uint8_t> TObjectFilterIndex::Match(const TObjectFilter& filter, ObjKind kind,
                                                    const std::vector<std::uint8_t>* within) const {
  const TKindTexts& texts = m_kinds[std::size_t(kind)];
  const std::size_t count = texts.ids.size();
  std::vector<std::uint8_t> pass(count, 0);
  if (!filter.AllowsKind(kind)) return pass;

  // The longest word is the rarest: one search over the whole buffer finds its
  // records, and only those are looked at for the rest.
  const std::string* lead = nullptr;
  for (const std::string& word : filter.words)
    if (!lead || word.size() > lead->size()) lead = &word;
  if (within && within->size() == count) {
    // Only the records the wider filter let through; each is searched below.
    pass = *within;
    lead = nullptr;
  } else if (lead) {
    const char* const base = texts.text.data();
    const char* p = base;
    const char* const end = base + texts.text.size();
    std::size_t record = 0;
    while (p < end) {
      const void* hit = memmem(p, std::size_t(end - p), lead->data(), lead->size());
      if (!hit) break;
      const std::size_t at = std::size_t(static_cast<const char*>(hit) - base);
      while (texts.start[record + 1] <= at) ++record;
      pass[record] = 1;
      p = base + texts.start[record + 1];
    }
  } else {
    std::fill(pass.begin(), pass.end(), 1);
  }

  const auto contains = [&](std::size_t record, const std::string& word) {
    const char* from = texts.text.data() + texts.start[record];
    const std::size_t length = texts.start[record + 1] - texts.start[record];
    return memmem(from, length, word.data(), word.size()) != nullptr;
  };
  const bool anyId = filter.ids.empty(), anyPlayer = filter.players.empty();
  if (!within && filter.words.size() <= 1 && anyId && anyPlayer) return pass;
  for (std::size_t r = 0; r < count; ++r) {
    if (!pass[r]) continue;
    bool ok = anyId || std::find(filter.ids.begin(), filter.ids.end(), texts.ids[r]) != filter.ids.end();
    ok = ok && (anyPlayer || (texts.players[r] >= 0 &&
                              std::find(filter.players.begin(), filter.players.end(),
                                        std::uint8_t(texts.players[r])) != filter.players.end()));
    for (const std::string& word : filter.words)
      if (ok && &word != lead) ok = contains(r, word);
    pass[r] = ok;
  }
  return pass;
}

}  // namespace kelvarin
