#include "objects/core/recordcolumns.h"

namespace kelvarin {

bool IsNumericColumn(TRecordColumn column) {
  return column == TRecordColumn::Id || column == TRecordColumn::PlayerNumber || column == TRecordColumn::X ||
         column == TRecordColumn::Y;
}

std::string RecordColumnText(const TMob& mob, TObjRef ref, TRecordColumn column, char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {};
  std::string text;
  int at = 0;
  VisitRecord(mob, ref, [&](const auto& r) {
    ForEachRecordCell(r, decimalSeparator, [&](std::string_view cell) {
      if (at++ == int(column)) text = cell;
    });
  });
  return text;
}

std::optional<double> RecordColumnNumber(const TMob& mob, TObjRef ref, TRecordColumn column) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecord(mob, ref, [&](const auto& r) -> std::optional<double> {
    using R = std::decay_t<decltype(r)>;
    switch (column) {
      case TRecordColumn::Id: return r.Identity();
      case TRecordColumn::X: return PlaneX(r);
      case TRecordColumn::Y: return PlaneY(r);
      case TRecordColumn::PlayerNumber:
        if constexpr (HasCommonFields(R::Kind)) return r.PlayerNumber;
        return std::nullopt;
      default: return std::nullopt;
    }
  });
}

}  // namespace kelvarin
