// The parameter rows of one placed object: what the parameter table shows for a
// record (key and value text per editable field, in the table's order) and how a
// typed text is checked and written back into the record. Widget-free: texts are
// code page 1251 bytes, the decimal separator is a parameter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/fieldvalue.h"
#include "mob/objref.h"
#include "mob/records.h"
#include "mob/recordrules.h"
#include "objects/core/tquaternion.h"

namespace kelvarin {

// The text of the two rows a trap shows for its point lists, which are not edited here.
inline constexpr std::string_view kTrapPointsRowText = "Click to edit ----->";

struct TParamRow {
  std::string key;
  std::string value;           // display text, 1251 bytes
  bool hasEditButton = false;  // the trap point rows
};

// The rows of the record in table order; empty when `ref` refers to no record.
std::vector<TParamRow> ParamRowsOf(const TMob& mob, TObjRef ref, char decimalSeparator);

// How the table shows a value of a field (the trap point lists as their row text).
std::string ValueDisplayText(const TFieldValue& value, char decimalSeparator);

// The display text of one field; nullopt for a key the record does not show as a
// field (including the trap point rows).
std::optional<std::string> ParamDisplayText(const TMob& mob, TObjRef ref, std::string_view key,
                                            char decimalSeparator);

enum class ApplyStatus {
  Accepted,       // stored (the value may be the same as before)
  Rejected,       // failed its check; the field keeps its value
  NotANumber,     // passed the check but holds no number (".", "-.", "NAN")
  OutOfRange,     // passed the check but does not fit the field's 32 bits
  Ignored,        // no field of this record has that key (the trap point rows)
};

struct TApplyResult {
  ApplyStatus status = ApplyStatus::Ignored;
  // What the row should show now: the cleaned text of an accepted list, the field's
  // current value after a refusal; nullopt when the row stays as typed.
  std::optional<std::string> rowText;
  // The field's value as accepted (it may be what the field holds already).
  std::optional<TFieldValue> value;
};

// Checks `text` by the field's check kind and works out the value it gives the
// field, without writing it (an edit hands it to the record history as a step):
// strings as they are; integers by CheckStrInt (a lever's UncnByte2..UncnByte6 keep
// the low 8 bits); bytes by CheckStrByte (low 8 bits, so -1 is 255); floats by
// CheckStrFloat, rounded to 32 bits; lists after NormaliseListText, split by
// TextToList. A list text that is exactly the list's display is taken as the
// list unchanged: splitting it again would drop an empty single item or split
// items that hold commas.
TApplyResult ParamRowValue(const TMob& mob, TObjRef ref, std::string_view key, std::string_view text,
                          char decimalSeparator);
// The same, with the accepted value stored into the record.
TApplyResult ApplyParamRow(TMob& mob, TObjRef ref, std::string_view key, std::string_view text,
                          char decimalSeparator);

// The record's rotation (mob/recordrules.h) as a quaternion; nullopt for particles,
// which carry no rotation, and for no record.
std::optional<TQuaternion> RotationOf(const TMob& mob, TObjRef ref);
// W, X, Y, Z, as the record's rotation fields hold them.
TRotationFields RotationFields(const TQuaternion& rotation);
// Writes W, X, Y, Z into the record's rotation fields; false (nothing written) for
// particles and for no record.
bool StoreRotation(TMob& mob, TObjRef ref, const TQuaternion& rotation);

}  // namespace kelvarin
