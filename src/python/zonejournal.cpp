#include "python/zonejournal.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kelvarin {

void TZoneJournal::FieldChanged(TObjRef ref, const char* key, TFieldValue old) {
  m_entries.push_back({Entry::Type::Field, ref, key, std::move(old), nullptr});
}

void TZoneJournal::RecordInserted(TObjRef ref) {
  m_entries.push_back({Entry::Type::Insert, ref, nullptr, {}, nullptr});
  m_listsResized = true;
}

void TZoneJournal::RecordRemoved(TObjRef ref, TAnyRecord record) {
  m_entries.push_back({Entry::Type::Remove, ref, nullptr, {}, std::make_unique<TAnyRecord>(std::move(record))});
  m_listsResized = true;
}

void TZoneJournal::PutBack(TMob& mob, Entry& entry) {
  std::visit(
      [&](auto& record) {
        using R = std::decay_t<decltype(record)>;
        auto& list = mob.List<R::Kind>();
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(entry.ref.index), std::move(record));
      },
      *entry.record);
  entry.record.reset();
}

void TZoneJournal::TakeOut(TMob& mob, Entry& entry) {
  WithRecordType(entry.ref.kind, [&](auto type) {
    using R = typename decltype(type)::type;
    auto& list = mob.List<R::Kind>();
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(entry.ref.index);
    entry.record = std::make_unique<TAnyRecord>(std::in_place_type<R>, std::move(*at));
    list.erase(at);
  });
}

void TZoneJournal::Undo(TMob& mob) {
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
    switch (it->type) {
      case Entry::Type::Field: SwapFieldValue(mob, it->ref, it->key, it->value); break;
      case Entry::Type::Insert: TakeOut(mob, *it); break;
      case Entry::Type::Remove: PutBack(mob, *it); break;
    }
  }
}

void TZoneJournal::Redo(TMob& mob) {
  for (Entry& entry : m_entries) {
    switch (entry.type) {
      case Entry::Type::Field: SwapFieldValue(mob, entry.ref, entry.key, entry.value); break;
      case Entry::Type::Insert: PutBack(mob, entry); break;
      case Entry::Type::Remove: TakeOut(mob, entry); break;
    }
  }
}

std::vector<TObjRef> TZoneJournal::ChangedRecords() const {
  std::vector<TObjRef> refs;
  for (const Entry& entry : m_entries)
    if (entry.type == Entry::Type::Field) refs.push_back(entry.ref);
  std::ranges::sort(refs, [](TObjRef a, TObjRef b) { return std::pair(a.kind, a.index) < std::pair(b.kind, b.index); });
  refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
  return refs;
}

std::size_t TZoneJournal::MemorySize() const {
  std::size_t bytes = sizeof(*this) + m_entries.capacity() * sizeof(Entry);
  for (const Entry& entry : m_entries) {
    bytes += HeapBytes(entry.value);
    // A record's file form is a fair measure of what its strings and lists hold.
    if (entry.record) bytes += sizeof(TAnyRecord) + std::visit([](const auto& r) { return std::size_t(r.GetSize()); }, *entry.record);
  }
  return bytes;
}

}  // namespace kelvarin
