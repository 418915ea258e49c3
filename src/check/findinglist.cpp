#include "check/findinglist.h"

#include <algorithm>

namespace kelvarin {

void TFindingList::Add(const TCheckFinding& finding) {
  const std::string_view code = finding.Code();
  auto run = std::find_if(m_runs.begin(), m_runs.end(), [&](const TRun& r) { return r.code == code; });
  if (run == m_runs.end()) run = m_runs.insert(m_runs.end(), TRun{code});
  ++run->count;
  if (run->count <= kListedPerPlace) {
    m_items.push_back(finding);
  } else if (run->count == kListedPerPlace + 1) {
    // The summary stands where the first finding it counts stood.
    run->summary = m_items.size();
    m_items.push_back(finding);
    m_items.back().omitted = 1;
  } else {
    ++m_items[run->summary].omitted;
  }
}

void TFindingList::Flush(const TFindingSink& found) {
  if (m_items.size() > 1)
    std::stable_sort(m_items.begin(), m_items.end(), [](const TCheckFinding& a, const TCheckFinding& b) {
      return std::get<TScriptPlace>(a.place).column < std::get<TScriptPlace>(b.place).column;
    });
  for (const TCheckFinding& f : m_items) found(f);
  m_items.clear();
  m_runs.clear();
}

}  // namespace kelvarin
