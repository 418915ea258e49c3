// TSynZoneScriptSyn: the scanner of the zone script language. It splits one line of
// code page 1251 text at a time into tokens and names each token's kind and display
// attribute. A token is a start and a length inside the caller's line; scanning
// allocates nothing.
//
// Every token starts in the default range, so no state passes from one line to the
// next: any line can be highlighted on its own.
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "script/core/synattributes.h"
#include "script/core/zonescriptkeywords.h"

namespace kelvarin {

enum class TRangeState : std::uint8_t { rsUnKnown, rsCommentProc, rsStringValuesProc };

// The indices an editor asks GetDefaultAttribute for.
enum class TSynDefaultAttribute { Comment, Identifier, Keyword, String, Whitespace };

class TSynZoneScriptSyn {
 public:
  // The attributes in the order they are created and listed.
  enum AttributeIndex : int {
    kCommentAttri,
    kDateTypesAttri,
    kFunctionsAttri,
    kIdentifierAttri,
    kKeyAttri,
    kNumberAttri,
    kSkobkiAttri,
    kStringValuesAttri,
    kAttributeCount,
  };

  TSynZoneScriptSyn();
  TSynZoneScriptSyn(const TSynZoneScriptSyn&) = delete;
  TSynZoneScriptSyn& operator=(const TSynZoneScriptSyn&) = delete;

  // ---- scanning. The line must outlive the scan; the scan ends at its end.
  void SetLine(std::string_view line);
  void Next();
  bool GetEol() const { return m_tokenKind == TtkTokenKind::tkNull; }
  std::string GetToken() const { return std::string(GetTokenText()); }
  std::string_view GetTokenText() const { return m_line.substr(m_tokenPos, m_run - m_tokenPos); }
  std::size_t GetTokenPos() const { return m_tokenPos; }
  std::size_t GetTokenLen() const { return m_run - m_tokenPos; }
  TtkTokenKind GetTokenKind() const { return m_tokenKind; }
  int GetTokenID() const { return int(m_tokenKind); }
  // nullptr for tkNull.
  const TSynHighlighterAttributes* GetTokenAttribute() const;
  const TSynHighlighterAttributes* GetDefaultAttribute(TSynDefaultAttribute index) const;

  TRangeState GetRange() const { return m_range; }
  void SetRange(TRangeState range) { m_range = range; }
  void ResetRange() { m_range = TRangeState::rsUnKnown; }

  // The attribute index a token kind is shown with; -1 for tkNull.
  static int AttributeIndexOf(TtkTokenKind kind);

  // ---- attributes
  TSynHighlighterAttributes& Attribute(int index) { return *m_attributes[std::size_t(index)]; }
  const TSynHighlighterAttributes& Attribute(int index) const { return *m_attributes[std::size_t(index)]; }
  TSynHighlighterAttributes& CommentAttri() { return m_comment; }
  TSynHighlighterAttributes& DateTypesAttri() { return m_dateTypes; }
  TSynHighlighterAttributes& FunctionsAttri() { return m_functions; }
  TSynHighlighterAttributes& IdentifierAttri() { return m_identifier; }
  TSynHighlighterAttributes& KeyAttri() { return m_key; }
  TSynHighlighterAttributes& NumberAttri() { return m_number; }
  TSynHighlighterAttributes& SkobkiAttri() { return m_skobki; }
  TSynHighlighterAttributes& StringValuesAttri() { return m_stringValues; }
  // Called with the attribute's index after any attribute changed.
  void SetOnHighlightChange(std::function<void(int)> onChange) { m_onHighlightChange = std::move(onChange); }

