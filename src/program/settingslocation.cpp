#include "program/settingslocation.h"

#include <unistd.h>

#include <filesystem>

#include "program/appinfo.h"
#include "common/filesystem.h"

namespace kelvarin {
namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

bool IsUnderUsr(const std::string& path) {
  std::error_code error;
  // Through links, so /bin on a merged-/usr system counts as /usr/bin.
  std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
  if (error) real = std::filesystem::path(path).lexically_normal();
  const std::string text = WithSeparator(real.string());
  return text.starts_with("/usr/");
}

TSettingsLocation ChooseSettingsLocation(const std::string& exePath, const std::string& userConfigPath) {
  const std::string programFolder = WithSeparator(exePath);
  // A file the user put there is theirs, whatever the folder; whether it can be
  // read and written is the settings file's own business.
  if (userConfigPath.empty() || Files().KindOf(programFolder + IniFileName) != FileKind::Missing)
    return {programFolder, true};
  if (!IsUnderUsr(programFolder) && ::access(programFolder.c_str(), W_OK) == 0) return {programFolder, true};
  return {WithSeparator(userConfigPath), false};
}

}  // namespace kelvarin
