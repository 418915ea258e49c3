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

std::string NotRegularFileLine(const std::string& path, FileKind kind) {
  return "Файл " + path + " - это не обычный файл, а " + KindName(kind) +
         ": такой файл не читается и не перезаписывается.";
}

std::string InPlaceLine(const std::string& path) {
  return "В папку файла " + path +
         " нельзя записать новый файл, поэтому он перезаписан на месте: это сохранение не "
         "атомарное.";
}

std::string InPlaceFailedLine(const std::string& path) {
  return "Файл " + path +
         " перезаписывался на месте и мог испортиться. Моб остался в памяти - сохраните его на "
         "другое имя.";
}

}  // namespace kelvarin
