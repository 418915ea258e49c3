// The zone check's findings as entries of the shared result list, and the line
// the status bar and the list's title give for them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "program/resultentry.h"
#include "check/zonecheck.h"

namespace kelvarin {

struct TCheckResults {
  // One entry per finding, in the check's order: where it is (a script line and
  // column; a record's findings name it in their message), the message and the
  // code; a click leads to the place or the record.
  std::vector<TResultEntry> entries;
  // "Проверка зоны: ошибок 2, предупреждений 1", or that nothing was found.
  std::string summary;
};

// Checks the document's records and `script`, the text being edited.
TCheckResults CheckResults(const TMob& mob, std::string_view script);

}  // namespace kelvarin
