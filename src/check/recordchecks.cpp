#include "check/recordchecks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <type_traits>

#include "check/findinglist.h"
#include "common/cp1251.h"
#include "common/floattext.h"
#include "mob/kindnames.h"
#include "objects/core/objectparams.h"

namespace kelvarin {
namespace {

struct TCarrier {
  std::int32_t id;
  ObjRef ref;  // kind order, then list order: the first carrier sorts first
};

// The coordinate fields of a record by name: the common position, and the
// flame's and the particles' own. Fixed room: the check visits millions of records.
struct TCoordinates {
  std::array<std::pair<const char*, float>, 6> items;
  std::size_t count = 0;
  void Add(const char* name, float value) { items[count++] = {name, value}; }
  auto begin() const { return items.begin(); }
  auto end() const { return items.begin() + std::ptrdiff_t(count); }
};

template <class R> TCoordinates CoordinatesOf(const R& r) {
  TCoordinates coords;
  if constexpr (HasCommonFields(R::Kind)) {
    coords.Add("LoadX", r.LoadX);
    coords.Add("LoadY", r.LoadY);
    coords.Add("LoadZ", r.LoadZ);
  }
  if constexpr (!HasCommonFields(R::Kind) || std::is_same_v<R, TFlameObjBlock>) {
    coords.Add("CoordX", r.CoordX);
    coords.Add("CoordY", r.CoordY);
    coords.Add("CoordZ", r.CoordZ);
  }
  return coords;
}

std::string Number(float value) { return FloatToDisplayText(value, '.'); }

template <class R> void CheckValues(const TMob& mob, const R& record, ObjRef ref, TFindingList& out) {
  std::string bad;
  for (const auto& [name, value] : CoordinatesOf(record))
    if (!std::isfinite(value)) bad += std::string(bad.empty() ? "" : ", ") + name + " = " + Number(value);
  if (!bad.empty())
    out.Add({TCheckSeverity::Error, check_code::NonFiniteCoordinates,
                   "Координаты записи " + DescribeRecord(mob, ref) + " не конечны: " + bad, ref});

  if constexpr (HasCommonFields(R::Kind)) {
    const float q[4] = {record.RotationW, record.RotationX, record.RotationY, record.RotationZ};
    const auto text = [&] {
      return "(" + Number(q[0]) + ", " + Number(q[1]) + ", " + Number(q[2]) + ", " + Number(q[3]) + ")";
    };
    if (!std::all_of(std::begin(q), std::end(q), [](float v) { return std::isfinite(v); }))
      out.Add({TCheckSeverity::Warning, check_code::NonFiniteRotation,
                     "Поворот записи " + DescribeRecord(mob, ref) + " содержит NAN или бесконечность: " + text(), ref});
    else if (std::all_of(std::begin(q), std::end(q), [](float v) { return v == 0; }))
      out.Add({TCheckSeverity::Warning, check_code::ZeroRotation,
                     "Поворот записи " + DescribeRecord(mob, ref) + " - нулевой кватернион " + text(), ref});
  }
}

}  // namespace

void CheckRecords(const TMob& mob, std::vector<TCheckFinding>& findings, std::vector<std::int32_t>& identities) {
  std::vector<TCarrier> carriers;
  carriers.reserve(mob.TotalRecordCount());
  TFindingList found;
  int kind = 0;
  mob.ForEachList([&](const auto& list) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      const ObjRef ref{ObjKind(kind), i};
      carriers.push_back({list[i].Identity(), ref});
      CheckValues(mob, list[i], ref, found);
    }
    ++kind;
  });

  std::stable_sort(carriers.begin(), carriers.end(),
                   [](const TCarrier& a, const TCarrier& b) { return a.id < b.id; });
  for (std::size_t first = 0; first < carriers.size();) {
    std::size_t next = first + 1;
    for (; next < carriers.size() && carriers[next].id == carriers[first].id; ++next)
      found.Add({TCheckSeverity::Error, check_code::DuplicateId,
                       "Идентификатор " + std::to_string(carriers[first].id) + " записи " +
                           DescribeRecord(mob, carriers[next].ref) + " уже носит запись " +
                           DescribeRecord(mob, carriers[first].ref),
                       carriers[next].ref});
    first = next;
  }

  // Kind and list order; a record's own findings keep the order they were made in.
  std::vector<TCheckFinding> listed = found.Take();
  std::stable_sort(listed.begin(), listed.end(), [](const TCheckFinding& a, const TCheckFinding& b) {
    const ObjRef& x = std::get<ObjRef>(a.place);
    const ObjRef& y = std::get<ObjRef>(b.place);
    return x.kind != y.kind ? x.kind < y.kind : x.index < y.index;
  });
  if (findings.empty())
    findings = std::move(listed);
  else
    findings.insert(findings.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));

  identities.clear();
  identities.reserve(carriers.size());
  for (const TCarrier& c : carriers) identities.push_back(c.id);
}

}  // namespace kelvarin
