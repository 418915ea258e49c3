#include "script/core/zonescriptsyn.h"

#include <cstdint>

namespace kelvarin {
namespace {

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

constexpr std::array<Proc, 256> kDispatch = BuildDispatch();

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

constexpr TRgb kNavy{0, 0, 128};
constexpr TRgb kMaroon{128, 0, 0};
constexpr TRgb kBlue{0, 0, 255};
constexpr TRgb kFuchsia{255, 0, 255};
constexpr TRgb kRed{255, 0, 0};
constexpr TRgb kGreen{0, 128, 0};

}  // namespace

TSynZoneScriptSyn::TSynZoneScriptSyn()
    : m_comment("Comment", fsItalic, kNavy),
      m_dateTypes("DateTypes", fsBold, kMaroon),
      m_functions("Functions", fsBold, kBlue),
      m_identifier("Identifier", 0, std::nullopt),
      m_key("Reserved Word", fsBold, std::nullopt),
      m_number("Number", fsBold, kFuchsia),
      m_skobki("Skobki", fsBold, kRed),
      m_stringValues("StringValues", fsBold, kGreen),
      m_attributes{&m_comment, &m_dateTypes, &m_functions, &m_identifier,
                   &m_key,     &m_number,    &m_skobki,    &m_stringValues},
      m_defaultFilter(DefaultFilterText()) {
  for (int i = 0; i < kAttributeCount; ++i)
    m_attributes[std::size_t(i)]->SetOnChange([this, i] {
      if (m_onHighlightChange) m_onHighlightChange(i);
    });
}

void TSynZoneScriptSyn::SetLine(std::string_view line) {
  m_line = line;
  m_run = 0;
  Next();
}

void TSynZoneScriptSyn::Next() {
  m_tokenPos = m_run;
  m_range = TRangeState::rsUnKnown;
  // The line ends where its text ends. A NUL byte inside it is an ordinary
  // character, so every byte of a line gets a token.
  if (m_run >= m_line.size()) {
    m_tokenKind = TtkTokenKind::tkNull;
    return;
  }
  switch (kDispatch[At(m_run)]) {
    case Proc::LF:
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      break;
    case Proc::CR:
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      if (m_run < m_line.size() && At(m_run) == '\n') ++m_run;
      break;
    case Proc::String: StringValuesProcOpenProc(); break;
    case Proc::Skobki: SkobkiProc(); break;
    case Proc::Number: NumberProc(); break;
    case Proc::Comment: CommentProcOpenProc(); break;
    case Proc::Ident: IdentProc(); break;
    case Proc::Unknown:
      // Code page 1251 has no double-byte lead bytes: every other byte is a token.
      m_tokenKind = TtkTokenKind::tkUnknown;
      ++m_run;
      break;
  }
}

void TSynZoneScriptSyn::CommentProcOpenProc() {
  ++m_run;
  if (m_run < m_line.size() && At(m_run) == '/') {
    m_range = TRangeState::rsCommentProc;
    CommentProcProc();
    return;
  }
  m_tokenKind = TtkTokenKind::tkIdentifier;  // a lone slash, the division sign
}

void TSynZoneScriptSyn::CommentProcProc() {
  m_tokenKind = TtkTokenKind::tkComment;
  while (!AtLineBreak(m_run)) ++m_run;
}

void TSynZoneScriptSyn::StringValuesProcOpenProc() {
  ++m_run;
  m_range = TRangeState::rsStringValuesProc;
  StringValuesProcProc();
}

void TSynZoneScriptSyn::StringValuesProcProc() {
  // No escape character: the string ends at the next quote or at the line's end.
  m_tokenKind = TtkTokenKind::tkStringValues;
  while (!AtLineBreak(m_run)) {
    if (At(m_run) == '"') {
      ++m_run;
      m_range = TRangeState::rsUnKnown;
      return;
    }
    ++m_run;
  }
}

void TSynZoneScriptSyn::SkobkiProc() {
  m_tokenKind = TtkTokenKind::tkSkobki;
  ++m_run;
  while (m_run < m_line.size() && (At(m_run) == '(' || At(m_run) == ')')) ++m_run;
}

void TSynZoneScriptSyn::NumberProc() {
  m_tokenKind = TtkTokenKind::tkNumber;
  ++m_run;
  while (m_run < m_line.size() && (At(m_run) == '.' || IsDigit(At(m_run)))) ++m_run;
}

void TSynZoneScriptSyn::IdentProc() {
  m_tokenKind = IdentKind();
  m_run += m_stringLen;
  while (m_run < m_line.size() && (LetterValue(At(m_run)) != 0 || IsDigit(At(m_run)))) ++m_run;
}

TtkTokenKind TSynZoneScriptSyn::IdentKind() {
  // Only the letter run is looked up: digits end it, so GetX2 is still GetX.
  std::size_t end = m_run;
  while (end < m_line.size() && LetterValue(At(end)) != 0) ++end;
  m_stringLen = end - m_run;
  return LookUpKeyword(reinterpret_cast<const unsigned char*>(m_line.data()) + m_run, m_stringLen);
}

int TSynZoneScriptSyn::AttributeIndexOf(TtkTokenKind kind) {
  switch (kind) {
    case TtkTokenKind::tkComment: return kCommentAttri;
    case TtkTokenKind::tkDateTypes: return kDateTypesAttri;
    case TtkTokenKind::tkFunctions: return kFunctionsAttri;
    case TtkTokenKind::tkIdentifier: return kIdentifierAttri;
    case TtkTokenKind::tkKey: return kKeyAttri;
    case TtkTokenKind::tkNull: return -1;
    case TtkTokenKind::tkNumber: return kNumberAttri;
    case TtkTokenKind::tkSkobki: return kSkobkiAttri;
    case TtkTokenKind::tkStringValues: return kStringValuesAttri;
    case TtkTokenKind::tkUnknown: return kIdentifierAttri;
  }
  return -1;
}

const TSynHighlighterAttributes* TSynZoneScriptSyn::GetTokenAttribute() const {
  const int index = AttributeIndexOf(m_tokenKind);
  return index < 0 ? nullptr : m_attributes[std::size_t(index)];
}

const TSynHighlighterAttributes* TSynZoneScriptSyn::GetDefaultAttribute(TSynDefaultAttribute index) const {
  switch (index) {
    case TSynDefaultAttribute::Comment: return &m_comment;
    case TSynDefaultAttribute::Identifier: return &m_identifier;
    case TSynDefaultAttribute::Keyword: return &m_key;
    default: return nullptr;
  }
}

std::string_view TSynZoneScriptSyn::GetIdentChars() {
  return "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
}

std::string TSynZoneScriptSyn::GetKeyWords() {
  std::string text;
  for (const TZoneScriptKeyword& k : ZoneScriptKeywords()) {
    if (!text.empty()) text += ',';
    text += k.name;
  }
  return text;
}

std::string_view TSynZoneScriptSyn::GetSampleSource() { return "Sample source for: \r\nZone Script highlighter"; }

std::string_view TSynZoneScriptSyn::GetLanguageName() { return "Zone script"; }

std::string_view TSynZoneScriptSyn::DefaultFilterText() { return "Mob files (*.mob)|*.mob"; }

}  // namespace kelvarin
