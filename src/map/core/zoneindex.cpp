#include "map/core/zoneindex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "mob/tmob.h"

namespace kelvarin {
namespace {

bool Finite(TPlanePosition p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

void TZoneIndex::Clear() {
  for (auto& where : m_where) where.clear();
  for (auto& pos : m_pos) pos.clear();
  BuildFrom({}, {});
}

void TZoneIndex::Build(const TMob& mob) {
  std::vector<TMapPoint> placed;
  std::vector<std::pair<TObjRef, TPlanePosition>> unplaced;
  placed.reserve(mob.TotalRecordCount());
  for (ObjKind kind : kAllObjKinds) {
    m_where[std::size_t(kind)].assign(mob.Count(kind), kNoSlot);
    m_pos[std::size_t(kind)].resize(mob.Count(kind));
  }
  mob.ForEachRecord([&](const auto& r, std::size_t i) {
    const TPlanePosition p{PlaneX(r), PlaneY(r)};
    const ObjKind kind = std::remove_cvref_t<decltype(r)>::Kind;
    m_pos[std::size_t(kind)][i] = p;
    if (Finite(p)) placed.push_back({p.x, p.y, std::uint32_t(i), kind});
    else unplaced.push_back({{kind, i}, p});
  });
  BuildFrom(std::move(placed), std::move(unplaced));
}

bool TZoneIndex::Fits(const TMob& mob) const {
  for (ObjKind kind : kAllObjKinds)
    if (Count(kind) != mob.Count(kind)) return false;
  return true;
}

void TZoneIndex::BuildFrom(std::vector<TMapPoint> placed,
                           std::vector<std::pair<TObjRef, TPlanePosition>> unplaced) {
  // Records keep their counts per kind across rebuilds: size m_where from them.
  std::array<std::size_t, kObjKindCount> counts{};
  for (ObjKind kind : kAllObjKinds) counts[std::size_t(kind)] = m_where[std::size_t(kind)].size();
  for (std::size_t k = 0; k < kObjKindCount; ++k) {
    m_where[k].assign(counts[k], kNoSlot);
    m_treeSlot[k].assign(counts[k], kNoSlot);
  }

  m_tree = std::move(placed);
  m_stale.assign(m_tree.size(), 0);
  m_staleCount = 0;
  m_loose.clear();
  m_looseBounds.reset();
  m_nodes.clear();
  if (!m_tree.empty()) {
    m_nodes.reserve(4 * (m_tree.size() / kLeafSize + 1));
    m_nodes.emplace_back();
    BuildNode(0, 0, std::uint32_t(m_tree.size()));
  }
  for (std::uint32_t slot = 0; slot < m_tree.size(); ++slot) {
    const TMapPoint& p = m_tree[slot];
    m_where[std::size_t(p.kind)][p.index] = kInTree | slot;
    m_treeSlot[std::size_t(p.kind)][p.index] = slot;
  }
  // Unplaced records in kind order, then list order, as the user reads a list.
  std::sort(unplaced.begin(), unplaced.end(), [](const auto& a, const auto& b) {
    return std::tuple(int(a.first.kind), a.first.index) < std::tuple(int(b.first.kind), b.first.index);
  });
  m_unplacedRefs.clear();
  m_unplacedPos.clear();
  for (const auto& [ref, pos] : unplaced) {
    m_where[std::size_t(ref.kind)][ref.index] = kUnplaced | std::uint32_t(m_unplacedRefs.size());
    m_unplacedRefs.push_back(ref);
    m_unplacedPos.push_back(pos);
  }
}

void TZoneIndex::BuildNode(std::uint32_t id, std::uint32_t begin, std::uint32_t end) {
  float minX = m_tree[begin].x, maxX = minX, minY = m_tree[begin].y, maxY = minY;
  for (std::uint32_t i = begin + 1; i < end; ++i) {
    const TMapPoint& p = m_tree[i];
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  std::uint32_t left = 0;
  if (end - begin > kLeafSize) {
    // Split at the median of the wider side; the widths are compared in double so
    // that a box from -FLT_MAX to FLT_MAX does not overflow.
    const bool alongX = double(maxX) - minX >= double(maxY) - minY;
    const std::uint32_t mid = begin + (end - begin) / 2;
    std::nth_element(m_tree.begin() + begin, m_tree.begin() + mid, m_tree.begin() + end,
                     [alongX](const TMapPoint& a, const TMapPoint& b) { return alongX ? a.x < b.x : a.y < b.y; });
    // The two children take consecutive ids.
    left = std::uint32_t(m_nodes.size());
    m_nodes.emplace_back();
    m_nodes.emplace_back();
    BuildNode(left, begin, mid);
    BuildNode(left + 1, mid, end);
  }
  m_nodes[id] = {minX, minY, maxX, maxY, begin, end, left};
}

std::size_t TZoneIndex::TotalCount() const {
  std::size_t total = 0;
  for (const auto& w : m_where) total += w.size();
  return total;
}

std::optional<TMapRect> TZoneIndex::Bounds() const {
  std::optional<TMapRect> bounds = m_looseBounds;
  if (!m_nodes.empty() && m_staleCount < m_tree.size()) {
    const Node& root = m_nodes[0];
    const TMapRect treeBox{root.minX, root.minY, root.maxX, root.maxY};
    if (!bounds) {
      bounds = treeBox;
    } else {
      bounds->minX = std::min(bounds->minX, treeBox.minX);
      bounds->minY = std::min(bounds->minY, treeBox.minY);
      bounds->maxX = std::max(bounds->maxX, treeBox.maxX);
      bounds->maxY = std::max(bounds->maxY, treeBox.maxY);
    }
  }
  return bounds;
}

std::optional<TPlanePosition> TZoneIndex::Position(TObjRef ref) const {
  const auto k = std::size_t(ref.kind);
  if (k >= kObjKindCount || ref.index >= m_where[k].size()) return std::nullopt;
  const std::uint32_t w = m_where[k][ref.index];
  const std::uint32_t slot = w & kSlotMask;
  switch (w & kWhereMask) {
    case kInTree: return TPlanePosition{m_tree[slot].x, m_tree[slot].y};
    case kLoose: return TPlanePosition{m_loose[slot].x, m_loose[slot].y};
    default: return m_unplacedPos[slot];
  }
}

void TZoneIndex::Remove(TObjRef ref) {
  const auto k = std::size_t(ref.kind);
  const std::uint32_t w = m_where[k][ref.index];
  const std::uint32_t slot = w & kSlotMask;
  switch (w & kWhereMask) {
    case kInTree:
      m_stale[slot] = 1;
      ++m_staleCount;
      break;
    case kLoose:
      if (slot + 1 != m_loose.size()) {
        m_loose[slot] = m_loose.back();
        m_where[std::size_t(m_loose[slot].kind)][m_loose[slot].index] = kLoose | slot;
      }
      m_loose.pop_back();
      break;
    default:
      if (slot + 1 != m_unplacedRefs.size()) {
        m_unplacedRefs[slot] = m_unplacedRefs.back();
        m_unplacedPos[slot] = m_unplacedPos.back();
        m_where[std::size_t(m_unplacedRefs[slot].kind)][m_unplacedRefs[slot].index] = kUnplaced | slot;
      }
      m_unplacedRefs.pop_back();
      m_unplacedPos.pop_back();
      break;
  }
}

std::size_t TZoneIndex::FollowMoves(const TMob& mob) {
  std::size_t moved = 0;
  mob.ForEachList([&](const auto& list) {
    const ObjKind kind = std::remove_cvref_t<decltype(list)>::value_type::Kind;
    const std::vector<TPlanePosition>& held = m_pos[std::size_t(kind)];
    for (std::size_t i = 0; i < list.size() && i < held.size(); ++i) {
      const TPlanePosition p{PlaneX(list[i]), PlaneY(list[i])};
      if (SameBits(p.x, held[i].x) && SameBits(p.y, held[i].y)) continue;
      Update({kind, i}, p);
      ++moved;
    }
  });
  return moved;
}

void TZoneIndex::Update(TObjRef ref, TPlanePosition position) {
  const auto k = std::size_t(ref.kind);
  if (k >= kObjKindCount || ref.index >= m_where[k].size()) return;
  m_pos[k][ref.index] = position;
  Remove(ref);
  const auto index = std::uint32_t(ref.index);
  if (!Finite(position)) {
    m_where[k][index] = kUnplaced | std::uint32_t(m_unplacedRefs.size());
    m_unplacedRefs.push_back(ref);
    m_unplacedPos.push_back(position);
    return;
  }
  const std::uint32_t treeSlot = m_treeSlot[k][index];
  if (treeSlot != kNoSlot && SameBits(m_tree[treeSlot].x, position.x) &&
      SameBits(m_tree[treeSlot].y, position.y)) {
    // Back where the tree has it (an undone move): the slot serves again.
    m_stale[treeSlot] = 0;
    --m_staleCount;
    m_where[k][index] = kInTree | treeSlot;
    return;
  }
  m_where[k][index] = kLoose | std::uint32_t(m_loose.size());
  m_loose.push_back({position.x, position.y, index, ref.kind});
  const TMapRect at{position.x, position.y, position.x, position.y};
  if (!m_looseBounds) {
    m_looseBounds = at;
  } else {
    m_looseBounds->minX = std::min(m_looseBounds->minX, at.minX);
    m_looseBounds->minY = std::min(m_looseBounds->minY, at.minY);
    m_looseBounds->maxX = std::max(m_looseBounds->maxX, at.maxX);
    m_looseBounds->maxY = std::max(m_looseBounds->maxY, at.maxY);
  }
  RebuildIfLoose();
}

void TZoneIndex::RebuildIfLoose() {
  // Every query walks the loose records one by one: keep them a small share.
  if (m_loose.size() <= std::max<std::size_t>(1024, m_tree.size() / 64)) return;
  std::vector<TMapPoint> placed;
  placed.reserve(PlacedCount());
  ForEachPlaced(TKindMask::All(), [&](const TMapPoint& p) { placed.push_back(p); });
  std::vector<std::pair<TObjRef, TPlanePosition>> unplaced;
  for (std::size_t i = 0; i < m_unplacedRefs.size(); ++i) unplaced.push_back({m_unplacedRefs[i], m_unplacedPos[i]});
  BuildFrom(std::move(placed), std::move(unplaced));
}

std::vector<TObjRef> TZoneIndex::PickAt(double x, double y, double radius, TKindMask kinds) const {
  struct Hit {
    double d2;
    TObjRef ref;
  };
  std::vector<Hit> hits;
  ForEachInCircle(x, y, radius, kinds, [&](const TMapPoint& p) {
    const double dx = double(p.x) - x, dy = double(p.y) - y;
    hits.push_back({dx * dx + dy * dy, p.Ref()});
  });
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
    return std::tuple(a.d2, int(a.ref.kind), a.ref.index) < std::tuple(b.d2, int(b.ref.kind), b.ref.index);
  });
  std::vector<TObjRef> refs;
  refs.reserve(hits.size());
  for (const Hit& h : hits) refs.push_back(h.ref);
  return refs;
}

}  // namespace kelvarin
