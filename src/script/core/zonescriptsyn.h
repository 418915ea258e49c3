// TSynZoneScriptSyn: the scanner of the zone script language. It splits one line of
// code page 1251 text at a time into tokens and names each token's kind and display
// attribute. A token is a start and a length inside the caller's line; scanning
// allocates nothing.
//
// Every token starts in the default range, so no state passes from one line to the
// next: any line can be highlighted on its own.
#pragma once

#include <array>
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
  bool AtLineBreak(std::size_t i) const { return i >= m_line.size() || At(i) == '\n' || At(i) == '\r'; }
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

}  // namespace kelvarin
