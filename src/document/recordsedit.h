// What one change did to the record lists of a document, kept so that it can be
// undone and redone: the fields it gave new values, by the positions the records
// had before the change, and the records it took out of their lists. It is built
// while the change runs, at the cost of moving the old values aside (nothing is
// copied), and undone and redone by exchanging them back.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "document/fieldvalue.h"
#include "document/commandhistory.h"
#include "mob/fields.h"
#include "mob/tmob.h"

namespace kelvarin {

class TRecordsEdit {
  template <class V> struct ColumnsOf;
  template <class... M> struct ColumnsOf<std::variant<M...>> {
    using type = std::tuple<std::vector<M>...>;
  };
  using TValueColumns = ColumnsOf<TFieldValue>::type;

 public:
  // Gives the record at `index` of its list `value` for `member` and keeps the old
  // value. Positions are those before the change moved any record; a record may
  // get several fields, and one field several times.
  template <class R, class M> void SetField(R& record, std::size_t index, M R::*member, M value);
  // SetField with `value` for each record of `list` at `indices` that does not
  // hold it already bit for bit: one pass for a field many records are given at
  // once. Positions past the list's end are passed over.
  template <class R, class M>
  void SetFieldOfEach(std::vector<R>& list, std::span<const std::size_t> indices, M R::*member, const M& value);
  // The record at `index` leaves its list: it is moved here, and the caller closes
  // the gap. Records must be taken in ascending positions per kind.
  template <class R> void TakeRecord(R& record, std::size_t index);
  // `record` joins the end of `list` (its kind's list). Records are appended after
  // every field was set and every record taken: a redo appends them last.
  template <class R> void AppendRecord(std::vector<R>& list, R record);

  // `mob` stands as the change left it; afterwards as before the change.
  void Undo(TMob& mob);
  // The change again, on `mob` as it stood before it.
  void Redo(TMob& mob);

  bool Empty() const;
  // The records the change touches, per kind: by their positions before it, those
  // given a value and those taken out, each ascending and once; and the records it
  // appended, which stand from `appendedAt` on after it.
  struct TTouched {
    ObjKind kind;
    std::vector<std::uint32_t> changed, taken;
    std::uint32_t appendedAt = 0, appended = 0;
  };
  std::vector<TTouched> Touched() const;
  std::size_t ChangedRecords() const;  // records given a value (counted once each)
  std::size_t TakenRecords() const;
  std::size_t AppendedRecords() const;
  std::size_t AppendedRecords(ObjKind kind) const;
  // With `everyRecord`, the change lists every record the edit touched that
  // stands after it (the fields' records, the appended ones; after an undo the
  // records put back), for a step whose records stay selected together.
  TRecordsChange Change(bool undone, bool everyRecord = false) const;
  std::size_t MemorySize() const;

 private:
  template <class R> struct KindEdit {
    struct Entry {
      std::uint32_t index;
      std::uint32_t member;  // into members
    };
    std::vector<FieldMember<R>> members;
    std::vector<Entry> entries;
    // What the records do not hold now, one value per entry, each type in a list
    // of its own (a byte takes a byte, not the room of the largest type): the
    // entries of a type find theirs in the same order.
    TValueColumns values;
    std::vector<std::uint32_t> takenIndices;
    // A deque: taking a record never moves those taken before it.
    std::deque<R> taken;
    std::size_t appended = 0;     // records at the end of the list after the change
    std::size_t appendedAt = 0;   // where the first of them stands then
    std::deque<R> unappended;  // while undone: the appended records

    std::uint32_t MemberId(const FieldMember<R>& member);
    // Swaps the entries' values back into the records: all of them, in the order
    // they were made or the reverse.
    void SwapEntries(std::vector<R>& list, bool reverse);
    void PutBack(std::vector<R>& list);
    void TakeOut(std::vector<R>& list);
    void Unappend(std::vector<R>& list);
    void Reappend(std::vector<R>& list);
    std::size_t MemorySize() const;
    std::size_t ChangedRecords() const;
  };

