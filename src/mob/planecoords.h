// Where a record stands on the zone's plane: the two coordinates that a mass
// change's rectangle and circle test and its offset moves, and that the map draws.
// Kinds with the common fields (flames too) stand at LoadX/LoadY; the particle
// kinds, which have no common fields, at CoordX/CoordY.
#pragma once

#include <optional>
#include <type_traits>
#include <utility>

#include "mob/objref.h"

namespace kelvarin {

template <class R> auto& PlaneX(R& r) {
  if constexpr (HasCommonFields(std::remove_const_t<R>::Kind)) return r.LoadX;
  else return r.CoordX;
}

template <class R> auto& PlaneY(R& r) {
  if constexpr (HasCommonFields(std::remove_const_t<R>::Kind)) return r.LoadY;
  else return r.CoordY;
}

struct PlanePosition {
  float x = 0, y = 0;
  bool operator==(const PlanePosition&) const = default;
};

// The position of the record `ref` refers to; nullopt when there is none.
inline std::optional<PlanePosition> ReadPlanePosition(const TMob& mob, ObjRef ref) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecord(mob, ref, [](const auto& r) { return PlanePosition{PlaneX(r), PlaneY(r)}; });
}

// Puts the record at `position`; false when `ref` refers to no record.
inline bool WritePlanePosition(TMob& mob, ObjRef ref, PlanePosition position) {
  if (!RefersToRecord(mob, ref)) return false;
  VisitRecord(mob, ref, [&](auto& r) {
    PlaneX(r) = position.x;
    PlaneY(r) = position.y;
  });
  return true;
}

}  // namespace kelvarin
