#include "mob/filelog.h"

namespace kelvarin {
namespace {

const char* KindName(FileKind kind) {
  switch (kind) {
    case FileKind::Directory: return "папка";
    case FileKind::CharDevice: return "символьное устройство";
    case FileKind::BlockDevice: return "блочное устройство";
    case FileKind::Fifo: return "именованный канал (FIFO)";
    case FileKind::Socket: return "сокет";
    case FileKind::LinkLoop: return "символьная ссылка, которая ведет по кругу";
    case FileKind::Missing:
    case FileKind::Regular: break;
  }
  return "неизвестно что";
}

}  // namespace

std::string ReasonLine(int err) { return "Причина: " + SystemErrorText(err) + "."; }

std::string ChangedWhileReadLine() { return "Причина: файл изменила другая программа, пока моб читался из него."; }

std::string NotRegularFileLine(const std::string& path, FileKind kind) {
  return "Файл " + path + " - это не обычный файл, а " + KindName(kind) +
         ": такой файл не читается и не перезаписывается.";
}

std::string InPlaceLine(const std::string& path) {
  return "В папку файла " + path +
         " нельзя записать новый файл, поэтому он перезаписан на месте: это сохранение не "
         "атомарное.";
}

std::string InPlaceFailureLine(const TWriteResult& result) {
  const std::string file = "Файл " + result.target;
  switch (result.inPlace) {
    case InPlace::NotAllowed:
      return "В папку файла " + result.target +
             " нельзя записать новый файл, а перезаписывать файл на месте не разрешено: файл не тронут.";
    case InPlace::Untouched:
      return "В папку файла " + result.target +
             " нельзя записать новый файл, а перезаписать его на месте не удалось: файл не тронут.";
    case InPlace::Restored:
      return file + " перезаписывался на месте, запись не удалась - прежнее содержимое файла восстановлено.";
    case InPlace::OldBytesKept:
      return file + " перезаписывался на месте и мог испортиться. Его прежнее содержимое сохранено в файле " +
             result.keptCopy + " .";
    case InPlace::OldBytesLost:
      return file + " перезаписывался на месте и мог испортиться, а вернуть его прежнее содержимое не удалось.";
    case InPlace::No:
    case InPlace::Written: break;
  }
  return {};
}

std::string WriteFailureText(const TWriteResult& result) {
  if (result.status == TWriteResult::Status::Refused) return NotRegularFileLine(result.target, result.kind);
  std::string text = ReasonLine(result.error);
  if (const std::string line = InPlaceFailureLine(result); !line.empty()) text += " " + line;
  return text;
}

}  // namespace kelvarin
