// Code page 1251 <-> Unicode. Strings of the .mob format and of the settings file
// are 1251 bytes; the UI and the CLI speak Unicode. Every byte maps to exactly one
// code point and back (0x98, undefined in 1251, maps to U+0098), so any byte string
// survives a round trip; characters that 1251 cannot hold are reported, never
// replaced.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

char32_t Cp1251ToUnicode(unsigned char byte);

// The 1251 byte for a code point, or -1 when code page 1251 has no such character.
int UnicodeToCp1251(char32_t codePoint);

// The small letter for a capital letter of code page 1251 (Latin and Cyrillic);
// every other byte maps to itself. Comparing folded bytes ignores letter case.
unsigned char Cp1251FoldCase(unsigned char byte);

// 1251 bytes -> UTF-8 text.
std::string Cp1251ToUtf8(std::string_view bytes);

struct TCp1251Error {
  std::size_t offset = 0;     // byte offset in the UTF-8 input
  char32_t codePoint = 0;     // the character that does not fit (0xFFFD for broken UTF-8)
  bool invalidUtf8 = false;
};

// UTF-8 text -> 1251 bytes; nullopt (and *error filled) when the text holds a
// character that code page 1251 cannot hold or is not valid UTF-8.
std::optional<std::string> Utf8ToCp1251(std::string_view utf8, TCp1251Error* error = nullptr);

}  // namespace kelvarin
