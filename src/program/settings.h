// The program's settings: the values of Kelvarin.ini, one variable per key.
// Strings are code page 1251 bytes as they stand in the file.
#pragma once

#include <string>

#include "program/layoutvalues.h"
#include "program/recentfiles.h"
#include "masschange/core/masschangeopts.h"

namespace kelvarin {

class TIniFile;

struct TSettings {
  bool UseTMobThreads = false;
  int SaveAttempts = 10;
  std::string WorkPath;
  bool MakeAutoBackups = true;
  std::string SearchStr;
  std::string RepStr;
  bool MakeReplace = false;
  // The memory the record history may hold; 0 keeps no history.
  int UndoLimitMB = 256;
  // How long after a change its recovery journal reaches the disk at the latest;
  // 0 keeps no journal.
  int RecoverySeconds = 5;
  MassChangeOpts MassChange;
  TRecentFiles RecentFiles;  // section RecentFiles
  TRecentFiles RecentScripts;  // section RecentScripts: the Python scripts run last
  TLayoutValues Layout;      // section Layout
};

}  // namespace kelvarin
