// The findings of one half of the zone check as they are made. A place (a script
// line, a record) lists at most kListedPerPlace findings of one code; the rest are
// counted in one summary finding after them, so a script of ten million ")" holds
// a few findings, not ten million, and the check's memory follows the zone's size.
#pragma once

#include <string_view>
#include <unordered_map>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

class TFindingList {
 public:
  // Findings of one code come place by place: a place met again after another
  // starts its count anew.
  void Add(TCheckFinding finding);
  // The findings with the summaries' messages written; the list is left empty.
  std::vector<TCheckFinding> Take();

 private:
  struct TRun {
    std::variant<TScriptPlace, ObjRef> place;
    std::size_t count = 0;
    std::size_t summary = 0;  // in m_items, once there is one
  };
  static bool SamePlace(const std::variant<TScriptPlace, ObjRef>& a, const std::variant<TScriptPlace, ObjRef>& b);

  std::vector<TCheckFinding> m_items;
  std::unordered_map<std::string_view, TRun> m_runs;  // by code
};

}  // namespace kelvarin
