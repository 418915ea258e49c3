// Plain-text search in the editor's UTF-8 text, ignoring letter case the way
// Unicode folds it. Scintilla folds the case of ASCII letters only when it searches
// UTF-8 text, which would make "жук" miss "Жук". Every search of the script page
// (next, replace, find all, replace all) matches through here.
#pragma once

#include <QString>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace kelvarin {

struct TTextMatch {
  std::size_t begin = 0;  // byte offsets in the UTF-8 text
  std::size_t end = 0;
  bool operator==(const TTextMatch&) const = default;
};

// The occurrences of `needle` that start at or after byte `from`, left to right
// and not overlapping, at most `limit` of them; none for an empty needle.
std::vector<TTextMatch> FindAllIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle,
                                            std::size_t limit = std::numeric_limits<std::size_t>::max());

// The first occurrence of `needle` that starts at or after byte `from`; nullopt
// when there is none or the needle is empty. No wrap to the start.
std::optional<TTextMatch> FindIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle);

}  // namespace kelvarin
