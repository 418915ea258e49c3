#include "objects/core/sharedparams.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "mob/fields.h"

namespace kelvarin {
namespace {

bool ReadOnlyShared(std::string_view key, bool hasEditButton) {
  return hasEditButton || key == IdentityFieldName(ObjKind::Unit) || key == IdentityFieldName(ObjKind::Particle1);
}

template <class M> bool SameAs(const M& value, const TFieldValue& reference) {
  const M* wanted = std::get_if<M>(&reference);
  if (!wanted) return false;
  if constexpr (std::is_same_v<M, float>) return std::memcmp(&value, wanted, sizeof value) == 0;
  else return value == *wanted;
}

// Whether every record of `groups` holds the bytes of `reference` in `key`; false
// too when a kind has no such field.
bool AllHold(const TMob& mob, const TRecordGroups& groups, std::string_view key, const TFieldValue& reference) {
  bool same = true;
  const auto kind = [&]<ObjKind K>() {
    using R = typename RecordOf<K>::type;
    const auto& indices = groups.indices[std::size_t(K)];
    if (!same || indices.empty()) return;
    const FieldDesc<R>* field = FindField<R>(key);
    if (!field) {
      same = false;
      return;
    }
    const auto& list = mob.List<K>();
    std::visit(
        [&](auto member) {
          same = std::all_of(indices.begin(), indices.end(),
                             [&](std::size_t i) { return SameAs(list[i].*member, reference); });
        },
        field->member);
  };
  kind.template operator()<ObjKind::Unit>();
  kind.template operator()<ObjKind::Object>();
  kind.template operator()<ObjKind::Lever>();
  kind.template operator()<ObjKind::Trap>();
  kind.template operator()<ObjKind::Flame>();
  kind.template operator()<ObjKind::Particle1>();
  kind.template operator()<ObjKind::Particle2>();
  kind.template operator()<ObjKind::Particle3>();
  return same;
}

}  // namespace

std::vector<TSharedRow> SharedParamRows(const TMob& mob, const std::vector<TObjRef>& refs, char decimalSeparator) {
  // One grouping for every row: the selection may hold many thousands of records.
  const TRecordGroups groups = GroupRecords(mob, refs);
  const auto& lead = groups.lead;
  if (!lead) return {};
  std::vector<TSharedRow> rows;
  for (TParamRow& row : ParamRowsOf(mob, *lead, decimalSeparator)) {
    // Only what every kind selected has by that name.
    const bool everyKind = std::all_of(groups.first.begin(), groups.first.end(), [&](const std::optional<TObjRef>& ref) {
      return !ref || ReadFieldValue(mob, *ref, row.key).has_value();
    });
    if (!everyKind) continue;
    TSharedRow shared{row.key, std::move(row.value), false, ReadOnlyShared(row.key, row.hasEditButton)};
    if (!row.hasEditButton) {
      const auto reference = ReadFieldValue(mob, *lead, shared.key);
      shared.differs = !reference || !AllHold(mob, groups, shared.key, *reference);
      if (shared.differs) shared.value.clear();
    }
    rows.push_back(std::move(shared));
  }
  return rows;
}

TSharedValue SharedParamValue(const TMob& mob, const std::vector<TObjRef>& refs, std::string_view key,
                              std::string_view text, char decimalSeparator) {
  TSharedValue result;
  if (ReadOnlyShared(key, false)) return result;
  bool any = false;
  for (const std::optional<TObjRef>& ref : GroupRecords(mob, refs).first) {
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
