// Which records a mass change would select, found without running it: the map's
// live preview of the mass-change criteria and the count of a shape being drawn.
// The decision for every record is the criteria's own, as a run makes it
// (TSelectionCriteria::Matches); the zone index only spares it the records that
// lie outside a rectangle or circle criterion, which could never be selected.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "map/core/zoneindex.h"
#include "criteria/selectioncriteria.h"

namespace kelvarin {

struct TCriteriaSelection {
  // Per kind in kind order, as the run's summary counts them.
  std::array<std::size_t, kObjKindCount> selected{};
  // The records, in the order the run would visit them (kind order, list order).
  std::vector<TObjRef> records;

  std::size_t Total() const { return records.size(); }
};

// The kinds a run would scan.
TKindMask TickedKinds(const TSelectionCriteria& criteria);

// The records of `mob` a run with `criteria` would select; `index` must hold
// `mob`'s positions as they are.
TCriteriaSelection SelectByCriteria(const TMob& mob, const TZoneIndex& index, const TSelectionCriteria& criteria);

}  // namespace kelvarin
