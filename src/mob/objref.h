// A record of the document by kind and position in its list, and a way to reach
// it with its own type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "mob/tmob.h"

namespace kelvarin {

// Valid while that list is neither resized nor replaced; check it with
// RefersToRecord before use.
struct TObjRef {
  ObjKind kind = ObjKind::Unit;
  std::size_t index = 0;
  bool operator==(const TObjRef&) const = default;
};

inline bool RefersToRecord(const TMob& mob, TObjRef ref) {
  return int(ref.kind) >= 0 && int(ref.kind) < kObjKindCount && ref.index < mob.Count(ref.kind);
}

// Calls f with the record `ref` refers to, as its own record type. The caller has
// checked RefersToRecord.
template <class F> decltype(auto) VisitRecord(TMob& mob, TObjRef ref, F&& f) {
  switch (ref.kind) {
    case ObjKind::Unit: return f(mob.Units[ref.index]);
    case ObjKind::Object: return f(mob.Objects[ref.index]);
    case ObjKind::Lever: return f(mob.Levers[ref.index]);
    case ObjKind::Trap: return f(mob.Traps[ref.index]);
    case ObjKind::Flame: return f(mob.Flames[ref.index]);
    case ObjKind::Particle1: return f(mob.Particles1[ref.index]);
    case ObjKind::Particle2: return f(mob.Particles2[ref.index]);
    case ObjKind::Particle3: break;
  }
  return f(mob.Particles3[ref.index]);
}

template <class F> decltype(auto) VisitRecord(const TMob& mob, TObjRef ref, F&& f) {
  return VisitRecord(const_cast<TMob&>(mob), ref,
                     [&](const auto& record) -> decltype(auto) { return f(record); });
}

// Calls f with the record `ref` refers to wherever the document holds it: in its
// list, or read from the kept file image into a record that lives for the call
// (so f returns a value, never a reference into the record). The caller has
// checked RefersToRecord.
template <class F> auto VisitRecordValue(const TMob& mob, TObjRef ref, F&& f) {
  const auto read = [&]<ObjKind K>() {
    if (!mob.KeepsRecordsInImage()) return f(mob.List<K>()[ref.index]);
    typename RecordOf<K>::type record;
    const auto sub = mob.KeptRecordAt(K, ref.index).bytes;
    record.ReadRecord(sub.data(), std::uint32_t(sub.size()), TReadContext{});
    return f(std::as_const(record));
  };
  switch (ref.kind) {
    case ObjKind::Unit: return read.template operator()<ObjKind::Unit>();
    case ObjKind::Object: return read.template operator()<ObjKind::Object>();
    case ObjKind::Lever: return read.template operator()<ObjKind::Lever>();
    case ObjKind::Trap: return read.template operator()<ObjKind::Trap>();
    case ObjKind::Flame: return read.template operator()<ObjKind::Flame>();
    case ObjKind::Particle1: return read.template operator()<ObjKind::Particle1>();
    case ObjKind::Particle2: return read.template operator()<ObjKind::Particle2>();
    case ObjKind::Particle3: break;
  }
  return read.template operator()<ObjKind::Particle3>();
}

}  // namespace kelvarin
