// The log lines that tell why a file could not be read or written. Loads, saves
// and backups all use them, so the user meets one wording everywhere.
#pragma once

#include <string>

#include "common/filesystem.h"

namespace kelvarin {

// "Причина: " + the system's message + " (" + the errno name + ")."
std::string ReasonLine(int err);
// A path that is there but is no regular file: it is neither read nor replaced.
std::string NotRegularFileLine(const std::string& path, FileKind kind);
// A file overwritten where it lies, because its folder takes no new file.
std::string InPlaceLine(const std::string& path);
// An overwrite in place that failed half-way.
std::string InPlaceFailedLine(const std::string& path);

}  // namespace kelvarin
