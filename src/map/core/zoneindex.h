// Every record of a zone by where it stands on the plane, for the map: picking the
// records under the cursor, finding those inside a rectangle or a circle, and
// walking what a view shows. Records whose position is NaN or infinite have no
// place on the plane; they are kept in a list of their own.
//
// The placed records sit in a static k-d tree (median splits on the wider side of
// each node's box), which copes with any spread of coordinates: clusters, one
// record a billion units away from the rest, thousands at one point. A record that
// moves after the tree was built leaves its slot and joins a short list that every
// query also walks; when that list grows long the tree is built again.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "mob/recordrules.h"

namespace kelvarin {

class TMob;

// A box on the plane, bounds inclusive.
struct TMapRect {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;

  bool Contains(double x, double y) const { return minX <= x && x <= maxX && minY <= y && y <= maxY; }
  double Width() const { return maxX - minX; }
  double Height() const { return maxY - minY; }
  bool operator==(const TMapRect&) const = default;
};

// Which kinds a walk or a query looks at.
class TKindMask {
 public:
  static TKindMask All() { return TKindMask(0xFF); }
  static TKindMask None() { return TKindMask(0); }
  static TKindMask Of(ObjKind kind) { return TKindMask(std::uint8_t(1u << int(kind))); }

  bool Has(ObjKind kind) const { return (m_bits >> int(kind)) & 1u; }
  void Set(ObjKind kind, bool on) {
    const auto bit = std::uint8_t(1u << int(kind));
    m_bits = on ? std::uint8_t(m_bits | bit) : std::uint8_t(m_bits & ~bit);
  }
  bool Empty() const { return m_bits == 0; }
  std::uint8_t Bits() const { return m_bits; }
  bool operator==(const TKindMask&) const = default;

 private:
  explicit TKindMask(std::uint8_t bits) : m_bits(bits) {}
  std::uint8_t m_bits;
};

// A placed record: its position and where it is in the document.
struct TMapPoint {
  float x = 0, y = 0;
  std::uint32_t index = 0;  // in its kind's list
  ObjKind kind = ObjKind::Unit;

  TObjRef Ref() const { return {kind, index}; }
};

class TZoneIndex {
 public:
  // Takes the positions of every record of `mob`, wherever it holds them.
  void Build(const TMob& mob);
  void Clear();

  std::size_t Count(ObjKind kind) const { return m_where[std::size_t(kind)].size(); }
  // Holds as many records of each kind as `mob` (built from it, or from the same
  // lists as they were).
  bool Fits(const TMob& mob) const;
  std::size_t TotalCount() const;
  std::size_t PlacedCount() const { return m_tree.size() - m_staleCount + m_loose.size(); }
  // The records without a place on the plane, in kind order and list order as of
  // the last build (moves since then append).
  const std::vector<TObjRef>& Unplaced() const { return m_unplacedRefs; }

  // A box around every placed record (it may have grown wider than they are since
  // the last build); nullopt when none is placed.
  std::optional<TMapRect> Bounds() const;
  // The position the index holds for `ref` (NaN or infinite for an unplaced
  // record); nullopt for a record the index does not know.
  std::optional<TPlanePosition> Position(TObjRef ref) const;

  // The record now stands at `position` (a drag, an edit, an undo).
  void Update(TObjRef ref, TPlanePosition position);
  // Takes every record of `mob` that stands elsewhere than the index has it (one
  // pass over the positions, no rebuild); returns how many did. `mob` must fit.
  std::size_t FollowMoves(const TMob& mob);

  // Calls f(const TMapPoint&) for each placed record of the kinds in `kinds` that
  // lies in `rect` (bounds inclusive), or within `radius` of (x, y).
  template <class F> void ForEachInRect(const TMapRect& rect, TKindMask kinds, F&& f) const;
  template <class F> void ForEachInCircle(double x, double y, double radius, TKindMask kinds, F&& f) const;
  template <class F> void ForEachPlaced(TKindMask kinds, F&& f) const;

  // The records within `radius` of (x, y), nearest first; at equal distances in
  // kind order, then in list order.
  std::vector<TObjRef> PickAt(double x, double y, double radius, TKindMask kinds) const;

