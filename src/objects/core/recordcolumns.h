// The columns of the objects tree: the caption the tree has always shown, then
// what a user looks a record up by. Texts are code page 1251, as the document
// holds them; a kind without such a field shows an empty cell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "mob/objref.h"

namespace kelvarin {

enum class TRecordColumn : int {
  Caption,             // Name1 of units, NameStr of particles, Name2 of the rest
  Id,                  // ObjectID, or ID for particles
  Name2,               // the kinds with the common fields
  ScriptVariableName,  // the kinds with the common fields
  PlayerNumber,        // the kinds with the common fields
  X,                   // LoadX, or CoordX for particles
  Y,                   // LoadY, or CoordY for particles
};
inline constexpr int kRecordColumnCount = 7;

// The cell's text; coordinates in their shortest exact form with the locale's
// decimal separator.
std::string RecordColumnText(const TMob& mob, ObjRef ref, TRecordColumn column, char decimalSeparator);

// Id, PlayerNumber, X and Y sort as numbers, the rest as text.
bool IsNumericColumn(TRecordColumn column);

// The value a numeric column sorts by; nullopt where the kind has no such
// field, or for a text column.
std::optional<double> RecordColumnNumber(const TMob& mob, ObjRef ref, TRecordColumn column);

}  // namespace kelvarin
