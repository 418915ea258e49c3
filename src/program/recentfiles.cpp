#include "program/recentfiles.h"

#include <algorithm>

namespace kelvarin {

void TRecentFiles::Note(const std::string& path) {
  if (path.empty()) return;
  std::erase(m_paths, path);
  m_paths.insert(m_paths.begin(), path);
  if (m_paths.size() > kMaxCount) m_paths.resize(kMaxCount);
}

void TRecentFiles::Assign(const std::vector<std::string>& paths) {
  m_paths.clear();
  for (const std::string& path : paths) {
    if (m_paths.size() == kMaxCount) break;
    if (!path.empty() && std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end()) m_paths.push_back(path);
  }
}

bool TRecentFiles::Prune(const std::function<bool(const std::string&)>& exists) {
  return std::erase_if(m_paths, [&](const std::string& path) { return !exists(path); }) > 0;
}

}  // namespace kelvarin
