#include "map/core/criteriaselection.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "map/core/areafields.h"
#include "masschange/core/masschangecheck.h"
#include "masschange/core/masschangeengine.h"

namespace kelvarin {
namespace {

// The box the engine's area criteria can select in, a little wider: the engine
// rounds the circle's half chord to single precision, and the margin keeps a
// record on the edge among the candidates. The engine has the last word on each.
std::optional<MapRect> CandidateBox(const MassChangeOpts& opts, char sep) {
  const auto rect = RectangleOf(opts, sep);
  const auto circle = CircleOf(opts, sep);
  if (!rect && !circle) return std::nullopt;
  MapRect box{-INFINITY, -INFINITY, INFINITY, INFINITY};
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
  return MapRect{box.minX - margin, box.minY - margin, box.maxX + margin, box.maxY + margin};
}

}  // namespace

std::string CriteriaError(const MassChangeOpts& opts, char sep) {
  MassChangeOpts criteria = opts;
  // Only parameter changes in place, none ticked: the checks of the actions and of
  // the target have nothing to look at.
  criteria.MC_AS_Params_OffsetCB = false;
  criteria.MC_AS_Params_PlayerNumberCB = false;
  criteria.MC_AS_Obj_DelRB = criteria.MC_AS_Obj_CopyRB = criteria.MC_AS_Obj_MoveRB = false;
  criteria.MC_AS_Obj_OnlyParamsRB = true;
  return MassChangeOptsError(criteria, sep, {});
}

KindMask TickedKinds(const MassChangeOpts& o) {
  const bool ticked[kObjKindCount] = {o.MC_KR_Type_UnitCB,      o.MC_KR_Type_ObjectCB,
                                      o.MC_KR_Type_LeverCB,     o.MC_KR_Type_TrapCB,
                                      o.MC_KR_Type_FlameCB,     o.MC_KR_Type_Particle1CB,
                                      o.MC_KR_Type_Particle2CB, o.MC_KR_Type_Particle3CB};
  KindMask kinds = KindMask::None();
  for (ObjKind kind : kAllObjKinds) kinds.Set(kind, ticked[int(kind)]);
  return kinds;
}

TCriteriaSelection SelectByCriteria(const TMob& mob, const TZoneIndex& index, const MassChangeOpts& opts,
                                    char sep) {
  TCriteriaSelection selection;
  const KindMask kinds = TickedKinds(opts);
  if (kinds.Empty()) return selection;
  // The engine only reads the document when asked whether a record matches; it
  // changes records in Run alone, which is never called here.
  const TMassChanger engine(opts, sep, const_cast<TMob&>(mob), nullptr);
  const auto take = [&](ObjRef ref) {
    if (!engine.MatchesCriteria(ref.kind, ref.index)) return;
    ++selection.selected[std::size_t(ref.kind)];
    selection.records.push_back(ref);
  };

  const bool areaTicked = opts.MC_KR_Coords_PramouglCB || opts.MC_KR_Coords_KrugCB;
  if (!areaTicked) {
    for (ObjKind kind : kAllObjKinds)
      if (kinds.Has(kind))
        for (std::size_t i = 0, n = mob.Count(kind); i < n; ++i) take({kind, i});
    return selection;
  }
  const auto box = CandidateBox(opts, sep);
  // A ticked area whose numbers do not convert selects nothing in the engine.
  if (!box) return selection;
  index.ForEachInRect(*box, kinds, [&](const TMapPoint& p) { take(p.Ref()); });
  for (const ObjRef& ref : index.Unplaced())
    if (kinds.Has(ref.kind)) take(ref);
  std::sort(selection.records.begin(), selection.records.end(), [](const ObjRef& a, const ObjRef& b) {
    return std::tuple(int(a.kind), a.index) < std::tuple(int(b.kind), b.index);
  });
  return selection;
}

}  // namespace kelvarin
