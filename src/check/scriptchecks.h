// The script half of the zone check.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

// Appends the script findings by line and column. `identities` holds every
// record's identity, sorted.
void CheckScript(const TMob& mob, std::string_view script, const std::vector<std::int32_t>& identities,
                 std::vector<TCheckFinding>& findings);

}  // namespace kelvarin
