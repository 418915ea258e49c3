// Where Kelvarin.ini lives. A copy that runs from a folder of its own (a build tree,
// a portable folder) keeps it beside itself; an installed copy cannot write there,
// so its settings live in the user's configuration folder. The choice depends only
// on the folders, so every start makes the same one.
#pragma once

#include <string>

namespace kelvarin {

struct TSettingsLocation {
  std::string Folder;  // with a trailing separator
  bool BesideProgram = true;
};

// `exePath`: the program's folder; `userConfigPath`: the user's configuration folder
// for this program (empty: there is none to fall back to). Beside the program when a
// Kelvarin.ini already lies there, or when the folder is writable and not under /usr.
TSettingsLocation ChooseSettingsLocation(const std::string& exePath, const std::string& userConfigPath);

// Whether `path` lies in /usr or below it, where the package manager installs.
bool IsUnderUsr(const std::string& path);

}  // namespace kelvarin
