// The remembered layout of the window and its pages: named lists of integers
// (sizes, positions), kept under their own section of the settings file. A value
// that is missing or does not read as what its reader expects counts as absent,
// and the reader keeps its built-in layout.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kelvarin {

class TLayoutValues {
 public:
  // The integers of `key`, written "1,2,3", when there are exactly `count` of them
  // and each lies within [min, max]; nullopt otherwise.
  std::optional<std::vector<int>> Ints(const std::string& key, std::size_t count, int min, int max) const;
  void SetInts(const std::string& key, const std::vector<int>& values);

  // Every key with its text, in the order they came; names compare without case.
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return m_entries; }
  void Set(const std::string& key, std::string text);

  bool operator==(const TLayoutValues&) const = default;

 private:
  std::vector<std::pair<std::string, std::string>> m_entries;
};

struct TRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TRect&) const = default;
};

// Where a window whose last place was `saved` goes, given the screens' usable
// areas: on the screen it overlaps most, shrunk and moved to lie wholly inside it.
// A place that overlaps no screen any more (a screen unplugged, a resolution
// lowered), or none at all, gives `fallback`.
TRect PlaceOnScreens(const std::optional<TRect>& saved, const std::vector<TRect>& screens, const TRect& fallback);

}  // namespace kelvarin
