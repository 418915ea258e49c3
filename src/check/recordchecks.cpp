#include "check/recordchecks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <type_traits>

#include "common/floattext.h"
#include "mob/recordrules.h"

namespace kelvarin {
namespace {

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

// W, X, Y, Z; records without the common fields have no rotation.
template <class R> TRotationFields RotationOf(const R& r) {
  if constexpr (kHasCommonFields<R>) return RotationFieldsOf(r);
  else return {1, 0, 0, 0};
}

template <class R> bool FiniteCoordinates(const R& record) {
  const TCoordinates coords = CoordinatesOf(record);
  return std::all_of(coords.begin(), coords.end(), [](const auto& c) { return std::isfinite(c.second); });
}

// The rotation fault of a record, if it has one.
template <class R> std::optional<TCheckFault> RotationFault(const R& record) {
  const std::array<float, 4> q = RotationOf(record);
  if (!std::all_of(q.begin(), q.end(), [](float v) { return std::isfinite(v); }))
    return TCheckFault::NonFiniteRotation;
  if (std::all_of(q.begin(), q.end(), [](float v) { return v == 0; })) return TCheckFault::ZeroRotation;
  return std::nullopt;
}

std::string Number(float value) { return FloatToDisplayText(value, '.'); }

template <class R> std::string BadCoordinatesText(const R& record) {
  std::string bad;
  for (const auto& [name, value] : CoordinatesOf(record))
    if (!std::isfinite(value)) bad += std::string(bad.empty() ? "" : ", ") + name + " = " + Number(value);
  return bad;
}

template <class R> std::string RotationText(const R& record) {
  const std::array<float, 4> q = RotationOf(record);
  return "(" + Number(q[0]) + ", " + Number(q[1]) + ", " + Number(q[2]) + ", " + Number(q[3]) + ")";
}

TCheckFinding RecordFinding(TCheckFault fault, TObjRef ref) {
  TCheckFinding finding;
  finding.fault = fault;
  finding.place = ref;
  return finding;
}

bool Before(TObjRef a, TObjRef b) { return a.kind != b.kind ? a.kind < b.kind : a.index < b.index; }

}  // namespace

TRecordCheck::TRecordCheck(const TMob& mob) : m_mob(mob) {
  struct TCarrier {
    std::int32_t id;
    TObjRef ref;  // kind order, then list order: the first carrier sorts first
  };
  std::vector<TCarrier> carriers;
  carriers.reserve(mob.TotalRecordCount());
  mob.ForEachRecord([&](const auto& record, std::size_t index) {
    carriers.push_back({record.Identity(), {std::decay_t<decltype(record)>::Kind, index}});
  });
  std::stable_sort(carriers.begin(), carriers.end(),
                   [](const TCarrier& a, const TCarrier& b) { return a.id < b.id; });
  for (std::size_t first = 0, next = 0; first < carriers.size(); first = next)
    for (next = first + 1; next < carriers.size() && carriers[next].id == carriers[first].id; ++next)
      m_duplicates.push_back({carriers[next].ref, carriers[first].ref, carriers[next].id});
  std::sort(m_duplicates.begin(), m_duplicates.end(),
            [](const TDuplicate& a, const TDuplicate& b) { return Before(a.at, b.at); });

  m_identities.reserve(carriers.size());
  for (const TCarrier& c : carriers) m_identities.push_back(c.id);
}

void TRecordCheck::Run(const TFindingSink& found) const {
  // A record has at most one finding of each code: nothing to sum up here.
  auto duplicate = m_duplicates.begin();
  m_mob.ForEachRecord([&](const auto& record, std::size_t index) {
    const TObjRef ref{std::decay_t<decltype(record)>::Kind, index};
    if (!FiniteCoordinates(record)) found(RecordFinding(TCheckFault::NonFiniteCoordinates, ref));
    if (const auto fault = RotationFault(record)) found(RecordFinding(*fault, ref));
    if (duplicate != m_duplicates.end() && duplicate->at == ref) {
      TCheckFinding finding = RecordFinding(TCheckFault::DuplicateId, ref);
      finding.id = duplicate->id;
      finding.first = duplicate->first;
      found(finding);
      ++duplicate;
    }
  });
}

std::string TRecordCheck::Message(const TCheckFinding& f) const {
  const TObjRef ref = std::get<TObjRef>(f.place);
  const std::string record = DescribeRecord(m_mob, ref);
  switch (f.fault) {
    case TCheckFault::DuplicateId:
      return "Идентификатор " + std::to_string(f.id) + " записи " + record + " уже носит запись " +
             DescribeRecord(m_mob, f.first);
    case TCheckFault::NonFiniteCoordinates:
      return "Координаты записи " + record + " не конечны: " +
             VisitRecordValue(m_mob, ref, [](const auto& r) { return BadCoordinatesText(r); });
    case TCheckFault::NonFiniteRotation:
      return "Поворот записи " + record + " содержит NAN или бесконечность: " +
             VisitRecordValue(m_mob, ref, [](const auto& r) { return RotationText(r); });
    case TCheckFault::ZeroRotation:
      return "Поворот записи " + record + " - нулевой кватернион " +
             VisitRecordValue(m_mob, ref, [](const auto& r) { return RotationText(r); });
    default: return {};
  }
}

}  // namespace kelvarin
