#include "script/core/scriptwords.h"

#include <algorithm>

namespace kelvarin {

bool IsWordToken(TtkTokenKind kind, std::string_view text) {
  switch (kind) {
    case TtkTokenKind::tkIdentifier:
    case TtkTokenKind::tkKey:
    case TtkTokenKind::tkDateTypes:
    case TtkTokenKind::tkFunctions:
      return !text.empty() && LetterValue(static_cast<unsigned char>(text.front())) != 0;
    default:
      return false;
  }
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    // Only letters differ by bit 5 alone and fold to the same letter.
    if ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z') return false;
  }
  return true;
}

bool IsPlainKeyword(TtkTokenKind kind, std::string_view text) {
  if (kind != TtkTokenKind::tkKey && kind != TtkTokenKind::tkDateTypes && kind != TtkTokenKind::tkFunctions) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return LetterValue(static_cast<unsigned char>(c)) != 0; });
}

TWordSpan WordAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret) {
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
    const std::size_t pos = scanner.GetTokenPos();
    if (pos > caret) break;
    const std::size_t end = pos + scanner.GetTokenLen();
    if (end < caret || !IsWordToken(scanner.GetTokenKind(), scanner.GetTokenText())) continue;
    // Tokens do not overlap: a word ending at the caret comes before one starting there.
    return {pos, end - pos};
  }
  return {};
}

}  // namespace kelvarin