  // ---- language description
  // Letters A-Z, a-z and the underscore: what the editor takes as word characters.
  static std::string_view GetIdentChars();
  static bool IsIdentChar(unsigned char c) { return LetterValue(c) != 0; }
  // All keywords, comma-separated in case-insensitive alphabetical order.
  static std::string GetKeyWords();
  static std::string_view GetSampleSource();
  static std::string_view GetLanguageName();
  static std::string_view DefaultFilterText();
  const std::string& DefaultFilter() const { return m_defaultFilter; }
  void SetDefaultFilter(std::string filter) { m_defaultFilter = std::move(filter); }
  bool IsFilterStored() const { return m_defaultFilter != DefaultFilterText(); }

 private:
  unsigned char At(std::size_t i) const { return static_cast<unsigned char>(m_line[i]); }
  void SkipWhile(std::uint8_t classes);
  void SkipUntil(std::uint8_t classes);
  void CommentProcOpenProc();
  void CommentProcProc();
  void StringValuesProcOpenProc();
  void StringValuesProcProc();
  void SkobkiProc();
  void NumberProc();
  void IdentProc();
  TtkTokenKind IdentKind();

  TSynHighlighterAttributes m_comment;
  TSynHighlighterAttributes m_dateTypes;
  TSynHighlighterAttributes m_functions;
  TSynHighlighterAttributes m_identifier;
  TSynHighlighterAttributes m_key;
  TSynHighlighterAttributes m_number;
  TSynHighlighterAttributes m_skobki;
  TSynHighlighterAttributes m_stringValues;
  std::array<TSynHighlighterAttributes*, kAttributeCount> m_attributes;
  std::function<void(int)> m_onHighlightChange;
  std::string m_defaultFilter;

