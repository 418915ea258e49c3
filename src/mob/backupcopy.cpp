#include "mob/backupcopy.h"

#include <cerrno>

#include "common/filesystem.h"
#include "mob/filelog.h"

namespace kelvarin {
namespace {

std::string WrittenFileOf(const std::string& path) { return ResolveSaveTarget(Files(), path).path; }

}  // namespace

std::string ManualBackupPath(const std::string& path) { return WrittenFileOf(path) + ".bak.mob"; }

std::string AutoBackupPath(const std::string& path) { return WrittenFileOf(path) + ".auto.bak.mob"; }

TBackupReport CopyToBackup(const std::string& path, const std::string& target, bool overwrite) {
  TBackupReport report;
  auto& lines = report.lines;
  lines.push_back("------------------------------");
  const std::string failed = "Сделать бекап в файл " + target + " не удалось!";
  TFileSystem& fs = Files();
  const FileKind sourceKind = fs.KindOf(path);
  if (sourceKind != FileKind::Regular) {
    lines.push_back(failed);
    lines.push_back(sourceKind == FileKind::Missing ? ReasonLine(ENOENT)
                                                    : NotRegularFileLine(path, sourceKind));
  } else if (!overwrite && fs.Exists(target)) {
    lines.push_back(failed);
    lines.push_back(ReasonLine(EEXIST));
  } else {
    const TWriteResult result = CopyFileAtomically(fs, path, target);
    report.ok = result.ok();
    if (result.ok()) {
      lines.push_back("Успешно сделан бекап в файл " + target);
      if (result.inPlace == InPlace::Written) lines.push_back(InPlaceLine(result.target));
    } else {
      lines.push_back(failed);
      if (result.status == TWriteResult::Status::Refused) {
        lines.push_back(NotRegularFileLine(target, result.kind));
      } else {
        if (const std::string line = InPlaceFailureLine(result); !line.empty()) lines.push_back(line);
        lines.push_back(ReasonLine(result.error));
      }
    }
  }
  lines.push_back("");
  return report;
}

}  // namespace kelvarin
