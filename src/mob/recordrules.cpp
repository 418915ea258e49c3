#include "mob/recordrules.h"

#include <algorithm>

#include "common/cp1251.h"
#include "mob/kindnames.h"

namespace kelvarin {

const std::string& RecordCaption(const TMob& mob, TObjRef ref) {
  return VisitRecord(mob, ref, [](const auto& r) -> const std::string& { return CaptionOf(r); });
}

std::string DescribeRecord(const TMob& mob, TObjRef ref) {
  const std::string caption = VisitRecordValue(mob, ref, [](const auto& r) { return Cp1251ToUtf8(CaptionOf(r)); });
  return (caption.empty() ? std::string() : "«" + caption + "» ") + "(" + ObjKindCaption(ref.kind) +
         ", индекс " + std::to_string(ref.index) + ")";
}

std::optional<TPlanePosition> ReadPlanePosition(const TMob& mob, TObjRef ref) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecordValue(mob, ref, [](const auto& r) { return TPlanePosition{PlaneX(r), PlaneY(r)}; });
}

bool WritePlanePosition(TMob& mob, TObjRef ref, TPlanePosition position) {
  if (!RefersToRecord(mob, ref)) return false;
  VisitRecord(mob, ref, [&](auto& r) {
    PlaneX(r) = position.x;
    PlaneY(r) = position.y;
  });
  return true;
}

bool IsRotationKey(std::string_view key) {
  return std::find(std::begin(kRotationKeys), std::end(kRotationKeys), key) != std::end(kRotationKeys);
}

std::optional<TRotationFields> ReadRotation(const TMob& mob, TObjRef ref) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecordValue(mob, ref, [](const auto& r) -> std::optional<TRotationFields> {
    if constexpr (kHasCommonFields<std::decay_t<decltype(r)>>)
      return RotationFieldsOf(r);
    else return std::nullopt;
  });
}

bool WriteRotation(TMob& mob, TObjRef ref, const TRotationFields& rotation) {
  if (!RefersToRecord(mob, ref)) return false;
  return VisitRecord(mob, ref, [&](auto& r) {
    if constexpr (kHasCommonFields<std::decay_t<decltype(r)>>) {
      r.RotationW = rotation[0];
      r.RotationX = rotation[1];
      r.RotationY = rotation[2];
      r.RotationZ = rotation[3];
      return true;
    } else {
      return false;
    }
  });
}

std::int32_t IdentityOf(const TMob& mob, TObjRef ref) {
  return VisitRecordValue(mob, ref, [](const auto& r) { return r.Identity(); });
}

const char* IdentityFieldName(ObjKind kind) { return HasCommonFields(kind) ? "ObjectID" : "ID"; }

}  // namespace kelvarin
