// Which records a mass change would select, found without running it: the map's
// live preview of the mass-change criteria and the count of a shape being drawn.
// The decision for every record is the engine's own (TMassChanger::
// MatchesCriteria); the zone index only spares it the records that lie outside a
// rectangle or circle criterion, which the engine could never select.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "map/core/zoneindex.h"
#include "masschange/core/masschangeopts.h"

namespace kelvarin {

struct TCriteriaSelection {
  // Per kind in kind order, as the run's summary counts them.
  std::array<std::size_t, kObjKindCount> selected{};
  // The records, in the order the run would visit them (kind order, list order).
  std::vector<ObjRef> records;

  std::size_t Total() const { return records.size(); }
};

// What the option check says of the criteria alone (the actions and the target
// are the run's business, not the preview's): empty when a run could select with
// them, else the check's message.
std::string CriteriaError(const MassChangeOpts& opts, char decimalSeparator);

// The kinds a run would scan.
KindMask TickedKinds(const MassChangeOpts& opts);

// The records of `mob` a run with `opts` would select; `index` must hold `mob`'s
// positions as they are. The criteria must have passed CriteriaError.
TCriteriaSelection SelectByCriteria(const TMob& mob, const TZoneIndex& index, const MassChangeOpts& opts,
                                    char decimalSeparator);

}  // namespace kelvarin
