// Backup copies of a document's file. A backup lies beside the file that a save
// of the document writes (symbolic links followed), its suffix appended to that
// file's whole name: zone12.mob gives zone12.mob.bak.mob (the manual backup) and
// zone12.mob.auto.bak.mob (the automatic one before each save). A backup is a
// copy of the file on disk, written the way a save writes, so a failing copy
// never damages the previous backup.
#pragma once

#include <string>
#include <vector>

namespace kelvarin {

std::string ManualBackupPath(const std::string& path);
std::string AutoBackupPath(const std::string& path);

struct TBackupReport {
  bool ok = false;
  // The shell's log lines: the separator, the outcome, the reason of a failure,
  // an empty line.
  std::vector<std::string> lines;
};

// Copies the file `path` on disk to `target`; a copy already there is replaced
// only when `overwrite` allows it.
TBackupReport CopyToBackup(const std::string& path, const std::string& target, bool overwrite);

}  // namespace kelvarin
