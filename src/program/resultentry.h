// One entry of the shared result list below the pages (find all, and whatever
// else lists places): a text, an optional severity and where a click leads, a
// place in the script or a record of the object lists, if anywhere.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>

#include "mob/objref.h"
#include "script/core/scriptplace.h"

namespace kelvarin {

enum class TSeverity { Error, Warning, Note };

// Where a click on an entry leads: a place in the script, a record, or nowhere
// (an entry that only tells something).
using TResultTarget = std::variant<TScriptPlace, TObjRef, std::monostate>;

struct TResultEntry {
  std::string text;  // UTF-8
  std::optional<TSeverity> severity;
  TResultTarget target;
  bool operator==(const TResultEntry&) const = default;
};

}  // namespace kelvarin
