#include "document/recordsedit.h"

#include <algorithm>
#include <array>
#include <type_traits>

namespace kelvarin {
namespace {

template <class P> struct MemberTypeOf;
template <class R, class M> struct MemberTypeOf<M R::*> { using type = M; };

// A member's place among the field members is its value's place among the field
// values: the values' lists are found by the member's index.
template <class R, std::size_t... I> constexpr bool SameTypeOrder(std::index_sequence<I...>) {
  return std::variant_size_v<FieldMember<R>> == sizeof...(I) &&
         (std::is_same_v<typename MemberTypeOf<std::variant_alternative_t<I, FieldMember<R>>>::type,
                         std::variant_alternative_t<I, TFieldValue>> &&
          ...);
}
static_assert(SameTypeOrder<TUnitObjBlock>(std::make_index_sequence<std::variant_size_v<TFieldValue>>()));

}  // namespace

template <class R> void TRecordsEdit::KindEdit<R>::SwapEntries(std::vector<R>& list, bool reverse) {
  // Where each type's next value stands: its list is walked in the entries' order.
  std::array<std::size_t, std::variant_size_v<TFieldValue>> next{};
  if (reverse)
    std::apply([&](const auto&... column) { next = {column.size()...}; }, values);
  const std::size_t count = entries.size();
  for (std::size_t n = 0; n < count; ++n) {
    const Entry& entry = entries[reverse ? count - 1 - n : n];
    R& record = list.at(entry.index);
    const FieldMember<R>& member = members[entry.member];
    std::size_t& at = next[member.index()];
    std::visit(
        [&](auto field) {
          using M = typename MemberTypeOf<decltype(field)>::type;
          auto& column = std::get<std::vector<M>>(values);
          using std::swap;
          swap(record.*field, column[reverse ? --at : at++]);
        },
        member);
  }
}

// The list holds the records that stayed; the taken ones go back between them, to
// the positions they had, in one pass from the end within the list's own storage
// (it kept its capacity when they left). Records are moved, never copied; the
// emptied places in `taken` stay for the redo to move them into again.
template <class R> void TRecordsEdit::KindEdit<R>::PutBack(std::vector<R>& list) {
  if (takenIndices.empty()) return;
  const std::size_t old = list.size(), total = old + takenIndices.size();
  // The places past the list's end are made by moving into them, in order: find
  // which records end up there (the last ones of the merged list).
  std::size_t stayed = old, back = takenIndices.size();
  for (std::size_t to = total; to-- > old;) {
    if (back > 0 && takenIndices[back - 1] == to) --back;
    else --stayed;
  }
  list.reserve(total);
  for (std::size_t kept = stayed, next = back; list.size() < total;) {
    if (next < takenIndices.size() && takenIndices[next] == list.size()) list.push_back(std::move(taken[next++]));
    else list.push_back(std::move(list[kept++]));
  }
  // The rest go to places the list had, from the end down.
  for (std::size_t to = old; to-- > 0 && back > 0;) {
    if (takenIndices[back - 1] == to) list[to] = std::move(taken[--back]);
    else list[to] = std::move(list[--stayed]);
  }
}

// The taken records leave the list again; the others close up, keeping their order.
template <class R> void TRecordsEdit::KindEdit<R>::TakeOut(std::vector<R>& list) {
  if (takenIndices.empty()) return;
  std::size_t next = 0, kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (next < takenIndices.size() && takenIndices[next] == i) {
      taken[next++] = std::move(list[i]);
    } else {
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
    }
  }
  list.erase(list.begin() + std::ptrdiff_t(kept), list.end());
}

// The appended records stand last in the list: they go aside, in order, and come
// back from there.
template <class R> void TRecordsEdit::KindEdit<R>::Unappend(std::vector<R>& list) {
  if (appended == 0) return;
  const std::size_t from = list.size() - appended;
  unappended.clear();
  for (std::size_t i = from; i < list.size(); ++i) unappended.push_back(std::move(list[i]));
  list.erase(list.begin() + std::ptrdiff_t(from), list.end());
}

template <class R> void TRecordsEdit::KindEdit<R>::Reappend(std::vector<R>& list) {
  if (appended == 0) return;
  list.reserve(list.size() + appended);
  for (R& record : unappended) list.push_back(std::move(record));
  unappended.clear();
}

template <class R> std::size_t TRecordsEdit::KindEdit<R>::MemorySize() const {
  std::size_t bytes = members.capacity() * sizeof(FieldMember<R>) + entries.capacity() * sizeof(Entry) +
                      takenIndices.capacity() * sizeof(std::uint32_t) + taken.size() * sizeof(R);
  std::apply([&](const auto&... column) { bytes += (HeapBytes(column) + ...); }, values);
  // A record's strings and lists take about what its file form takes.
  for (const R& record : taken) bytes += record.GetSize();  // as taken: the step is measured then
  // The appended records live in the document while the step is done; they are
  // the step's own once it is undone, and a redo-able step is what counts here.
  bytes += appended * sizeof(R);
  return bytes;
}

template <class R> std::size_t TRecordsEdit::KindEdit<R>::ChangedRecords() const {
  // Entries come record by record, so a record's entries stand together.
  std::size_t count = 0;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (i == 0 || entries[i].index != entries[i - 1].index) ++count;
  return count;
}

void TRecordsEdit::Undo(TMob& mob) {
  ForEachKind([&](auto& kind) {
    using R = typename std::decay_t<decltype(kind.taken)>::value_type;
    auto& list = mob.List<R::Kind>();
    kind.Unappend(list);
    kind.PutBack(list);
    // Backwards, so a field set twice ends with its first old value.
    kind.SwapEntries(list, true);
  });
}

