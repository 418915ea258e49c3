// The filter of the objects tree. Its text is a list of terms separated by
// blanks; a record shows when it passes every term:
//   word          the caption or any column holds it, ignoring letter case
//   "two words"   the same with blanks inside
//   id:4030       the identity is 4030
//   player:3      PlayerNumber is 3
//   kind:units    the record is of that kind (units, objects, levers, traps,
//                 flames, particles1, particles2, particles3)
// Terms with the same prefix are alternatives (kind:units kind:levers shows
// both kinds); a prefix that is none of these is part of a word.
//
// Texts are code page 1251, as the document holds them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "mob/objref.h"

namespace kelvarin {

struct TObjectFilter {
  std::vector<std::string> words;     // folded to small letters
  std::vector<std::int32_t> ids;      // any of them; none: any identity
  std::vector<std::uint8_t> players;  // any of them; none: any PlayerNumber
  std::uint8_t kinds = 0;             // a bit per ObjKind; 0: every kind

  bool Empty() const { return words.empty() && ids.empty() && players.empty() && kinds == 0; }
  bool AllowsKind(ObjKind kind) const { return kinds == 0 || (kinds & (1u << int(kind))); }
  bool operator==(const TObjectFilter&) const = default;
};

struct TFilterError {
  std::string message;  // UTF-8, for the user
  std::size_t pos = 0;  // where the bad term starts in the text
  bool operator==(const TFilterError&) const = default;
};

std::variant<TObjectFilter, TFilterError> ParseObjectFilter(std::string_view text);

// Whether every record that passes `narrower` passes `wider` too, as far as the
// terms tell: each word of `wider` lies inside a word of `narrower`, and the
// ids, players and kinds are the same or fewer. Typing on at the end of a
// filter narrows it, so only the records it showed need a look.
bool NarrowsFilter(const TObjectFilter& narrower, const TObjectFilter& wider);

// The text of every record's caption and columns, folded to small letters, kept
// per kind in one buffer, so that a word is looked for with one fast search over
// all the records of a kind instead of once per record and column.
class TObjectFilterIndex {
 public:
  // Indexes the document; the index describes it until it is built again.
  void Build(const TMob& mob, char decimalSeparator);
  // The same in steps, so that a window indexes a zone of millions of records
  // between its other work: Begin, then Continue with the same unchanged
  // document until it answers true (a changed document starts again).
  void Begin(char decimalSeparator);
  bool Continue(const TMob& mob, std::size_t records);
  bool Complete() const { return m_kind == kObjKindCount; }
  void Clear();
  bool Empty() const;

  // A flag per record of the kind, in list order: whether it passes the filter.
  // With `within` (flags of the same kind, from a filter this one narrows) only
  // the records flagged there are looked at.
  std::vector<std::uint8_t> Match(const TObjectFilter& filter, ObjKind kind,
                                  const std::vector<std::uint8_t>* within = nullptr) const;
  std::size_t Count(ObjKind kind) const { return m_kinds[std::size_t(kind)].ids.size(); }

 private:
  struct TKindTexts {
    std::string text;                  // each record's fields, each followed by a NUL
    std::vector<std::size_t> start;  // where each record's fields begin, and the end
    std::vector<std::int32_t> ids;
    std::vector<std::int16_t> players;  // -1 where the kind has none
  };
  std::array<TKindTexts, kObjKindCount> m_kinds;
  char m_separator = '.';
  int m_kind = kObjKindCount;  // the kind being indexed; all done at kObjKindCount
  std::size_t m_next = 0;      // its next record
};

// Folds a 1251 text to small letters as the filter compares it.
std::string FoldFilterText(std::string_view text);

}  // namespace kelvarin