  template <class F> void ForEachKind(F&& f);
  template <class F> void ForEachKind(F&& f) const;
  std::vector<TObjRef> TouchedRecords(bool undone) const;

  std::tuple<KindEdit<TUnitObjBlock>, KindEdit<TObjectObjBlock>, KindEdit<TLeverObjBlock>,
             KindEdit<TTrapObjBlock>, KindEdit<TFlameObjBlock>, KindEdit<TParticle1ObjBlock>,
             KindEdit<TParticle2ObjBlock>, KindEdit<TParticle3ObjBlock>>
      m_kinds;
};

// ---- template definitions

template <class R> std::uint32_t TRecordsEdit::KindEdit<R>::MemberId(const FieldMember<R>& member) {
  // A change touches a handful of fields: a short search beats a map.
  for (std::size_t i = 0; i < members.size(); ++i)
    if (members[i] == member) return std::uint32_t(i);
  members.push_back(member);
  return std::uint32_t(members.size() - 1);
}

template <class R, class M>
void TRecordsEdit::SetField(R& record, std::size_t index, M R::*member, M value) {
  auto& kind = std::get<KindEdit<R>>(m_kinds);
  // Each part passed on its own: a braced entry, written as two halves and read
  // back whole, stalls the store on every call.
  kind.entries.push_back({std::uint32_t(index), kind.MemberId(FieldMember<R>(member))});
  std::get<std::vector<M>>(kind.values).push_back(std::exchange(record.*member, std::move(value)));
}

template <class R, class M>
void TRecordsEdit::SetFieldOfEach(std::vector<R>& list, std::span<const std::size_t> indices, M R::*member,
                                  const M& value) {
  auto& kind = std::get<KindEdit<R>>(m_kinds);
  const std::uint32_t memberId = kind.MemberId(FieldMember<R>(member));
  auto& column = std::get<std::vector<M>>(kind.values);
  // Room for all of them first, trimmed afterwards: the loop stores, it never grows a list.
  const std::size_t entriesBefore = kind.entries.size(), valuesBefore = column.size();
  kind.entries.resize(entriesBefore + indices.size());
  column.resize(valuesBefore + indices.size());
  std::size_t made = 0;
  // The records lie far apart (hundreds of bytes each): fetching a few ahead
  // keeps the loop from waiting on each one in turn.
  constexpr std::size_t kAhead = 8;
  for (std::size_t n = 0; n < indices.size(); ++n) {
    if (n + kAhead < indices.size() && indices[n + kAhead] < list.size())
      __builtin_prefetch(&(list[indices[n + kAhead]].*member), 1);
    const std::size_t index = indices[n];
    if (index >= list.size()) continue;
    M& field = list[index].*member;
    if (SameFieldBytes(field, value)) continue;
    kind.entries[entriesBefore + made] = {std::uint32_t(index), memberId};
    column[valuesBefore + made] = std::exchange(field, M(value));
    ++made;
  }
  kind.entries.resize(entriesBefore + made);
  column.resize(valuesBefore + made);
  if (made * 2 < indices.size()) {  // the history keeps what the step holds
    kind.entries.shrink_to_fit();
    column.shrink_to_fit();
  }
}

template <class R> void TRecordsEdit::TakeRecord(R& record, std::size_t index) {
  auto& kind = std::get<KindEdit<R>>(m_kinds);
  kind.takenIndices.push_back(std::uint32_t(index));
  kind.taken.push_back(std::move(record));
}

template <class R> void TRecordsEdit::AppendRecord(std::vector<R>& list, R record) {
  auto& kind = std::get<KindEdit<R>>(m_kinds);
  if (kind.appended++ == 0) kind.appendedAt = list.size();
  list.push_back(std::move(record));
}

template <class F> void TRecordsEdit::ForEachKind(F&& f) {
  std::apply([&](auto&... kind) { (f(kind), ...); }, m_kinds);
}

template <class F> void TRecordsEdit::ForEachKind(F&& f) const {
  std::apply([&](const auto&... kind) { (f(kind), ...); }, m_kinds);
}

}  // namespace kelvarin
