// Plain-text search in the editor's UTF-8 text, ignoring letter case the way
// Unicode folds it. Scintilla folds the case of ASCII letters only when it searches
// UTF-8 text, which would make "жук" miss "Жук".
#pragma once

#include <QString>
#include <cstddef>
#include <optional>
#include <string_view>

namespace kelvarin {

struct TTextMatch {
  std::size_t begin = 0;  // byte offsets in the UTF-8 text
  std::size_t end = 0;
};

// The first occurrence of `needle` that starts at or after byte `from`; nullopt
// when there is none or the needle is empty. No wrap to the start.
std::optional<TTextMatch> FindIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle);

}  // namespace kelvarin
