// The zone check: the mistakes that break a zone in the game, found without
// widgets so that the editor and kelvarin-cli report the same findings.
//
// Records: identities carried twice, coordinates that are NaN or infinite, a
// rotation quaternion that is zero or not finite. Script: GetObjectByID and
// GetObjectByName calls that no record answers, round brackets and braces
// that do not pair up, strings without their closing quote, and calls of names
// that are neither built-in functions nor declared by the script.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "mob/objref.h"
#include "script/core/scriptplace.h"

namespace kelvarin {

enum class TCheckSeverity { Error, Warning };

// The codes are stable: scripts and CI pipelines match on them.
namespace check_code {
inline constexpr std::string_view DuplicateId = "duplicate-id";
inline constexpr std::string_view NonFiniteCoordinates = "nonfinite-coordinates";
inline constexpr std::string_view ZeroRotation = "zero-rotation";
inline constexpr std::string_view NonFiniteRotation = "nonfinite-rotation";
inline constexpr std::string_view DanglingId = "dangling-id";
inline constexpr std::string_view DanglingName = "dangling-name";
inline constexpr std::string_view UnbalancedBracket = "unbalanced-bracket";
inline constexpr std::string_view UnbalancedBrace = "unbalanced-brace";
inline constexpr std::string_view UnterminatedString = "unterminated-string";
inline constexpr std::string_view UnknownCall = "unknown-call";
}  // namespace check_code

struct TCheckFinding {
  TCheckSeverity severity = TCheckSeverity::Error;
  std::string_view code;  // one of check_code
  std::string message;    // UTF-8, Russian
  // Where it is: a place in the script (column in characters) or a record.
  std::variant<TScriptPlace, ObjRef> place;
  // Not 0: this finding is no finding of its own but stands for this many more of
  // its code at its place, which are not listed ("… и ещё N таких же").
  std::size_t omitted = 0;
  bool operator==(const TCheckFinding&) const = default;
};

// The most findings of one code listed at one place (a script line, a record);
// a summary finding after them counts the rest.
inline constexpr std::size_t kListedPerPlace = 10;

// Checks the document's records and `script` (code page 1251, any line breaks;
// the editor passes the text being edited, which the document does not hold
// yet). Script findings come first, by line and column; record findings follow
// by kind and list position. Repeated findings of one code at one place are
// listed up to kListedPerPlace and summed up after that.
std::vector<TCheckFinding> CheckZone(const TMob& mob, std::string_view script);
// The same with the document's own script (none when it has no script block).
std::vector<TCheckFinding> CheckZone(const TMob& mob);

// Every finding of `severity`, those a summary stands for included.
std::size_t CountFindings(const std::vector<TCheckFinding>& findings, TCheckSeverity severity);

}  // namespace kelvarin
