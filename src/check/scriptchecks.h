// The script half of the zone check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "check/zonecheck.h"

namespace kelvarin {

class TScriptCheck {
 public:
  // Reads `script` once for what the findings depend on beyond their own line:
  // the names it declares, which of the names it calls records by no record
  // answers, and which brackets and braces do not pair up. `identities` holds
  // every record's identity, sorted; it and `script` outlive the check.
  TScriptCheck(const TMob& mob, std::string_view script, const std::vector<std::int32_t>& identities);

  // Reports the script findings by line and column.
  void Run(const TFindingSink& found) const;

  static std::string Message(const TCheckFinding& finding);

 private:
  // Words compare ignoring the case of ASCII letters, the only letters they have.
  struct TFoldedHash {
    std::size_t operator()(std::string_view word) const;
  };
  struct TSameWord {
    bool operator()(std::string_view a, std::string_view b) const;
  };

  std::string_view m_script;
  const std::vector<std::int32_t>& m_identities;
  std::unordered_set<std::string_view, TFoldedHash, TSameWord> m_declared;
  std::unordered_set<std::string_view> m_danglingNames;
  // By byte of the script: a bracket or brace there has no partner.
  std::vector<bool> m_unpaired;
};

}  // namespace kelvarin
