#include "script/core/scripttext.h"

#include <algorithm>

#include "common/cp1251.h"

namespace kelvarin {

std::string ScriptTextToEditor(std::string_view cp1251) {
  std::string lf;
  lf.reserve(cp1251.size());
  for (std::size_t i = 0; i < cp1251.size(); ++i) {
    if (cp1251[i] != '\r') {
      lf.push_back(cp1251[i]);
    } else {
      lf.push_back('\n');
      if (i + 1 < cp1251.size() && cp1251[i + 1] == '\n') ++i;
    }
  }
  return Cp1251ToUtf8(lf);
}

std::optional<std::string> ScriptTextFromEditor(std::string_view utf8, TScriptTextError* error) {
  std::string withoutCr;
  withoutCr.reserve(utf8.size());
  std::copy_if(utf8.begin(), utf8.end(), std::back_inserter(withoutCr), [](char c) { return c != '\r'; });

  TCp1251Error bad;
  std::optional<std::string> encoded = Utf8ToCp1251(withoutCr, &bad);
  if (!encoded && error) {
    const std::string_view before = std::string_view(withoutCr).substr(0, bad.offset);
    const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    error->line = 1 + std::size_t(std::count(before.begin(), before.end(), '\n'));
    // Characters before it on its line: every byte that does not continue a sequence.
    error->column = 1 + std::size_t(std::count_if(before.begin() + std::ptrdiff_t(lineStart), before.end(),
                                                  [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    error->codePoint = bad.codePoint;
  }
  return encoded;
}

}  // namespace kelvarin

namespace kelvarin {

std::string ScriptTextForReading(std::string_view utf8) {
  if (std::optional<std::string> whole = ScriptTextFromEditor(utf8)) return std::move(*whole);
  // Character by character only for a text that holds such a character.
  std::string text;
  text.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    length = std::min(length, utf8.size() - at);
    std::optional<std::string> one = Utf8ToCp1251(utf8.substr(at, length));
    at += length;
    if (!one || one->size() != 1) text.push_back('?');
    else if ((*one)[0] != '\r') text.push_back((*one)[0]);
  }
  return text;
}

}  // namespace kelvarin
