// A zone as stable, line-oriented text, for tools that compare text (a version
// control system's diff and log): the blocks in the order the writer puts them,
// then each record under a line naming its kind and identity with one field per
// line, the unknown sub-blocks and the tail in hex, and the script's lines last.
// The same zone always gives the same text; strings stay code page 1251.
#pragma once

#include <functional>
#include <string_view>

namespace kelvarin {

class TMob;

// Hands the text to `out` in pieces that end at line ends. Works on a document
// whose records stayed in its file image too, reading one record at a time.
void WriteZoneText(const TMob& mob, const std::function<void(std::string_view)>& out);

}  // namespace kelvarin
