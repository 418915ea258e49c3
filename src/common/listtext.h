// String lists as one line of text, the way the parameter table shows and takes
// them: items joined by "," with no blank.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// The items in order, separated by ","; an empty list gives an empty text.
std::string ListToText(const std::vector<std::string>& items);

// Removes every run of blanks directly before or directly after a comma; blanks
// elsewhere (inside an item, at the very start or end of the text) stay.
// "a ,  b c ,d" becomes "a,b c,d".
std::string NormaliseListText(std::string_view text);

// One item per comma-separated piece, nothing trimmed: "a,,b" gives three items
// with an empty one in the middle, a trailing comma a trailing empty item. An
// empty text gives an empty list.
std::vector<std::string> TextToList(std::string_view text);

}  // namespace kelvarin
