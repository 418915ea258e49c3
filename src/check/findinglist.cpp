#include "check/findinglist.h"

#include <utility>

namespace kelvarin {

bool TFindingList::SamePlace(const std::variant<TScriptPlace, ObjRef>& a, const std::variant<TScriptPlace, ObjRef>& b) {
  if (a.index() != b.index()) return false;
  if (const auto* x = std::get_if<TScriptPlace>(&a)) return x->line == std::get<TScriptPlace>(b).line;
  return std::get<ObjRef>(a) == std::get<ObjRef>(b);
}

void TFindingList::Add(TCheckFinding finding) {
  const auto [it, first] = m_runs.try_emplace(finding.code, TRun{finding.place});
  TRun& run = it->second;
  if (!first && !SamePlace(run.place, finding.place)) run = TRun{finding.place};
  ++run.count;
  if (run.count <= kListedPerPlace) {
    m_items.push_back(std::move(finding));
  } else if (run.count == kListedPerPlace + 1) {
    // The summary stands where the first finding it counts stood.
    finding.omitted = 1;
    run.summary = m_items.size();
    m_items.push_back(std::move(finding));
  } else {
    ++m_items[run.summary].omitted;
  }
}

std::vector<TCheckFinding> TFindingList::Take() {
  for (TCheckFinding& f : m_items)
    if (f.omitted > 0) f.message = "… и ещё " + std::to_string(f.omitted) + " таких же";
  m_runs.clear();
  return std::exchange(m_items, {});
}

}  // namespace kelvarin
