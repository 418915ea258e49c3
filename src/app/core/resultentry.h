// One entry of the shared result list below the pages (find all, and whatever
// else lists places): a text, an optional severity and where a click leads, a
// place in the script or a record of the object lists.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <variant>

#include "mob/objref.h"
#include "script/core/scriptplace.h"

namespace kelvarin {

enum class TSeverity { Error, Warning, Note };

struct TResultEntry {
  std::string text;  // UTF-8
  std::optional<TSeverity> severity;
  std::variant<TScriptPlace, ObjRef> target;
  bool operator==(const TResultEntry&) const = default;
};

}  // namespace kelvarin
