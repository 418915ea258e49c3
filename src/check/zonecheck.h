// The zone check: the mistakes that break a zone in the game, found without
// widgets so that the editor and kelvarin-cli report the same findings.
//
// Records: identities carried twice, coordinates that are NaN or infinite, a
// rotation quaternion that is zero or not finite. Script: GetObjectByID and
// GetObjectByName calls that no record answers, round brackets and braces
// that do not pair up, strings without their closing quote, and calls of names
// that are neither built-in functions nor declared by the script.
//
// A check holds what it needs to decide (the sorted identities, the declared
// names, which brackets do not pair up: a few bytes per record and one bit per
// script byte), never its findings: they are reported one by one as they are
// made, so a script with a fault on each of its million lines is checked in the
// memory of a clean one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

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

// What a finding says. Its code and severity follow from it; the bracket codes
// have two faults each, which their messages tell apart.
enum class TCheckFault : std::uint8_t {
  DuplicateId,
  NonFiniteCoordinates,
  ZeroRotation,
  NonFiniteRotation,
  DanglingId,
  DanglingName,
  ExtraBracket,
  UnclosedBracket,
  ExtraBrace,
  UnclosedBrace,
  UnterminatedString,
  UnknownCall,
};

// One finding: what, where, and the values its message names. The message is
// written only when it is asked for (TZoneCheck::Message).
struct TCheckFinding {
  TCheckFault fault = TCheckFault::DuplicateId;
  // A place in the script (column in characters) or a record.
  std::variant<TScriptPlace, TObjRef> place;
  // Not 0: this finding is no finding of its own but stands for this many more of
  // its code at its place, which are not listed ("… и ещё N таких же").
  std::size_t omitted = 0;
  std::int32_t id = 0;     // DuplicateId, DanglingId: the identity
  TObjRef first;            // DuplicateId: the record that carries the identity first
  std::string_view name;   // UnknownCall, DanglingName: the name as the script writes it (1251)

  TCheckSeverity Severity() const;
  std::string_view Code() const;  // one of check_code
};

using TFindingSink = std::function<void(const TCheckFinding&)>;

// The most findings of one code listed at one place (a script line, a record);
// a summary finding after them counts the rest.
inline constexpr std::size_t kListedPerPlace = 10;

// Every finding of each severity, those a summary stands for included.
struct TCheckTotals {
  std::size_t errors = 0;
  std::size_t warnings = 0;
  void Add(const TCheckFinding& finding);
  bool operator==(const TCheckTotals&) const = default;
};

class TRecordCheck;
class TScriptCheck;

// The check of the document's records and `script` (code page 1251, any line
// breaks; the editor passes the text being edited, which the document does not
// hold yet). Both must stay unchanged while the check and its findings are used:
// a finding's name is a view into the script, and its message is read from the
// records.
class TZoneCheck {
 public:
  TZoneCheck(const TMob& mob, std::string_view script);
  // The document's own script (none when it has no script block).
  explicit TZoneCheck(const TMob& mob);
  ~TZoneCheck();

  // Reports every finding: script findings first, by line and column; record
  // findings after them, by kind and list position. Repeated findings of one
  // code at one place are listed up to kListedPerPlace and summed up after
  // that. Every run reports the same findings.
  void Run(const TFindingSink& found) const;
  // The totals of a run.
  TCheckTotals Count() const;
  // UTF-8, Russian.
  std::string Message(const TCheckFinding& finding) const;

 private:
  std::unique_ptr<TRecordCheck> m_records;
  std::unique_ptr<TScriptCheck> m_script;
};

}  // namespace kelvarin
