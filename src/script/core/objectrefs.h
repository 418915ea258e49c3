// How the script names placed objects: GetObjectByID(4030) and
// GetObjectByName("orc_4311"), found with the highlighter's scanner so that
// calls inside comments and strings do not count, and the records such a call
// means. Scripts here are code page 1251 text, where a byte is a character and
// a byte offset is a column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mob/objref.h"
#include "script/core/scriptplace.h"
#include "script/core/zonescriptsyn.h"

namespace kelvarin {

enum class TObjectCallKind : std::uint8_t { ById, ByName };

// One call with a literal argument: a whole number (a minus sign may stand
// before it) or a string closed on its line.
struct TObjectCall {
  TObjectCallKind kind = TObjectCallKind::ById;
  std::size_t pos = 0;     // byte offset of the function's name in the line
  std::size_t end = 0;     // just after the closing bracket
  std::size_t argPos = 0;  // the number (its sign included) or the opening quote
  std::int32_t id = 0;     // ById: the number as a 32-bit identity
  std::string_view name;   // ByName: the text between the quotes, a view into the line
};

// The calls on one line, in order.
std::vector<TObjectCall> ObjectCallsOn(TSynZoneScriptSyn& scanner, std::string_view line);

// The call the caret at byte `caret` stands in or right after (from the first
// letter of the name to the closing bracket).
std::optional<TObjectCall> ObjectCallAt(TSynZoneScriptSyn& scanner, std::string_view line, std::size_t caret);

// The names a script calls a record by, non-empty and each once:
// ScriptVariableName and Name2 of the kinds with the common fields, NameStr of
// particles.
std::vector<std::string_view> ScriptNamesOf(const TMob& mob, TObjRef ref);

// The records that carry the identity `id` (ObjectID, or ID for particles), or a
// name of ScriptNamesOf that is exactly `name`; in kind order, then list order.
std::vector<TObjRef> RecordsWithId(const TMob& mob, std::int32_t id);
std::vector<TObjRef> RecordsNamed(const TMob& mob, std::string_view name);
std::vector<TObjRef> RecordsCalled(const TMob& mob, const TObjectCall& call);

struct TScriptMention {
  TScriptPlace place;  // the first mention on its line
  std::string line;    // the line's text, 1251
  bool operator==(const TScriptMention&) const = default;
};

// Every line of `script` that names the record: GetObjectByID with its
// identity, a string that is one of its names, or a word that is its
// ScriptVariableName (words ignore letter case, as the language does). One
// mention per line, in line order; none when `ref` refers to no record.
std::vector<TScriptMention> FindRecordMentions(const TMob& mob, TObjRef ref, std::string_view script);

}  // namespace kelvarin
