// Words of a script line as the scanner sees them: the identifier at the caret,
// every occurrence of an identifier, and the names a line declares. Everything
// here works on one line and scans it with the highlighter's own scanner, so a
// word inside a string or a comment is never taken for an identifier.
//
// The line may be code page 1251 or UTF-8: identifiers, quotes, brackets and
// comment marks are ASCII, and no byte of a multi-byte UTF-8 character is.
#pragma once

#include <cstddef>
#include <string_view>

#include "script/core/zonescriptsyn.h"

namespace kelvarin {

struct TWordSpan {
  std::size_t pos = 0;  // byte offset in the line
  std::size_t len = 0;  // 0: no word
  bool Empty() const { return len == 0; }
};

// A token that is a word: an identifier or a keyword. (The scanner also gives a
// lone division sign the identifier kind.)
bool IsWordToken(TtkTokenKind kind, std::string_view text);

// Equal ignoring the case of ASCII letters, the only letters identifiers have.
bool SameWord(std::string_view a, std::string_view b);

// Whether a word token is a keyword as written, without digits after it (Script,
// not Script2, which the scanner also gives the keyword's kind).
bool IsPlainKeyword(TtkTokenKind kind, std::string_view text);

// The word the caret at byte `caret` touches: the one it stands in or right after,
// otherwise the one it stands right before.
TWordSpan WordAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret);

// Calls `found(TWordSpan)` for every word token of `line` that is `word`, ignoring case.
template <class F>
void ForEachOccurrence(TSynZoneScriptSyn& scanner, std::string_view line, std::string_view word, F&& found) {
  if (word.empty()) return;
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
    if (scanner.GetTokenLen() != word.size()) continue;
    const std::string_view text = scanner.GetTokenText();
    if (IsWordToken(scanner.GetTokenKind(), text) && SameWord(text, word))
      found(TWordSpan{scanner.GetTokenPos(), scanner.GetTokenLen()});
  }
}

// Calls `declared(std::string_view name)` for every name `line` declares: the
// identifier right after a type word (float, group, object, string) is a
// variable, the one right after Script or DeclareScript a script. Blanks may
// stand between; a keyword is never a declared name.
template <class F>
void ForEachDeclaration(TSynZoneScriptSyn& scanner, std::string_view line, F&& declared) {
  bool afterDeclaringWord = false;
  for (scanner.SetLine(line); !scanner.GetEol(); scanner.Next()) {
    const TtkTokenKind kind = scanner.GetTokenKind();
    const std::string_view text = scanner.GetTokenText();
    if (kind == TtkTokenKind::tkUnknown && (text == " " || text == "\t")) continue;
    if (afterDeclaringWord && kind == TtkTokenKind::tkIdentifier && IsWordToken(kind, text)) declared(text);
    afterDeclaringWord = IsPlainKeyword(kind, text) &&
                         (kind == TtkTokenKind::tkDateTypes || SameWord(text, "Script") || SameWord(text, "DeclareScript"));
  }
}

}  // namespace kelvarin
