#include "document/recordset.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "common/bytes.h"
#include "document/recordcommands.h"
#include "mob/fields.h"
#include "mob/objref.h"

namespace kelvarin {
std::string RecordCountText(std::size_t count) {
  const std::size_t lastTwo = count % 100, last = count % 10;
  const char* word = "записей";
  if (lastTwo < 11 || lastTwo > 14) {
    if (last == 1) word = "запись";
    else if (last >= 2 && last <= 4) word = "записи";
  }
  return std::to_string(count) + " " + word;
}

TRecordGroups GroupRecords(const TMob& mob, const std::vector<TObjRef>& refs) {
  TRecordGroups groups;
  std::array<std::size_t, kObjKindCount> counts{};
  for (int k = 0; k < kObjKindCount; ++k) counts[std::size_t(k)] = mob.Count(ObjKind(k));
  for (const TObjRef& ref : refs) {
    const auto kind = std::size_t(ref.kind);
    if (kind >= counts.size() || ref.index >= counts[kind]) continue;
    if (!groups.lead) groups.lead = ref;
    if (!groups.first[kind]) groups.first[kind] = ref;
    groups.indices[kind].push_back(ref.index);
  }
  // A selection comes in list order as a rule: sorted already, it needs no sort.
  for (auto& list : groups.indices) {
    if (!std::is_sorted(list.begin(), list.end())) std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
  return groups;
}

std::unique_ptr<TMob> CopyRecords(const TMob& mob, std::vector<TObjRef> refs) {
  auto batch = std::make_unique<TMob>();
  const auto indices = GroupRecords(mob, refs).indices;
  ForEachObjKind([&]<ObjKind K>() {
    const auto& from = mob.List<K>();
    auto& to = batch->List<K>();
    to.reserve(indices[std::size_t(K)].size());
    // A record's copy is the record: its file form is written from its fields alone.
    for (std::size_t index : indices[std::size_t(K)]) to.push_back(from[index]);
  });
  return batch;
}

std::optional<std::vector<TIdentityChange>> GiveFreeIdentities(const TMob& mob, TMob& batch, bool every) {
  // What FindFreeObjectId answers after each record joins: the lowest identity
  // from 1 up that no record carries, handed out in turn. The answers lie below
  // the number of records that could block them.
  const std::uint64_t limit =
      std::min<std::uint64_t>(mob.TotalRecordCount() + batch.TotalRecordCount() + 1, kHighIdentityRange - 1);
  std::vector<bool> taken(limit + 1, false);
  std::unordered_set<std::uint32_t> carried;
  carried.reserve(mob.TotalRecordCount() + batch.TotalRecordCount());
  const auto note = [&](std::int32_t id) {
    const auto bits = std::uint32_t(id);
    carried.insert(bits);
    if (bits >= 1 && bits <= limit) taken[bits] = true;
  };
  mob.ForEachRecord([&](const auto& record, std::size_t) { note(record.Identity()); });

  // First the records that keep their identity, so that none handed out later
  // lands on one of them.
  std::vector<TObjRef> renamed;
  ForEachObjKind([&]<ObjKind K>() {
    const auto& list = batch.List<K>();
    for (std::size_t i = 0; i < list.size(); ++i) {
      const auto id = std::uint32_t(list[i].Identity());
      if (every || carried.count(id)) {
        renamed.push_back({K, i});
      } else {
        note(list[i].Identity());
      }
    }
  });
  std::vector<TIdentityChange> changes;
  changes.reserve(renamed.size());
  std::uint64_t candidate = 1;
  for (const TObjRef& ref : renamed) {
    while (candidate <= limit && taken[candidate]) ++candidate;
    if (candidate > limit) return std::nullopt;
    taken[candidate] = true;
    changes.push_back({ref, IdentityOf(batch, ref), std::int32_t(candidate)});
  }
  for (const TIdentityChange& change : changes)
    VisitRecord(batch, change.record, [&](auto& record) { SetIdentity(record, change.to); });
  return changes;
}

std::optional<TPlanePosition> BatchCentre(const TMob& batch) {
  std::optional<std::array<double, 4>> box;  // min x, min y, max x, max y
  batch.ForEachList([&](const auto& list) {
    for (const auto& record : list) {
      const double x = PlaneX(record), y = PlaneY(record);
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      if (!box) box = std::array<double, 4>{x, y, x, y};
      auto& b = *box;
      b[0] = std::min(b[0], x), b[1] = std::min(b[1], y), b[2] = std::max(b[2], x), b[3] = std::max(b[3], y);
    }
  });
  if (!box) return std::nullopt;
  const auto& b = *box;
  return TPlanePosition{float((b[0] + b[2]) / 2), float((b[1] + b[3]) / 2)};
}

void ShiftBatch(TMob& batch, double dx, double dy) {
  const auto shifted = [](float v, double d) { return float(std::clamp(double(v) + d, -double(FLT_MAX), double(FLT_MAX))); };
  batch.ForEachList([&](auto& list) {
    for (auto& record : list) {
      // A record with no place keeps the coordinates it has.
      if (!std::isfinite(PlaneX(record)) || !std::isfinite(PlaneY(record))) continue;
      PlaneX(record) = shifted(PlaneX(record), dx);
      PlaneY(record) = shifted(PlaneY(record), dy);
    }
  });
}

std::unique_ptr<TDocCommand> AppendRecordsStep(std::unique_ptr<TMob> batch, std::string caption) {
  if (!batch || batch->TotalRecordCount() == 0) return nullptr;
  // std::function wants a copyable callable; the batch is handed over once.
  std::shared_ptr<TMob> records(std::move(batch));
  return std::make_unique<TRecordsEditCommand>(
      [records, caption = std::move(caption)](TMob& mob, TRecordsEdit& edit) {
        ForEachObjKind([&]<ObjKind K>() {
          auto& from = records->List<K>();
          auto& to = mob.List<K>();
          to.reserve(to.size() + from.size());
          for (auto& record : from) edit.AppendRecord(to, std::move(record));
          from.clear();
        });
        return caption;
      },
      std::string{}, TRecordsEditCommand::TSelects::Every);
}

std::unique_ptr<TDocCommand> DeleteRecordsStep(const TMob& mob, std::vector<TObjRef> refs, std::string caption) {
  auto indices = GroupRecords(mob, refs).indices;
  if (std::all_of(indices.begin(), indices.end(), [](const auto& list) { return list.empty(); })) return nullptr;
  return std::make_unique<TRecordsEditCommand>(
      [indices = std::move(indices), caption = std::move(caption)](TMob& mob, TRecordsEdit& edit) {
        ForEachObjKind([&]<ObjKind K>() {
          const auto& gone = indices[std::size_t(K)];
          if (gone.empty()) return;
          auto& list = mob.List<K>();
          // One pass closes the gaps, as the mass change's scan does.
          std::size_t next = 0, kept = 0;
          for (std::size_t i = 0; i < list.size(); ++i) {
            if (next < gone.size() && gone[next] == i) {
              edit.TakeRecord(list[i], i);
              ++next;
            } else {
              if (kept != i) list[kept] = std::move(list[i]);
              ++kept;
            }
          }
          list.erase(list.begin() + std::ptrdiff_t(kept), list.end());
        });
        return caption;
      },
      std::string{}, TRecordsEditCommand::TSelects::Every);
}

std::unique_ptr<TDocCommand> SetFieldStep(const TMob& mob, const TRecordGroups& groups, const std::string& key,
                                          const TKindValues& values, std::string caption) {
  // The records that hold the value already are passed over as the step runs;
  // here it is enough that one of them would change.
  bool changes = false;
  ForEachObjKind([&]<ObjKind K>() {
    using R = typename RecordOf<K>::type;
    const FieldDesc<R>* field = FindField<R>(key);
    const auto& value = values[std::size_t(K)];
    if (changes || !field || !value) return;
    std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
          const M* wanted = std::get_if<M>(&*value);
          const auto& records = mob.List<K>();
          if (wanted)
            changes = std::ranges::any_of(groups.indices[std::size_t(K)], [&](std::size_t i) {
              return i < records.size() && !SameFieldBytes(records[i].*member, *wanted);
            });
        },
        field->member);
  });
  if (!changes) return nullptr;
  return std::make_unique<TRecordsEditCommand>(
      [indices = groups.indices, key, values, caption = std::move(caption)](TMob& mob, TRecordsEdit& edit) {
        ForEachObjKind([&]<ObjKind K>() {
          using R = typename RecordOf<K>::type;
          const auto& list = indices[std::size_t(K)];
          const FieldDesc<R>* field = FindField<R>(key);
          const auto& value = values[std::size_t(K)];
          if (list.empty() || !field || !value) return;
          std::visit(
              [&](auto member) {
                using M = FieldType<decltype(member)>;
                const M* wanted = std::get_if<M>(&*value);
                if (!wanted) return;
                edit.SetFieldOfEach(mob.List<K>(), std::span(list), member, *wanted);
              },
              field->member);
        });
        return caption;
      },
      std::string{}, TRecordsEditCommand::TSelects::Every);
}

Bytes RecordsFileForm(const TMob& batch) { return batch.WriteObjectBlock(); }

bool ReadRecordsFileForm(std::span<const std::uint8_t> bytes, TMob& batch) {
  batch.Reset();
  const bool framed = bytes.size() >= 8 && bytes.size() <= UINT32_MAX && ReadU32(bytes.data()) == kObjectBlockType &&
                      ReadU32(bytes.data() + 4) == bytes.size();
  if (!framed || !batch.ReadObjectBlock(bytes.data(), std::uint32_t(bytes.size())) ||
      !batch.UnknownObjectBlocks.empty() || batch.TotalRecordCount() == 0) {
    batch.Reset();
    return false;
  }
  batch.LogText.clear();  // a batch says nothing of its own
  return true;
}

}  // namespace kelvarin