 private:
  struct Node {
    float minX, minY, maxX, maxY;
    std::uint32_t begin, end;
    std::uint32_t left;  // first of two children; 0 for a leaf (the root is never a child)
  };
  // Where a record is now: a tree slot, a loose slot or an unplaced slot.
  enum Where : std::uint32_t { kInTree = 0u << 30, kLoose = 1u << 30, kUnplaced = 2u << 30 };
  static constexpr std::uint32_t kWhereMask = 3u << 30;
  static constexpr std::uint32_t kSlotMask = ~kWhereMask;
  static constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;
  static constexpr std::uint32_t kLeafSize = 16;

  void BuildFrom(std::vector<TMapPoint> placed, std::vector<std::pair<TObjRef, TPlanePosition>> unplaced);
  void BuildNode(std::uint32_t id, std::uint32_t begin, std::uint32_t end);
  void Remove(TObjRef ref);
  void RebuildIfLoose();

  static bool Intersects(const Node& n, const TMapRect& r) {
    return !(n.maxX < r.minX || n.minX > r.maxX || n.maxY < r.minY || n.minY > r.maxY);
  }
  static bool Inside(const Node& n, const TMapRect& r) {
    return r.minX <= n.minX && n.maxX <= r.maxX && r.minY <= n.minY && n.maxY <= r.maxY;
  }

  std::vector<TMapPoint> m_tree;     // in tree order
  std::vector<std::uint8_t> m_stale;  // per tree slot: the record has moved away
  std::size_t m_staleCount = 0;
  std::vector<Node> m_nodes;
  std::vector<TMapPoint> m_loose;
  std::vector<TObjRef> m_unplacedRefs;
  std::vector<TPlanePosition> m_unplacedPos;
  // Per kind and record: where the record is now, and its slot in the tree (kept
  // while it is away, so that a move back revives the slot).
  std::array<std::vector<std::uint32_t>, kObjKindCount> m_where;
  std::array<std::vector<std::uint32_t>, kObjKindCount> m_treeSlot;
  // Per kind and record: where it stands now, in list order, so that FollowMoves
  // reads both sides in turn.
  std::array<std::vector<TPlanePosition>, kObjKindCount> m_pos;
  std::optional<TMapRect> m_looseBounds;
};

// ---- template definitions

template <class F> void TZoneIndex::ForEachInRect(const TMapRect& rect, TKindMask kinds, F&& f) const {
  if (kinds.Empty()) return;
  const auto pass = [&](const TMapPoint& p) {
    if (kinds.Has(p.kind)) f(p);
  };
  if (!m_nodes.empty()) {
    std::uint32_t stack[64];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
      const Node& n = m_nodes[stack[--top]];
      if (!Intersects(n, rect)) continue;
      const bool inside = Inside(n, rect);
      if (inside || n.left == 0) {
        for (std::uint32_t i = n.begin; i < n.end; ++i) {
          if (m_stale[i]) continue;
          const TMapPoint& p = m_tree[i];
          if (inside || rect.Contains(p.x, p.y)) pass(p);
        }
        continue;
      }
      stack[top++] = n.left + 1;
      stack[top++] = n.left;
    }
  }
  for (const TMapPoint& p : m_loose)
    if (rect.Contains(p.x, p.y)) pass(p);
}

template <class F>
void TZoneIndex::ForEachInCircle(double x, double y, double radius, TKindMask kinds, F&& f) const {
  if (!(radius >= 0)) return;
  const TMapRect box{x - radius, y - radius, x + radius, y + radius};
  const double r2 = radius * radius;
  ForEachInRect(box, kinds, [&](const TMapPoint& p) {
    const double dx = double(p.x) - x, dy = double(p.y) - y;
    if (dx * dx + dy * dy <= r2) f(p);
  });
}

template <class F> void TZoneIndex::ForEachPlaced(TKindMask kinds, F&& f) const {
  if (kinds.Empty()) return;
  for (std::size_t i = 0; i < m_tree.size(); ++i)
    if (!m_stale[i] && kinds.Has(m_tree[i].kind)) f(m_tree[i]);
  for (const TMapPoint& p : m_loose)
    if (kinds.Has(p.kind)) f(p);
}

}  // namespace kelvarin
