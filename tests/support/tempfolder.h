// A folder of its own for one test, emptied when it starts and removed when it
// ends. Named after the running test, so tests running at once never share one
// and a folder left behind by a killed run says whose it was.
#pragma once

#include <filesystem>
#include <string>

namespace kelvarin::test {

class TTempFolder {
 public:
  // Below the system's temporary folder; `base` puts it below another (a memory
  // file system, say).
  explicit TTempFolder(const std::filesystem::path& base = std::filesystem::temp_directory_path());
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Root() const { return m_root; }
  // The path of `name` inside the folder (nothing is created).
  std::string Path(const std::string& name) const { return (m_root / name).string(); }

 private:
  std::filesystem::path m_root;
};

}  // namespace kelvarin::test
