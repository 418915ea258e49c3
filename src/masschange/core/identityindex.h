// The identities of a target document during a mass copy. It answers what
// TMob::CheckOrDeleteObjectId and TMob::FindFreeObjectId answer, with the same
// results, but without walking all eight lists for every copied record: a copy of
// n records into a target of m records costs O((n + m) log) instead of O(n * m).
// Deletions are marked and carried out by Compact in one pass per list, so the
// surviving records keep their order.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

#include "mob/tmob.h"

namespace kelvarin {

class TIdentityIndex {
 public:
  // Indexes every record of `target`, which must not change behind the index's back
  // until Compact.
  explicit TIdentityIndex(TMob& target);

  // With deleteFound off: false when a live record carries `id`, true when none does.
  // With it on: marks every live record carrying `id` as deleted and answers true.
  bool CheckOrDeleteObjectId(std::int32_t id, bool deleteFound);

  // The lowest identity from 1 to 999,999,999 that no live record carries; 0 when
  // every one is taken.
  std::uint32_t FindFreeObjectId();

  // Appends `record` to the target's list of its kind and indexes it.
  template <class R> void Append(R record);

  // Removes the records marked as deleted, keeping the order of the rest.
  void Compact();

  // Since the index was built or last compacted: records that were in the target
  // then and have been marked as deleted, and records appended since.
  std::size_t DeletedOriginals() const { return m_deletedOriginals; }
  std::size_t AppendedLive() const { return m_appended - m_deletedAppended; }

 private:
  struct Slot {
    std::uint8_t kind;
    std::uint32_t position;
    std::int32_t next;  // next slot with the same identity, -1 at the end
  };

  void Rebuild();
  void Add(ObjKind kind, std::size_t position, std::int32_t id);

  TMob& m_target;
  std::vector<Slot> m_slots;
  std::unordered_map<std::uint32_t, std::int32_t> m_head;  // identity -> first live slot
  std::array<std::vector<char>, kObjKindCount> m_deleted;
  std::size_t m_deletedCount = 0;
  std::array<std::size_t, kObjKindCount> m_originalSizes{};
  std::size_t m_deletedOriginals = 0;
  std::size_t m_deletedAppended = 0;
  std::size_t m_appended = 0;
  // Every identity below m_cursor is taken except those in m_holes.
  std::uint32_t m_cursor = 1;
  std::set<std::uint32_t> m_holes;
};

template <class R> void TIdentityIndex::Append(R record) {
  auto& list = m_target.List<R::Kind>();
  const std::int32_t id = record.Identity();
  list.push_back(std::move(record));
  m_deleted[int(R::Kind)].push_back(0);
  ++m_appended;
  Add(R::Kind, list.size() - 1, id);
}

}  // namespace kelvarin
