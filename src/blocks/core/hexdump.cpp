#include "blocks/core/hexdump.h"

#include <algorithm>

namespace kelvarin {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

bool ShowsNothing(std::uint8_t byte) {
  return byte < 0x20 || byte == 0x7F || byte == 0x98 || byte == 0xA0 || byte == 0xAD;
}

}  // namespace

std::size_t HexDumpLineCount(std::size_t size) {
  return (size + kHexDumpBytesPerLine - 1) / kHexDumpBytesPerLine;
}

std::span<const std::uint8_t> HexDumpLineBytes(std::span<const std::uint8_t> data, std::size_t line) {
  const std::size_t start = line * kHexDumpBytesPerLine;
  if (start >= data.size()) return {};
  return data.subspan(start, std::min(kHexDumpBytesPerLine, data.size() - start));
}

std::string HexDumpOffsetText(std::uint64_t offset) {
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, offset >>= 4) text[std::size_t(i)] = kDigits[offset & 15];
  return text;
}

std::string HexDumpBytesText(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string HexDumpCharsText(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::uint8_t byte : bytes) text += ShowsNothing(byte) ? '.' : char(byte);
  return text;
}

std::string HexDumpLine(std::span<const std::uint8_t> data, std::size_t line) {
  const auto bytes = HexDumpLineBytes(data, line);
  std::string hex = HexDumpBytesText(bytes);
  hex.resize(kHexDumpBytesPerLine * 3 - 1, ' ');
  return HexDumpOffsetText(std::uint64_t(line) * kHexDumpBytesPerLine) + "  " + hex + "  " +
         HexDumpCharsText(bytes);
}

std::string HexDumpText(std::span<const std::uint8_t> data) {
  std::string text;
  for (std::size_t line = 0, count = HexDumpLineCount(data.size()); line < count; ++line) {
    text += HexDumpLine(data, line);
    text += '\n';
  }
  return text;
}

}  // namespace kelvarin
