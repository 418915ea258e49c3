#include "masschange/core/identityindex.h"

namespace kelvarin {

TIdentityIndex::TIdentityIndex(TMob& target) : m_target(target) { Rebuild(); }

void TIdentityIndex::Rebuild() {
  m_slots.clear();
  m_head.clear();
  m_deletedCount = m_deletedOriginals = m_deletedAppended = m_appended = 0;
  m_cursor = 1;
  m_holes.clear();
  const std::size_t total = m_target.TotalRecordCount();
  m_slots.reserve(total);
  m_head.reserve(total);
  int k = 0;
  m_target.ForEachList([&](const auto& list) {
    m_deleted[k].assign(list.size(), 0);
    m_originalSizes[k] = list.size();
    for (std::size_t i = 0; i < list.size(); ++i) Add(ObjKind(k), i, list[i].Identity());
    ++k;
  });
}

void TIdentityIndex::Add(ObjKind kind, std::size_t position, std::int32_t id) {
  const auto key = static_cast<std::uint32_t>(id);
  auto [it, inserted] = m_head.try_emplace(key, -1);
  m_slots.push_back(Slot{std::uint8_t(kind), std::uint32_t(position), it->second});
  it->second = std::int32_t(m_slots.size() - 1);
  if (inserted && key < m_cursor) m_holes.erase(key);
}

bool TIdentityIndex::CheckOrDeleteObjectId(std::int32_t id, bool deleteFound) {
  const auto key = static_cast<std::uint32_t>(id);
  const auto it = m_head.find(key);
  if (it == m_head.end()) return true;
  if (!deleteFound) return false;
  for (std::int32_t s = it->second; s >= 0; s = m_slots[s].next) {
    const Slot& slot = m_slots[s];
    m_deleted[slot.kind][slot.position] = 1;
    ++m_deletedCount;
    ++(slot.position < m_originalSizes[slot.kind] ? m_deletedOriginals : m_deletedAppended);
  }
  m_head.erase(it);
  if (key >= 1 && key < m_cursor) m_holes.insert(key);
  return true;
}

std::uint32_t TIdentityIndex::FindFreeObjectId() {
  if (!m_holes.empty()) return *m_holes.begin();
  while (m_cursor < kHighIdentityRange && m_head.contains(m_cursor)) ++m_cursor;
  return m_cursor < kHighIdentityRange ? m_cursor : 0;
}

void TIdentityIndex::Compact() {
  if (m_deletedCount != 0) {
    int k = 0;
    m_target.ForEachList([&](auto& list) {
      const std::vector<char>& deleted = m_deleted[k++];
      std::size_t write = 0;
      for (std::size_t read = 0; read < list.size(); ++read) {
        if (deleted[read]) continue;
        if (write != read) list[write] = std::move(list[read]);
        ++write;
      }
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(write), list.end());
    });
  }
  // The positions have moved: index the compacted lists afresh.
  Rebuild();
}

}  // namespace kelvarin