void TRecordsEdit::Redo(TMob& mob) {
  ForEachKind([&](auto& kind) {
    using R = typename std::decay_t<decltype(kind.taken)>::value_type;
    auto& list = mob.List<R::Kind>();
    kind.SwapEntries(list, false);
    kind.TakeOut(list);
    kind.Reappend(list);
  });
}

bool TRecordsEdit::Empty() const {
  bool empty = true;
  ForEachKind([&](const auto& kind) {
    empty = empty && kind.entries.empty() && kind.takenIndices.empty() && kind.appended == 0;
  });
  return empty;
}

std::vector<TRecordsEdit::TTouched> TRecordsEdit::Touched() const {
  std::vector<TTouched> touched;
  ForEachKind([&](const auto& kind) {
    using R = typename std::decay_t<decltype(kind.taken)>::value_type;
    if (kind.entries.empty() && kind.takenIndices.empty() && kind.appended == 0) return;
    TTouched& t = touched.emplace_back(TTouched{R::Kind, {}, kind.takenIndices, std::uint32_t(kind.appendedAt),
                                                std::uint32_t(kind.appended)});
    t.changed.reserve(kind.entries.size());
    for (const auto& entry : kind.entries) t.changed.push_back(entry.index);
    if (!std::is_sorted(t.changed.begin(), t.changed.end())) std::sort(t.changed.begin(), t.changed.end());
    t.changed.erase(std::unique(t.changed.begin(), t.changed.end()), t.changed.end());
  });
  return touched;
}

std::size_t TRecordsEdit::ChangedRecords() const {
  std::size_t count = 0;
  ForEachKind([&](const auto& kind) { count += kind.ChangedRecords(); });
  return count;
}

std::size_t TRecordsEdit::TakenRecords() const {
  std::size_t count = 0;
  ForEachKind([&](const auto& kind) { count += kind.takenIndices.size(); });
  return count;
}

std::size_t TRecordsEdit::AppendedRecords() const {
  std::size_t count = 0;
  ForEachKind([&](const auto& kind) { count += kind.appended; });
  return count;
}

std::size_t TRecordsEdit::AppendedRecords(ObjKind kind) const {
  std::size_t count = 0;
  ForEachKind([&](const auto& edit) {
    using R = typename std::decay_t<decltype(edit.taken)>::value_type;
    if (R::Kind == kind) count = edit.appended;
  });
  return count;
}

TRecordsChange TRecordsEdit::Change(bool undone, bool everyRecord) const {
  TRecordsChange change;
  change.listsResized = TakenRecords() > 0 || AppendedRecords() > 0;
  if (everyRecord) {
    change.records = TouchedRecords(undone);
    if (!change.records.empty()) change.record = change.records.front();
    return change;
  }
  ForEachKind([&](const auto& kind) {
    using R = typename std::decay_t<decltype(kind.taken)>::value_type;
    if (change.record) return;
    if (undone) {
      // Every record is back where it was: the first one touched.
      std::optional<std::size_t> first;
      if (!kind.takenIndices.empty()) first = kind.takenIndices.front();
      if (!kind.entries.empty()) first = std::min<std::size_t>(first.value_or(SIZE_MAX), kind.entries.front().index);
      if (first) change.record = TObjRef{R::Kind, *first};
      return;
    }
    // The first changed record that is still there, where it stands now.
    for (const auto& entry : kind.entries) {
      const auto& taken = kind.takenIndices;
      const auto before = std::lower_bound(taken.begin(), taken.end(), entry.index);
      if (before != taken.end() && *before == entry.index) continue;
      change.record = TObjRef{R::Kind, entry.index - std::size_t(before - taken.begin())};
      return;
    }
  });
  return change;
}

std::vector<TObjRef> TRecordsEdit::TouchedRecords(bool undone) const {
  // Written in place, kind after kind, into room for every record the edit may
  // name: a step of many thousands of records lists them all.
  std::size_t most = 0;
  ForEachKind([&](const auto& kind) {
    most += kind.takenIndices.size() + kind.entries.size() + (undone ? 0 : kind.appended);
  });
  std::vector<TObjRef> refs(most);
  std::size_t end = 0;
  ForEachKind([&](const auto& kind) {
    using R = typename std::decay_t<decltype(kind.taken)>::value_type;
    const auto& taken = kind.takenIndices;
    const std::size_t begin = end;
    const auto add = [&](std::size_t index) { refs[end++] = TObjRef{R::Kind, index}; };
    if (undone) {
      for (std::uint32_t index : taken) add(index);
      for (const auto& entry : kind.entries) add(entry.index);
    } else {
      // Where the changed records that are still there stand now, then the
      // appended ones at the end of the list.
      for (const auto& entry : kind.entries) {
        const auto before = std::lower_bound(taken.begin(), taken.end(), entry.index);
        if (before != taken.end() && *before == entry.index) continue;
        add(entry.index - std::size_t(before - taken.begin()));
      }
      for (std::size_t i = 0; i < kind.appended; ++i) add(kind.appendedAt + i);
    }
    const auto first = refs.begin() + std::ptrdiff_t(begin), last = refs.begin() + std::ptrdiff_t(end);
    const auto byIndex = [](const TObjRef& a, const TObjRef& b) { return a.index < b.index; };
    // Fields set in list order come sorted already.
    if (!std::is_sorted(first, last, byIndex)) std::sort(first, last, byIndex);
    end = std::size_t(std::unique(first, last) - refs.begin());
  });
  refs.resize(end);
  return refs;
}

std::size_t TRecordsEdit::MemorySize() const {
  std::size_t bytes = sizeof(*this);
  ForEachKind([&](const auto& kind) { bytes += kind.MemorySize(); });
  return bytes;
}

}  // namespace kelvarin