  std::string_view m_line;
  std::size_t m_run = 0;
  std::size_t m_tokenPos = 0;
  std::size_t m_stringLen = 0;  // length of the letter run IdentKind looked up
  TtkTokenKind m_tokenKind = TtkTokenKind::tkNull;
  TRangeState m_range = TRangeState::rsUnKnown;
};

// ---- scanning, inline: the editor scans every visible line at every repaint, and
// the token loop runs about twice as fast when it compiles into one function.

namespace scan {

// What a token is, judged by its first byte: one table look-up per token.
enum class Proc : std::uint8_t { Unknown, LF, CR, String, Skobki, Number, Comment, Ident };

constexpr std::array<Proc, 256> BuildDispatch() {
  std::array<Proc, 256> table{};  // Proc::Unknown: blanks, operators, bytes 128-255
  table['\n'] = Proc::LF;
  table['\r'] = Proc::CR;
  table['"'] = Proc::String;
  table['('] = Proc::Skobki;
  table[')'] = Proc::Skobki;
  table['.'] = Proc::Number;
  for (int c = '0'; c <= '9'; ++c) table[std::size_t(c)] = Proc::Number;
  table['/'] = Proc::Comment;
  for (int c = 0; c < 256; ++c)
    if (LetterValue(static_cast<unsigned char>(c)) != 0) table[std::size_t(c)] = Proc::Ident;
  return table;
}

inline constexpr std::array<Proc, 256> kDispatch = BuildDispatch();

// Character classes of the scanner's inner loops.
enum : std::uint8_t { kLetter = 1, kDigit = 2, kBreak = 4, kQuote = 8, kBracket = 16, kDot = 32 };

constexpr std::array<std::uint8_t, 256> BuildClasses() {
  std::array<std::uint8_t, 256> table{};
  for (int c = 0; c < 256; ++c)
    if (LetterValue(static_cast<unsigned char>(c)) != 0) table[std::size_t(c)] = kLetter;
  for (int c = '0'; c <= '9'; ++c) table[std::size_t(c)] = kDigit;
  table['\n'] = table['\r'] = kBreak;
  table['"'] = kQuote;
  table['('] = table[')'] = kBracket;
  table['.'] = kDot;
  return table;
}

inline constexpr std::array<std::uint8_t, 256> kClass = BuildClasses();

}  // namespace scan

inline void TSynZoneScriptSyn::SetLine(std::string_view line) {
  m_line = line;
  m_run = 0;
  Next();
}

inline void TSynZoneScriptSyn::Next() {
  m_tokenPos = m_run;
  m_range = TRangeState::rsUnKnown;
  // The line ends where its text ends. A NUL byte inside it is an ordinary
  // character, so every byte of a line gets a token.
  if (m_run >= m_line.size()) {
    m_tokenKind = TtkTokenKind::tkNull;
    return;
  }
  switch (scan::kDispatch[At(m_run)]) {
    case scan::Proc::LF:
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      break;
    case scan::Proc::CR:
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      if (m_run < m_line.size() && At(m_run) == '\n') ++m_run;
      break;
    case scan::Proc::String: StringValuesProcOpenProc(); break;
    case scan::Proc::Skobki: SkobkiProc(); break;
    case scan::Proc::Number: NumberProc(); break;
    case scan::Proc::Comment: CommentProcOpenProc(); break;
    case scan::Proc::Ident: IdentProc(); break;
    case scan::Proc::Unknown:
      // Code page 1251 has no double-byte lead bytes: every other byte is a token.
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      break;
  }
}

// Advances the run position over characters whose class has one of `classes`.
inline void TSynZoneScriptSyn::SkipWhile(std::uint8_t classes) {
  while (m_run < m_line.size() && (scan::kClass[At(m_run)] & classes)) ++m_run;
}

// Advances the run position up to the next character whose class has one of
// `classes`, or to the end of the line.
inline void TSynZoneScriptSyn::SkipUntil(std::uint8_t classes) {
  while (m_run < m_line.size() && !(scan::kClass[At(m_run)] & classes)) ++m_run;
}

inline void TSynZoneScriptSyn::CommentProcOpenProc() {
  ++m_run;
  if (m_run < m_line.size() && At(m_run) == '/') {
    m_range = TRangeState::rsCommentProc;
    CommentProcProc();
    return;
  }
  m_tokenKind = TtkTokenKind::tkIdentifier;  // a lone slash, the division sign
}

inline void TSynZoneScriptSyn::CommentProcProc() {
  m_tokenKind = TtkTokenKind::tkComment;
  SkipUntil(scan::kBreak);
}

inline void TSynZoneScriptSyn::StringValuesProcOpenProc() {
  ++m_run;
  m_range = TRangeState::rsStringValuesProc;
  StringValuesProcProc();
}

inline void TSynZoneScriptSyn::StringValuesProcProc() {
  // No escape character: the string ends at the next quote or at the line's end.
  m_tokenKind = TtkTokenKind::tkStringValues;
  SkipUntil(scan::kBreak | scan::kQuote);
  if (m_run < m_line.size() && At(m_run) == '"') {
    ++m_run;
    m_range = TRangeState::rsUnKnown;
  }
}

inline void TSynZoneScriptSyn::SkobkiProc() {
  m_tokenKind = TtkTokenKind::tkSkobki;
  ++m_run;
  SkipWhile(scan::kBracket);
}

inline void TSynZoneScriptSyn::NumberProc() {
  m_tokenKind = TtkTokenKind::tkNumber;
  ++m_run;
  SkipWhile(scan::kDigit | scan::kDot);
}

inline void TSynZoneScriptSyn::IdentProc() {
  m_tokenKind = IdentKind();
  m_run += m_stringLen;
  SkipWhile(scan::kLetter | scan::kDigit);
}

inline TtkTokenKind TSynZoneScriptSyn::IdentKind() {
  // One pass over the letter run sums its hash; digits end the run, so only the
  // letters before the first digit are looked up (GetX2 is still GetX).
  const auto* run = reinterpret_cast<const unsigned char*>(m_line.data()) + m_run;
  const std::size_t available = m_line.size() - m_run;
  std::size_t length = 0;
  int hash = 0;
  while (length < available && kLetterValues[run[length]] != 0) hash += kLetterValues[run[length++]];
  m_stringLen = length;
  return LookUpKeyword(run, length, hash);
}

}  // namespace kelvarin
