#include "map/core/pickcycle.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace kelvarin {
namespace {

bool SameRecords(std::vector<TObjRef> a, std::vector<TObjRef> b) {
  if (a.size() != b.size()) return false;
  const auto before = [](const TObjRef& l, const TObjRef& r) {
    return std::tuple(int(l.kind), l.index) < std::tuple(int(r.kind), r.index);
  };
  std::sort(a.begin(), a.end(), before);
  std::sort(b.begin(), b.end(), before);
  return a == b;
}

}  // namespace

std::optional<TObjRef> TPickCycle::Click(double px, double py, const std::vector<TObjRef>& hits, double samePlacePx) {
  if (hits.empty()) {
    Reset();
    return std::nullopt;
  }
  // A hand never clicks the same pixel twice: near enough, over the same records,
  // is the same place, and the round goes on in the order of the first click.
  const bool again =
      !m_hits.empty() && std::hypot(px - m_px, py - m_py) <= samePlacePx && SameRecords(hits, m_hits);
  if (again) {
    m_chosen = (m_chosen + 1) % m_hits.size();
  } else {
    m_hits = hits;
    m_chosen = 0;
    m_px = px;
    m_py = py;
  }
  return m_hits[m_chosen];
}

}  // namespace kelvarin
