// A place in the script: where a click in a result list leads, where a finding
// of the zone check stands.
#pragma once

#include <cstddef>

namespace kelvarin {

// 1-based, the column in characters.
struct TScriptPlace {
  std::size_t line = 1;
  std::size_t column = 1;
  bool operator==(const TScriptPlace&) const = default;
};

}  // namespace kelvarin
