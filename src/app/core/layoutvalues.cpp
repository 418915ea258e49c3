#include "app/core/layoutvalues.h"

#include <algorithm>
#include <charconv>
#include <strings.h>

namespace kelvarin {
namespace {

bool SameKey(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

long long OverlapArea(const TRect& a, const TRect& b) {
  const long long w = std::min<long long>(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  const long long h = std::min<long long>(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

std::optional<std::vector<int>> TLayoutValues::Ints(const std::string& key, std::size_t count, int min,
                                                    int max) const {
  const auto entry =
      std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return SameKey(e.first, key); });
  if (entry == m_entries.end()) return std::nullopt;
  std::vector<int> values;
  const std::string& text = entry->second;
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  while (true) {
    int value = 0;
    const auto [next, ec] = std::from_chars(at, end, value);
    if (ec != std::errc() || value < min || value > max) return std::nullopt;
    values.push_back(value);
    if (next == end) break;
    if (*next != ',') return std::nullopt;
    at = next + 1;
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

void TLayoutValues::SetInts(const std::string& key, const std::vector<int>& values) {
  std::string text;
  for (const int value : values) {
    if (!text.empty()) text += ',';
    text += std::to_string(value);
  }
  Set(key, std::move(text));
}

void TLayoutValues::Set(const std::string& key, std::string text) {
  for (auto& entry : m_entries)
    if (SameKey(entry.first, key)) {
      entry.second = std::move(text);
      return;
    }
  m_entries.emplace_back(key, std::move(text));
}

TRect PlaceOnScreens(const std::optional<TRect>& saved, const std::vector<TRect>& screens, const TRect& fallback) {
  if (!saved || saved->width <= 0 || saved->height <= 0) return fallback;
  const TRect* best = nullptr;
  long long bestArea = 0;
  for (const TRect& screen : screens)
    if (const long long area = OverlapArea(*saved, screen); area > bestArea) {
      best = &screen;
      bestArea = area;
    }
  if (!best) return fallback;
  TRect placed = *saved;
  placed.width = std::min(placed.width, best->width);
  placed.height = std::min(placed.height, best->height);
  placed.x = std::clamp(placed.x, best->x, best->x + best->width - placed.width);
  placed.y = std::clamp(placed.y, best->y, best->y + best->height - placed.height);
  return placed;
}

}  // namespace kelvarin
