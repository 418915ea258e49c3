// The remembered layout of the window and its pages: named lists of integers
// (sizes, positions), kept under their own section of the settings file. A value
// that is missing or does not read as what its reader expects counts as absent,
// and the reader keeps its built-in layout.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kelvarin {

class TLayoutValues {
 public:
  // The integers of `key`, written "1,2,3", when there are exactly `count` of them
  // and each lies within [min, max]; nullopt otherwise. A value that is there but
  // does not read so leaves a log line for TakeNotTaken.
  std::optional<std::vector<int>> Ints(const std::string& key, std::size_t count, int min, int max) const;
  // The lines about values the readers did not take since the last call.
  std::vector<std::string> TakeNotTaken();
  void SetInts(const std::string& key, const std::vector<int>& values);

  // Every key with its text, in the order they came; names compare without case.
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return m_entries; }
  void Set(const std::string& key, std::string text);

  bool operator==(const TLayoutValues& other) const { return m_entries == other.m_entries; }

 private:
  const std::string* Find(const std::string& key) const;

  std::vector<std::pair<std::string, std::string>> m_entries;
  // Each key, folded to lower case, with its place in m_entries: the file may hold
  // any number of keys, and each is looked up once as it is read.
  std::unordered_map<std::string, std::size_t> m_index;
  mutable std::vector<std::string> m_notTaken;
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
