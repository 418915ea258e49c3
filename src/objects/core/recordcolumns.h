// The columns of the objects tree: the caption the tree has always shown, then
// what a user looks a record up by. Texts are code page 1251, as the document
// holds them; a kind without such a field shows an empty cell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/floattext.h"
#include "mob/recordrules.h"

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
std::string RecordColumnText(const TMob& mob, TObjRef ref, TRecordColumn column, char decimalSeparator);

// Calls `cell(std::string_view)` with the text of each column of `record`, in
// column order. The view lives for the call only. Millions of records go
// through here when the filter indexes a zone, so nothing is copied.
template <class R, class F> void ForEachRecordCell(const R& record, char decimalSeparator, F&& cell);

// Id, PlayerNumber, X and Y sort as numbers, the rest as text.
bool IsNumericColumn(TRecordColumn column);

// The value a numeric column sorts by; nullopt where the kind has no such
// field, or for a text column.
std::optional<double> RecordColumnNumber(const TMob& mob, TObjRef ref, TRecordColumn column);

// ---- template definitions

template <class R, class F> void ForEachRecordCell(const R& r, char decimalSeparator, F&& cell) {
  cell(std::string_view(CaptionOf(r)));
  cell(std::string_view(std::to_string(r.Identity())));
  if constexpr (HasCommonFields(R::Kind)) {
    cell(std::string_view(r.Name2));
    cell(std::string_view(r.ScriptVariableName));
    cell(std::string_view(std::to_string(r.PlayerNumber)));
  } else {
    cell(std::string_view());
    cell(std::string_view());
    cell(std::string_view());
  }
  cell(std::string_view(FloatToShortText(PlaneX(r), decimalSeparator)));
  cell(std::string_view(FloatToShortText(PlaneY(r), decimalSeparator)));
}

}  // namespace kelvarin
