// The lines of a script as the editor shows them.
#pragma once

#include <cstddef>
#include <string_view>

namespace kelvarin {

// Calls `line(std::string_view text, std::size_t number)` for each line of
// `text`, numbered from 1. CR LF, LF and a lone CR each end a line, as they do
// when the script is opened in the editor, so the numbers are the editor's.
template <class F> void ForEachScriptLine(std::string_view text, F&& line) {
  std::size_t number = 1;
  for (std::size_t start = 0;; ++number) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      line(text.substr(start), number);
      return;
    }
    line(text.substr(start, end - start), number);
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
}

}  // namespace kelvarin
