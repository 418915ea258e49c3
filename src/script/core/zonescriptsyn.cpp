#include "script/core/zonescriptsyn.h"

#include <cstdint>

namespace kelvarin {
namespace {

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
