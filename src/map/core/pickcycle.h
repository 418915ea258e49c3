// Clicking where markers overlap: the first click takes the nearest record, each
// further click at the same place the next one under the cursor, round again after
// the last.
#pragma once

#include <optional>
#include <vector>

#include "mob/objref.h"

namespace kelvarin {

class TPickCycle {
 public:
  // The record a click at pixel (px, py) selects among `hits`, nearest first. A
  // click within `samePlacePx` of the previous one that finds the same records
  // moves on to the record after the one chosen then.
  std::optional<TObjRef> Click(double px, double py, const std::vector<TObjRef>& hits, double samePlacePx = 3);
  // The next click starts again from the nearest (the records or the view changed).
  void Reset() { m_hits.clear(); }

 private:
  double m_px = 0, m_py = 0;
  std::vector<TObjRef> m_hits;
  std::size_t m_chosen = 0;
};

}  // namespace kelvarin
