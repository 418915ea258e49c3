// The record half of the zone check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

// Appends the record findings in kind and list order: identities carried by an
// earlier record too, non-finite coordinates, zero or non-finite rotations.
// `identities` receives every record's identity, sorted, for the script half.
void CheckRecords(const TMob& mob, std::vector<TCheckFinding>& findings, std::vector<std::int32_t>& identities);

}  // namespace kelvarin
