// The 224 keywords of the zone script language and their case-insensitive lookup.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kelvarin {

// Token kinds of the zone script scanner. The ordinal is what GetTokenKind reports.
enum class TtkTokenKind : std::uint8_t {
  tkComment,
  tkDateTypes,
  tkFunctions,
  tkIdentifier,
  tkKey,
  tkNull,
  tkNumber,
  tkSkobki,
  tkStringValues,
  tkUnknown,
};

struct TZoneScriptKeyword {
  std::string_view name;
  TtkTokenKind kind;  // tkKey, tkDateTypes or tkFunctions
};

// Every keyword, in case-insensitive alphabetical order.
std::span<const TZoneScriptKeyword> ZoneScriptKeywords();

// 1 to 26 for the letters A-Z / a-z, 31 for the underscore, 0 for anything else:
// the characters a keyword lookup looks at and the weights of its hash.
constexpr int LetterValue(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 1;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
  return c == '_' ? 31 : 0;
}

// The same values as a table, for the scanner's inner loops.
inline constexpr std::array<std::uint8_t, 256> kLetterValues = [] {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c) table[std::size_t(c)] = std::uint8_t(LetterValue(static_cast<unsigned char>(c)));
  return table;
}();

// The kind of the letter run `run` (letters and underscores only) whose letter
// values sum to `hash`, ignoring letter case: the keyword's kind, or tkIdentifier
// when the run is no keyword.
TtkTokenKind LookUpKeyword(const unsigned char* run, std::size_t length, int hash);

}  // namespace kelvarin
