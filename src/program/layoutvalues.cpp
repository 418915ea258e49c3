#include "program/layoutvalues.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "program/settingsfile.h"

namespace kelvarin {
namespace {

// Key names compare without case (of ASCII letters, as the ini file's do).
std::string Folded(const std::string& key) {
  std::string folded = key;
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return folded;
}

std::optional<std::vector<int>> ReadInts(const std::string& text, std::size_t count, int min, int max) {
  std::vector<int> values;
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

long long OverlapArea(const TRect& a, const TRect& b) {
  const long long w = std::min<long long>(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  const long long h = std::min<long long>(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

std::optional<std::vector<int>> TLayoutValues::Ints(const std::string& key, std::size_t count, int min,
                                                    int max) const {
  const std::string* found = Find(key);
  if (!found) return std::nullopt;
  const std::string& text = *found;
  auto values = ReadInts(text, count, min, max);
  if (!values)
    m_notTaken.push_back(NotTakenLine(kLayoutSection, key, text,
                                      std::to_string(count) + " целых чисел от " + std::to_string(min) + " до " +
                                          std::to_string(max) + " через запятую",
                                      "раскладка по умолчанию"));
  return values;
}

std::vector<std::string> TLayoutValues::TakeNotTaken() { return std::exchange(m_notTaken, {}); }

void TLayoutValues::SetInts(const std::string& key, const std::vector<int>& values) {
  std::string text;
  for (const int value : values) {
    if (!text.empty()) text += ',';
    text += std::to_string(value);
  }
  Set(key, std::move(text));
}

const std::string* TLayoutValues::Find(const std::string& key) const {
  const auto at = m_index.find(Folded(key));
  return at == m_index.end() ? nullptr : &m_entries[at->second].second;
}

void TLayoutValues::Set(const std::string& key, std::string text) {
  const auto [at, added] = m_index.try_emplace(Folded(key), m_entries.size());
  if (added)
    m_entries.emplace_back(key, std::move(text));
  else
    m_entries[at->second].second = std::move(text);
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
