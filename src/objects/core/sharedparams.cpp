#include "objects/core/sharedparams.h"

#include <algorithm>
#include <span>

#include "mob/fields.h"

namespace kelvarin {
namespace {

bool ReadOnlyShared(std::string_view key, bool hasEditButton) {
  return hasEditButton || key == IdentityFieldName(ObjKind::Unit) || key == IdentityFieldName(ObjKind::Particle1);
}

// Which of `keys` every record of `groups` holds the bytes of `references` in
// (false too when a kind has no such field). The records are walked a block at a
// time, every field still the same checked over the block, so each record is
// fetched once however many fields are compared.
std::vector<bool> AllHold(const TMob& mob, const TRecordGroups& groups, const std::vector<std::string>& keys,
                          const std::vector<TFieldValue>& references) {
  constexpr std::size_t kBlock = 256;
  std::vector<bool> same(keys.size(), true);
  ForEachObjKind([&]<ObjKind K>() {
    using R = typename RecordOf<K>::type;
    const auto& indices = groups.indices[std::size_t(K)];
    if (indices.empty()) return;
    std::vector<const FieldDesc<R>*> fields(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
      fields[k] = FindField<R>(keys[k]);
      if (!fields[k]) same[k] = false;
    }
    const auto& list = mob.List<K>();
    for (std::size_t from = 0; from < indices.size(); from += kBlock) {
      const auto block = std::span(indices).subspan(from, std::min(kBlock, indices.size() - from));
      for (std::size_t k = 0; k < keys.size(); ++k) {
        if (!same[k]) continue;
        std::visit(
            [&](auto member) {
              using M = FieldType<decltype(member)>;
              const M* wanted = std::get_if<M>(&references[k]);
              same[k] = wanted && std::ranges::all_of(block, [&](std::size_t i) {
                          return i >= list.size() || SameFieldBytes(list[i].*member, *wanted);
                        });
            },
            fields[k]->member);
      }
    }
  });
  return same;
}

}  // namespace

std::vector<TSharedRow> SharedParamRows(const TMob& mob, const TRecordGroups& groups, char decimalSeparator) {
  const auto& lead = groups.lead;
  if (!lead || !RefersToRecord(mob, *lead)) return {};
  std::vector<TSharedRow> rows;
  // The rows whose values are compared, and each one's value in the first record.
  std::vector<std::string> compared;
  std::vector<TFieldValue> references;
  std::vector<std::size_t> comparedRows;
  for (TParamRow& row : ParamRowsOf(mob, *lead, decimalSeparator)) {
    // Only what every kind selected has by that name.
    const bool everyKind = std::all_of(groups.first.begin(), groups.first.end(), [&](const std::optional<TObjRef>& ref) {
      return !ref || ReadFieldValue(mob, *ref, row.key).has_value();
    });
    if (!everyKind) continue;
    TSharedRow& shared =
        rows.emplace_back(TSharedRow{row.key, std::move(row.value), false, ReadOnlyShared(row.key, row.hasEditButton)});
    if (row.hasEditButton) continue;
    if (auto reference = ReadFieldValue(mob, *lead, shared.key)) {
      compared.push_back(shared.key);
      references.push_back(std::move(*reference));
      comparedRows.push_back(rows.size() - 1);
    } else {
      shared.differs = true;
    }
  }
  const std::vector<bool> same = AllHold(mob, groups, compared, references);
  for (std::size_t k = 0; k < compared.size(); ++k) rows[comparedRows[k]].differs = !same[k];
  for (TSharedRow& row : rows)
    if (row.differs) row.value.clear();
  return rows;
}

TSharedValue SharedParamValue(const TMob& mob, const TRecordGroups& groups, std::string_view key,
                              std::string_view text, char decimalSeparator) {
  TSharedValue result;
  if (ReadOnlyShared(key, false)) return result;
  bool any = false;
  for (const std::optional<TObjRef>& ref : groups.first) {
    if (!ref) continue;
    TApplyResult one = ParamRowValue(mob, *ref, key, text, decimalSeparator);
    if (one.status != ApplyStatus::Accepted) {
      result.status = one.status;
      result.rowText.reset();
      return result;
    }
    if (!any) result.rowText = one.rowText;
    any = true;
    result.values[std::size_t(ref->kind)] = std::move(one.value);
  }
  if (any) result.status = ApplyStatus::Accepted;
  return result;
}

}  // namespace kelvarin
