// The parameter rows of several records selected together: the fields all of
// their kinds have by name, each showing the value when every record holds the
// same bytes and nothing when they differ, and how a typed text becomes one
// value per kind, checked as it would be for one record of that kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/recordset.h"
#include "objects/core/objectparams.h"

namespace kelvarin {

struct TSharedRow {
  std::string key;
  std::string value;      // display text (1251 bytes); empty when the records differ
  bool differs = false;
  bool readOnly = false;  // the identity, and the trap point lists (edited one record at a time)
};

// In the first record's order; empty for no record. `groups` is the selection
// as GroupRecords gives it, worked out once for as long as it stands.
std::vector<TSharedRow> SharedParamRows(const TMob& mob, const TRecordGroups& groups, char decimalSeparator);

struct TSharedValue {
  ApplyStatus status = ApplyStatus::Ignored;
  // Accepted: what the row shows now (a list's cleaned text); refused: nullopt.
  std::optional<std::string> rowText;
  TKindValues values;  // Accepted: the value each kind present takes
};

// The first refusal of any kind present, or the value each kind takes. The
// identity and the trap point lists are never taken here.
TSharedValue SharedParamValue(const TMob& mob, const TRecordGroups& groups, std::string_view key,
                              std::string_view text, char decimalSeparator);

}  // namespace kelvarin
