// The record half of the zone check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

class TRecordCheck {
 public:
  // Sorts every record's identity once: the duplicates come from it, and the
  // script half looks its references up in it.
  explicit TRecordCheck(const TMob& mob);

  const std::vector<std::int32_t>& Identities() const { return m_identities; }

  // Reports the record findings in kind and list order, a record's own in this
  // order: non-finite coordinates, a zero or non-finite rotation, an identity an
  // earlier record carries too.
  void Run(const TFindingSink& found) const;

  std::string Message(const TCheckFinding& finding) const;

 private:
  // A record whose identity an earlier record (in kind and list order) carries.
  struct TDuplicate {
    TObjRef at;
    TObjRef first;
    std::int32_t id = 0;
  };

  const TMob& m_mob;
  std::vector<std::int32_t> m_identities;  // sorted
  std::vector<TDuplicate> m_duplicates;    // by `at`, in kind and list order
};

}  // namespace kelvarin
