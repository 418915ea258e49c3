// The findings of one place (a script line) as they are made. The place lists at
// most kListedPerPlace findings of one code; the rest are counted in one summary
// finding after them, so a line of ten million ")" holds eleven findings.
#pragma once

#include <string_view>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

class TFindingList {
 public:
  // A finding at the place. Findings of one code come in the order of their columns.
  void Add(const TCheckFinding& finding);
  // Reports the place's findings by column (in the order they came where columns
  // are equal) and starts the next place.
  void Flush(const TFindingSink& found);

 private:
  struct TRun {
    std::string_view code;
    std::size_t count = 0;
    std::size_t summary = 0;  // in m_items, once there is one
  };

  std::vector<TCheckFinding> m_items;
  std::vector<TRun> m_runs;  // one per code met at the place: a handful
};

}  // namespace kelvarin
