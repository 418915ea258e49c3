// The records of one zone as the diff and the merge read them, whatever form the
// document holds them in: decoded in its lists (the editor's document) or left in
// the file image (a file loaded for inspection), where records are compared by
// their bytes first and decoded only when those differ.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "mob/fields.h"
#include "mob/tmob.h"

namespace kelvarin {

class TZoneRecords {
 public:
  explicit TZoneRecords(const TMob& mob);

  const TMob& Mob() const { return m_mob; }
  std::size_t Count(ObjKind kind) const { return m_ids[int(kind)].size(); }
  const std::vector<std::int32_t>& Identities(ObjKind kind) const { return m_ids[int(kind)]; }
  std::int32_t Identity(ObjKind kind, std::size_t index) const { return m_ids[int(kind)][index]; }

  // The record at `index`: a reference into the document's list, or the record
  // read from the image into `scratch`.
  template <class R> const R& Record(std::size_t index, R& scratch) const {
    if (!m_kept) return m_mob.List<R::Kind>()[index];
    ClearForReuse(scratch);
    const auto sub = m_mob.KeptRecordAt(R::Kind, index).bytes;
    scratch.ReadRecord(sub.data(), std::uint32_t(sub.size()), TReadContext{});
    return scratch;
  }

  // The record at `index` as a record of its own.
  template <class R> R Take(std::size_t index) const {
    if (!m_kept) return m_mob.List<R::Kind>()[index];
    R record;
    const auto sub = m_mob.KeptRecordAt(R::Kind, index).bytes;
    record.ReadRecord(sub.data(), std::uint32_t(sub.size()), TReadContext{});
    return record;
  }

  // Whether the records hold the same values. Equal bytes in two images say so at
  // once, and so do unequal bytes when both are the writer's own form; anything
  // else is decided field by field.
  template <class R> bool SameRecord(std::size_t index, const TZoneRecords& other, std::size_t otherIndex) const;

 private:
  const TMob& m_mob;
  bool m_kept = false;
  std::array<std::vector<std::int32_t>, kObjKindCount> m_ids;
};

// Whether one field holds the same bytes in both records: floats compare bit for
// bit, so a NaN equals itself and -0 differs from 0.
template <class R, class M> bool SameMember(const R& a, const R& b, M R::*member) {
  if constexpr (std::is_same_v<M, float>) return std::memcmp(&(a.*member), &(b.*member), sizeof(float)) == 0;
  else return a.*member == b.*member;
}

template <class R> bool SameFields(const R& a, const R& b) {
  for (const auto& field : FieldsOf<R>())
    if (!std::visit([&](auto member) { return SameMember(a, b, member); }, field.member)) return false;
  return true;
}

template <class R>
bool TZoneRecords::SameRecord(std::size_t index, const TZoneRecords& other, std::size_t otherIndex) const {
  if (m_kept && other.m_kept) {
    const auto a = m_mob.KeptRecordAt(R::Kind, index), b = other.m_mob.KeptRecordAt(R::Kind, otherIndex);
    if (a.bytes.size() == b.bytes.size() && std::memcmp(a.bytes.data(), b.bytes.data(), a.bytes.size()) == 0)
      return true;
    if (a.asWritten && b.asWritten) return false;
  }
  R scratchA, scratchB;
  return SameFields(Record<R>(index, scratchA), other.Record<R>(otherIndex, scratchB));
}

// Records of one kind in two zones paired by identity: records that share an
// identity within one zone pair in list order (the first with the first...).
struct TRecordPairing {
  static constexpr std::size_t kNone = std::size_t(-1);
  std::vector<std::size_t> aToB, bToA;  // the partner's index, or kNone
  // Among the records of its zone that carry its identity, the how-manieth this
  // one is (0 for the first).
  std::vector<std::uint32_t> occurrenceA, occurrenceB;
};
TRecordPairing PairByIdentity(std::span<const std::int32_t> a, std::span<const std::int32_t> b);

// Paired records that moved: given, in B's order, the A index of each paired
// record, marks those outside one longest increasing run. The others kept their
// order relative to each other.
std::vector<bool> MovedInSequence(std::span<const std::size_t> aIndexInBOrder);

// Calls f(ObjKind, R*) once per kind with a null pointer of its record type, in
// kind order, so generic code can name the type.
template <class F> void ForEachKindType(F&& f) {
  f(static_cast<TUnitObjBlock*>(nullptr));
  f(static_cast<TObjectObjBlock*>(nullptr));
  f(static_cast<TLeverObjBlock*>(nullptr));
  f(static_cast<TTrapObjBlock*>(nullptr));
  f(static_cast<TFlameObjBlock*>(nullptr));
  f(static_cast<TParticle1ObjBlock*>(nullptr));
  f(static_cast<TParticle2ObjBlock*>(nullptr));
  f(static_cast<TParticle3ObjBlock*>(nullptr));
}

}  // namespace kelvarin
