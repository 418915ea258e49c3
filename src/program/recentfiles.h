// The zones opened or saved last, newest first, as the File menu offers them. The
// paths are code page 1251 bytes, as the settings file holds them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelvarin {

class TRecentFiles {
 public:
  static constexpr std::size_t kMaxCount = 10;

  const std::vector<std::string>& Paths() const { return m_paths; }
  // Puts `path` first; an earlier mention of it goes, and the oldest beyond the
  // limit with it.
  void Note(const std::string& path);
  // Replaces the list (as read from the file): empty entries and repeats are
  // skipped, and only the first kMaxCount are kept.
  void Assign(const std::vector<std::string>& paths);
  // Drops the paths for which `exists` says false; true when any went.
  bool Prune(const std::function<bool(const std::string&)>& exists);

  bool operator==(const TRecentFiles&) const = default;

 private:
  std::vector<std::string> m_paths;
};

}  // namespace kelvarin
