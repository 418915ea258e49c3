#include "blocks/core/blockreplace.h"

#include <filesystem>
#include <limits>

#include "common/filesystem.h"
#include "mob/filelog.h"

namespace kelvarin {

std::optional<TReplaceRefusal> CheckReplacementBlock(const Bytes& current, const Bytes& replacement) {
  TReplaceRefusal refusal;
  refusal.expectedType = current.size() >= 4 ? ReadU32(current.data()) : 0;
  refusal.fileLength = replacement.size();
  if (replacement.size() < 8) return refusal;
  refusal.foundType = ReadU32(replacement.data());
  refusal.sizeField = ReadU32(replacement.data() + 4);
  if (refusal.foundType != refusal.expectedType) {
    refusal.reason = TReplaceRefusal::Reason::OtherType;
    return refusal;
  }
  // A size field equal to the length frames exactly one block: nothing before or
  // after it, no second block, nothing cut off.
  if (refusal.sizeField != refusal.fileLength) {
    refusal.reason = TReplaceRefusal::Reason::SizeMismatch;
    return refusal;
  }
  return std::nullopt;
}

std::optional<Bytes> ReadBlockFile(TFileSystem& fs, const std::string& path, std::string& error) {
  const FileKind kind = fs.KindOf(path);
  if (kind != FileKind::Regular) {
    error = kind == FileKind::Missing ? "Файл " + path + " не найден." : NotRegularFileLine(path, kind);
    return std::nullopt;
  }
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(path, ec);
  if (!ec && length > std::numeric_limits<std::uint32_t>::max()) {
    error = "Файл " + path + " длиной " + std::to_string(length) +
            " байт не может быть одним блоком: размер блока не бывает больше 4294967295 байт.";
    return std::nullopt;
  }
  Bytes bytes;
  int err = 0;
  if (!fs.ReadAll(path, bytes, err)) {
    error = "Не удалось прочитать файл " + path + ". " + ReasonLine(err);
    return std::nullopt;
  }
  return bytes;
}

std::string WriteBlockFile(TFileSystem& fs, const std::string& path, const Bytes& bytes) {
  const TWriteResult result = WriteFileAtomically(fs, path, bytes);
  switch (result.status) {
    case TWriteResult::Status::Written: return {};
    case TWriteResult::Status::Refused: return WriteFailureText(result);
    case TWriteResult::Status::Failed: break;
  }
  return "Не удалось записать блок в файл " + path + ". " + WriteFailureText(result);
}

std::string BlockTypeHex(std::uint32_t type) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x00000000";
  for (int i = 9; i >= 2; --i, type >>= 4) text[std::size_t(i)] = kDigits[type & 15];
  return text;
}

std::string ReplaceRefusalText(const TReplaceRefusal& r) {
  const std::string length = std::to_string(r.fileLength);
  switch (r.reason) {
    case TReplaceRefusal::Reason::TooShort:
      return "В файле нет блока: его длина " + length +
             " байт, а один заголовок блока занимает 8 байт.";
    case TReplaceRefusal::Reason::OtherType:
      return "В файле блок типа " + BlockTypeHex(r.foundType) + " (" + std::to_string(r.foundType) +
             "), а заменить можно только блоком того же типа " + BlockTypeHex(r.expectedType) +
             " (" + std::to_string(r.expectedType) + ").";
    case TReplaceRefusal::Reason::SizeMismatch:
      return "Размер блока в его заголовке (" + std::to_string(r.sizeField) +
             " байт) не равен длине файла (" + length +
             " байт): файл должен содержать ровно один блок вместе с его 8-байтовым заголовком.";
  }
  return {};
}

}  // namespace kelvarin
