// What completion offers at the caret of a script line. Inside the quotes of
// GetObjectByName("…") it offers the names the zone's objects carry; elsewhere in
// code the language's keywords (the highlighter's table) and the names the script
// declares. Matching is by prefix, ignoring letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/core/zonescriptsyn.h"

namespace kelvarin {

class TMob;

enum class TCompletionKind : std::uint8_t {
  None,        // in a comment, a number or an ordinary string: nothing to offer
  Identifier,  // keywords and the script's own names
  ObjectName,  // inside the quotes of GetObjectByName("…")
};

struct TCompletionContext {
  TCompletionKind kind = TCompletionKind::None;
  std::size_t prefixStart = 0;  // byte offset in the line; the prefix ends at the caret
  std::string_view prefix;      // what is typed of the word so far (a view into the line)
};

// The context of the caret at byte `caret` of `line` (1251 or UTF-8).
TCompletionContext CompletionContextAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret);

// The list opens by itself once this many letters of a word are typed.
inline constexpr std::size_t kAutoCompletionLetters = 3;

enum class TCompletionGroup : std::uint8_t { Function, ScriptName, Keyword, ObjectName };

struct TCompletion {
  std::string text;
  TCompletionGroup group;
  bool operator==(const TCompletion&) const = default;
};

// Identifier completions for the ASCII `prefix`: the built-in functions, then
// `scriptNames`, then the control and type words, alphabetical within each group
// ignoring case.
std::vector<TCompletion> IdentifierCompletions(std::string_view prefix, std::span<const std::string> scriptNames);

// The names the zone's objects carry that begin with the 1251 `prefix`, ignoring
// case, each once and in alphabetical order: ScriptVariableName and Name2 of the
// five common kinds, NameStr of particles. Names that a string cannot hold (with a
// double quote or a line break) are left out.
std::vector<std::string> ObjectNameCompletions(const TMob& mob, std::string_view prefix);

}  // namespace kelvarin
