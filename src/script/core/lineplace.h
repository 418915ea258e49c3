// The text typed into "go to line": a line number, optionally followed by a colon
// and a column ("120" or "120:5"; blanks around the numbers are allowed).
#pragma once

#include <optional>
#include <string_view>

namespace kelvarin {

struct TLinePlace {
  long line = 0;    // 1-based
  long column = 0;  // 1-based; 0 when none was given
  bool operator==(const TLinePlace&) const = default;
};

// nullopt for any other text, including numbers below 1 or too large for a long.
std::optional<TLinePlace> ParseLinePlace(std::string_view text);

}  // namespace kelvarin
