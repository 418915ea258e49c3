// What a mass change did to the records, counted as the scan goes, and the one
// line that tells the user about it (the log and the status bar show the same).
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "mob/records.h"

namespace kelvarin {

struct TMassChangeCounts {
  // Records that met the criteria, per kind in kind order.
  std::array<std::size_t, kObjKindCount> selected{};
  // Records whose parameters the run actually changed (a change to the value a
  // field already held is none).
  std::size_t changed = 0;
  // Records taken out of the open document (delete and move).
  std::size_t deleted = 0;
  // Copies the target holds at the end (a copy replaced by a later copy of the
  // same identity is not counted).
  std::size_t copied = 0;
  // Records the target held before the run and lost to a copy of their identity.
  std::size_t replacedInTarget = 0;

  std::size_t Selected() const;
  bool operator==(const TMassChangeCounts&) const = default;
};

// "Итог: отобрано 3 (юнитов 2, ловушек 1); изменено 3, скопировано 3." with zero
// counts left out, or the line for a run whose criteria selected nothing. UTF-8.
std::string MassChangeSummaryLine(const TMassChangeCounts& counts);

}  // namespace kelvarin
