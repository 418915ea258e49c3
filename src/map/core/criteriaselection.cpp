#include "map/core/criteriaselection.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "map/core/areafields.h"

namespace kelvarin {
namespace {

// The box the area criteria can select in, a little wider: the match
// rounds the circle's half chord to single precision, and the margin keeps a
// record on the edge among the candidates. The criteria have the last word on each.
std::optional<TMapRect> CandidateBox(const TSelectionCriteria& criteria) {
  const auto rect = RectangleOf(criteria);
  const auto circle = CircleOf(criteria);
  if (!rect && !circle) return std::nullopt;
  TMapRect box{-INFINITY, -INFINITY, INFINITY, INFINITY};
  if (rect) box = {rect->x1, rect->y2, rect->x2, rect->y1};
  if (circle) {
    box.minX = std::max(box.minX, circle->x - circle->radius);
    box.maxX = std::min(box.maxX, circle->x + circle->radius);
    box.minY = std::max(box.minY, circle->y - circle->radius);
    box.maxY = std::min(box.maxY, circle->y + circle->radius);
  }
  const double magnitude = std::max({std::fabs(box.minX), std::fabs(box.maxX), std::fabs(box.minY),
                                     std::fabs(box.maxY)});
  const double margin = magnitude * 1e-6 + 1e-30;
  return TMapRect{box.minX - margin, box.minY - margin, box.maxX + margin, box.maxY + margin};
}

}  // namespace

TKindMask TickedKinds(const TSelectionCriteria& criteria) {
  TKindMask kinds = TKindMask::None();
  for (ObjKind kind : kAllObjKinds) kinds.Set(kind, criteria.kinds[int(kind)]);
  return kinds;
}

TCriteriaSelection SelectByCriteria(const TMob& mob, const TZoneIndex& index, const TSelectionCriteria& criteria) {
  TCriteriaSelection selection;
  const TKindMask kinds = TickedKinds(criteria);
  if (kinds.Empty()) return selection;
  const auto take = [&](TObjRef ref) {
    if (!criteria.Matches(mob, ref)) return;
    ++selection.selected[std::size_t(ref.kind)];
    selection.records.push_back(ref);
  };

  if (!criteria.HasArea()) {
    for (ObjKind kind : kAllObjKinds)
      if (kinds.Has(kind))
        for (std::size_t i = 0, n = mob.Count(kind); i < n; ++i) take({kind, i});
    return selection;
  }
  const TMapRect box = *CandidateBox(criteria);
  index.ForEachInRect(box, kinds, [&](const TMapPoint& p) { take(p.Ref()); });
  for (const TObjRef& ref : index.Unplaced())
    if (kinds.Has(ref.kind)) take(ref);
  std::sort(selection.records.begin(), selection.records.end(), [](const TObjRef& a, const TObjRef& b) {
    return std::tuple(int(a.kind), a.index) < std::tuple(int(b.kind), b.index);
  });
  return selection;
}

}  // namespace kelvarin
