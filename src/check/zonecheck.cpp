#include "check/zonecheck.h"

#include <algorithm>

#include "check/recordchecks.h"
#include "check/scriptchecks.h"
#include "mob/tmob.h"

namespace kelvarin {

std::vector<TCheckFinding> CheckZone(const TMob& mob, std::string_view script) {
  std::vector<TCheckFinding> records, findings;
  std::vector<std::int32_t> identities;
  CheckRecords(mob, records, identities);
  CheckScript(mob, script, identities, findings);
  findings.insert(findings.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
  return findings;
}

std::vector<TCheckFinding> CheckZone(const TMob& mob) {
  return CheckZone(mob, mob.HasScript ? std::string_view(mob.ScriptText) : std::string_view());
}

std::size_t CountFindings(const std::vector<TCheckFinding>& findings, TCheckSeverity severity) {
  std::size_t count = 0;
  for (const TCheckFinding& f : findings)
    if (f.severity == severity) count += f.omitted > 0 ? f.omitted : 1;
  return count;
}

}  // namespace kelvarin
