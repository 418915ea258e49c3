// The text of the hex view: sixteen bytes a line, each line an offset, the bytes
// in hexadecimal and the same bytes as code page 1251 characters. Texts are 1251
// bytes (the offset and hex parts are plain ASCII); the UI converts them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelvarin {

inline constexpr std::size_t kHexDumpBytesPerLine = 16;

std::size_t HexDumpLineCount(std::size_t size);

// The bytes of line `line` of `data` (the last line may be shorter).
std::span<const std::uint8_t> HexDumpLineBytes(std::span<const std::uint8_t> data, std::size_t line);

// "0000001F": the offset of a byte from the start of the data, 8 hex digits.
std::string HexDumpOffsetText(std::uint64_t offset);

// "4D 5A 00": uppercase pairs separated by one blank. Also what "copy as hex" copies.
std::string HexDumpBytesText(std::span<const std::uint8_t> bytes);

// The bytes as characters: a byte that shows nothing (control characters, the
// undefined 0x98, the no-break space and the soft hyphen) becomes '.'.
std::string HexDumpCharsText(std::span<const std::uint8_t> bytes);

// One whole line, "00000010  4D 5A ... 00  MZ..", the hex part padded so that the
// character part of a short last line stands where the others do.
std::string HexDumpLine(std::span<const std::uint8_t> data, std::size_t line);

// Every line, each ended by "\n".
std::string HexDumpText(std::span<const std::uint8_t> data);

}  // namespace kelvarin
