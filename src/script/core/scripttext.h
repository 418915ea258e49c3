// The script's text on its way between the document and the editor. The document
// keeps code page 1251 bytes with whatever line breaks the file had; the editor
// holds UTF-8 with LF breaks. Every byte survives the trip both ways, and a
// character that code page 1251 cannot hold is reported, never replaced.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// The document's script for the editor: UTF-8, and CR LF, LF and a lone CR all
// become one LF, so every kind of line break starts a new line.
std::string ScriptTextToEditor(std::string_view cp1251);

struct TScriptTextError {
  std::size_t line = 0;    // 1-based
  std::size_t column = 0;  // 1-based, in characters
  char32_t codePoint = 0;  // the character that does not fit (0xFFFD for broken UTF-8)
};

// The editor's text for the document: every CR removed, so lines end in a single
// LF, and encoded in code page 1251. nullopt, with *error naming where, when the
// text holds a character that code page 1251 cannot hold.
std::optional<std::string> ScriptTextFromEditor(std::string_view utf8, TScriptTextError* error = nullptr);

// The editor's text as the scanners read it (the zone check, the object
// references): as ScriptTextFromEditor gives it, but a character code page 1251
// cannot hold becomes one '?', so every line and column stays where the user
// sees it.
std::string ScriptTextForReading(std::string_view utf8);

}  // namespace kelvarin
