// File ▸ "Сравнить с файлом...": the differences between the open zone as edited
// and a zone file, as entries of the shared result list. A record's entry leads to
// the record, a script line's to the line of the open zone's script; a block's, or
// a record the file alone holds, leads nowhere.
#pragma once

#include <string>
#include <vector>

#include "program/resultentry.h"
#include "diff/zonediff.h"

namespace kelvarin {

class TMob;

// Read A as the open zone, B as the file.
std::vector<TResultEntry> DiffResultEntries(const TZoneDiff& diff);

struct TFileComparison {
  bool loaded = false;
  std::string log;    // the file's load lines (UTF-8, CR LF) when it could not be read
  std::string title;  // for the list and the status bar
  std::vector<TResultEntry> entries;
};

// Compares `zone` (its records; `editedScript`, its script as the editor holds it)
// with the file at `path` (UTF-8), which is read without being decoded where its
// records equal the zone's.
TFileComparison CompareWithFile(const TMob& zone, const std::string& editedScript, const std::string& path);

}  // namespace kelvarin
