// The log lines that tell why a file could not be read or written. Loads, saves
// and backups all use them, so the user meets one wording everywhere.
#pragma once

#include <string>

#include "common/filesystem.h"

namespace kelvarin {

// "Причина: " + the system's message + " (" + the errno name + ")."
std::string ReasonLine(int err);
// A file that another program changed (or asked to write into) while a document
// was read from it.
std::string ChangedWhileReadLine();
// A path that is there but is no regular file: it is neither read nor replaced.
std::string NotRegularFileLine(const std::string& path, FileKind kind);
// A file overwritten where it lies, because its folder takes no new file.
std::string InPlaceLine(const std::string& path);
// What a failed write left of a file whose folder takes no new file (not
// overwritten, put back as it was, or damaged and where its old bytes are); empty
// when the folder was not the trouble.
std::string InPlaceFailureLine(const TWriteResult& result);
// Why a whole file was not written: the refusal of a target that is no regular
// file, or the reason followed by what a failed overwrite in place left.
std::string WriteFailureText(const TWriteResult& result);

}  // namespace kelvarin
