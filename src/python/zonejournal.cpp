#include "python/zonejournal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>

namespace kelvarin {
namespace {

// The alternatives of TFieldValue that an entry holds itself, as their bits.
template <class V> constexpr bool kInlineValue = std::is_arithmetic_v<V> && sizeof(V) <= sizeof(std::uint32_t);

// Which alternatives of TFieldValue an entry holds itself, by index.
constexpr auto kHeldInline = []<std::size_t... I>(std::index_sequence<I...>) {
  return std::array<bool, sizeof...(I)>{kInlineValue<std::variant_alternative_t<I, TFieldValue>>...};
}(std::make_index_sequence<std::variant_size_v<TFieldValue>>{});

bool HeldInline(std::size_t type) { return kHeldInline[type]; }

std::uint32_t ToBits(const TFieldValue& value) {
  return std::visit(
      [](const auto& v) -> std::uint32_t {
        using V = std::decay_t<decltype(v)>;
        std::uint32_t bits = 0;
        if constexpr (kInlineValue<V>) std::memcpy(&bits, &v, sizeof(V));
        return bits;
      },
      value);
}

// The value of the alternative `type` (one held inline) whose bits are `bits`.
TFieldValue FromBits(std::size_t type, std::uint32_t bits) {
  using TMake = TFieldValue (*)(std::uint32_t);
  static constexpr auto kMake = []<std::size_t... I>(std::index_sequence<I...>) {
    return std::array<TMake, sizeof...(I)>{+[](std::uint32_t from) {
      std::variant_alternative_t<I, TFieldValue> v{};
      if constexpr (kInlineValue<decltype(v)>) std::memcpy(&v, &from, sizeof(v));
      return TFieldValue(std::in_place_index<I>, std::move(v));
    }...};
  }(std::make_index_sequence<std::variant_size_v<TFieldValue>>{});
  return kMake[type](bits);
}

std::uint32_t Position(std::size_t index) {
  if (index > UINT32_MAX) throw std::length_error("a list of more records than a zone can hold");
  return std::uint32_t(index);
}

}  // namespace

std::uint16_t TZoneJournal::KeyId(const char* name, std::size_t type) {
  // A run changes a handful of fields, most often the same one many times over.
  if (m_lastKey < m_keys.size() && m_keys[m_lastKey].name == name && m_keys[m_lastKey].type == type)
    return m_lastKey;
  for (std::size_t i = 0; i < m_keys.size(); ++i)
    if (m_keys[i].name == name && m_keys[i].type == type) return m_lastKey = std::uint16_t(i);
  if (m_keys.size() > UINT16_MAX) throw std::length_error("more fields changed than a journal can name");
  m_keys.push_back({name, type});
  return m_lastKey = std::uint16_t(m_keys.size() - 1);
}

void TZoneJournal::FieldChanged(TObjRef ref, const char* key, TFieldValue old) {
  Entry entry{Type::Field, ref.kind, KeyId(key, old.index()), Position(ref.index)};
  if (HeldInline(old.index())) {
    entry.value = ToBits(old);
  } else {
    entry.value = Position(m_values.size());
    m_values.push_back(std::move(old));
  }
  m_entries.push_back(entry);
}

void TZoneJournal::RecordInserted(TObjRef ref) {
  m_entries.push_back({Type::Insert, ref.kind, 0, Position(ref.index), Position(m_records.size())});
  m_records.emplace_back();
  m_listsResized = true;
}

void TZoneJournal::RecordRemoved(TObjRef ref, TAnyRecord record) {
  m_entries.push_back({Type::Remove, ref.kind, 0, Position(ref.index), Position(m_records.size())});
  m_records.push_back(std::make_unique<TAnyRecord>(std::move(record)));
  m_listsResized = true;
}

void TZoneJournal::SwapField(TMob& mob, Entry& entry) {
  const Key& key = m_keys[entry.key];
  const TObjRef ref{entry.kind, entry.index};
  if (!HeldInline(key.type)) {
    SwapFieldValue(mob, ref, key.name, m_values[entry.value]);
    return;
  }
  TFieldValue value = FromBits(key.type, entry.value);
  if (SwapFieldValue(mob, ref, key.name, value)) entry.value = ToBits(value);
}

void TZoneJournal::PutBack(TMob& mob, const Entry& entry, std::unique_ptr<TAnyRecord>& held) {
  std::visit(
      [&](auto& record) {
        using R = std::decay_t<decltype(record)>;
        auto& list = mob.List<R::Kind>();
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(entry.index), std::move(record));
      },
      *held);
  held.reset();
}

void TZoneJournal::TakeOut(TMob& mob, const Entry& entry, std::unique_ptr<TAnyRecord>& held) {
  WithRecordType(entry.kind, [&](auto type) {
    using R = typename decltype(type)::type;
    auto& list = mob.List<R::Kind>();
    const auto at = list.begin() + static_cast<std::ptrdiff_t>(entry.index);
    held = std::make_unique<TAnyRecord>(std::in_place_type<R>, std::move(*at));
    list.erase(at);
  });
}

void TZoneJournal::Undo(TMob& mob) {
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
    switch (it->type) {
      case Type::Field: SwapField(mob, *it); break;
      case Type::Insert: TakeOut(mob, *it, m_records[it->value]); break;
      case Type::Remove: PutBack(mob, *it, m_records[it->value]); break;
    }
  }
}

void TZoneJournal::Redo(TMob& mob) {
  for (Entry& entry : m_entries) {
    switch (entry.type) {
      case Type::Field: SwapField(mob, entry); break;
      case Type::Insert: PutBack(mob, entry, m_records[entry.value]); break;
      case Type::Remove: TakeOut(mob, entry, m_records[entry.value]); break;
    }
  }
}

std::vector<TObjRef> TZoneJournal::ChangedRecords() const {
  std::vector<TObjRef> refs;
  for (const Entry& entry : m_entries)
    if (entry.type == Type::Field) refs.push_back({entry.kind, entry.index});
  std::ranges::sort(refs, [](TObjRef a, TObjRef b) { return std::pair(a.kind, a.index) < std::pair(b.kind, b.index); });
  refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
  return refs;
}

std::size_t TZoneJournal::MemorySize() const {
  std::size_t bytes = sizeof(*this) + m_entries.capacity() * sizeof(Entry) + m_keys.capacity() * sizeof(Key) +
                      m_values.capacity() * sizeof(TFieldValue) +
                      m_records.capacity() * sizeof(std::unique_ptr<TAnyRecord>);
  for (const TFieldValue& value : m_values) bytes += HeapBytes(value);
  // A record's file form is a fair measure of what its strings and lists hold.
  for (const auto& record : m_records)
    if (record) bytes += sizeof(TAnyRecord) + std::visit([](const auto& r) { return std::size_t(r.GetSize()); }, *record);
  return bytes;
}

}  // namespace kelvarin
