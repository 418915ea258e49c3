#include "objects/core/recordcolumns.h"

#include <type_traits>

#include "common/floattext.h"
#include "objects/core/objectparams.h"

namespace kelvarin {
namespace {

template <class R> constexpr bool kCommon = HasCommonFields(R::Kind);

// Where a record stands on the zone's plane.
template <class R> float PlaneX(const R& r) {
  if constexpr (kCommon<R>) return r.LoadX;
  else return r.CoordX;
}
template <class R> float PlaneY(const R& r) {
  if constexpr (kCommon<R>) return r.LoadY;
  else return r.CoordY;
}

}  // namespace

bool IsNumericColumn(TRecordColumn column) {
  return column == TRecordColumn::Id || column == TRecordColumn::PlayerNumber || column == TRecordColumn::X ||
         column == TRecordColumn::Y;
}

std::string RecordColumnText(const TMob& mob, ObjRef ref, TRecordColumn column, char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {};
  if (column == TRecordColumn::Caption) return RecordCaption(mob, ref);
  return VisitRecord(mob, ref, [&](const auto& r) -> std::string {
    using R = std::decay_t<decltype(r)>;
    switch (column) {
      case TRecordColumn::Id: return std::to_string(r.Identity());
      case TRecordColumn::X: return FloatToShortText(PlaneX(r), decimalSeparator);
      case TRecordColumn::Y: return FloatToShortText(PlaneY(r), decimalSeparator);
      default: break;
    }
    if constexpr (kCommon<R>) {
      if (column == TRecordColumn::Name2) return r.Name2;
      if (column == TRecordColumn::ScriptVariableName) return r.ScriptVariableName;
      if (column == TRecordColumn::PlayerNumber) return std::to_string(r.PlayerNumber);
    }
    return {};
  });
}

std::optional<double> RecordColumnNumber(const TMob& mob, ObjRef ref, TRecordColumn column) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecord(mob, ref, [&](const auto& r) -> std::optional<double> {
    using R = std::decay_t<decltype(r)>;
    switch (column) {
      case TRecordColumn::Id: return r.Identity();
      case TRecordColumn::X: return PlaneX(r);
      case TRecordColumn::Y: return PlaneY(r);
      case TRecordColumn::PlayerNumber:
        if constexpr (kCommon<R>) return r.PlayerNumber;
        return std::nullopt;
      default: return std::nullopt;
    }
  });
}

}  // namespace kelvarin
