// The rule for bytes that replace an unknown block or an unknown object sub-block:
// the file holds exactly one block, framed as the one it replaces (the same type),
// whose size field equals the file's length. Anything else is refused with a
// message that says what is wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/bytes.h"

namespace kelvarin {

class TFileSystem;

struct TReplaceRefusal {
  enum class Reason { TooShort, OtherType, SizeMismatch } reason = Reason::TooShort;
  std::uint32_t expectedType = 0;
  std::uint32_t foundType = 0;
  std::uint64_t sizeField = 0;
  std::uint64_t fileLength = 0;
};

// nullopt when `replacement` may take the place of `current` (a whole block, its
// header included).
std::optional<TReplaceRefusal> CheckReplacementBlock(const Bytes& current, const Bytes& replacement);

// The refusal as the user reads it (UTF-8): what the file holds and what it must.
std::string ReplaceRefusalText(const TReplaceRefusal& refusal);

// The bytes of the file `path` that is to replace a block. A path that names no
// regular file, and a file too long to be one block (its size field has 32 bits),
// are refused before a byte is read. nullopt with `error` (UTF-8, for a message
// box) when the file cannot be had.
std::optional<Bytes> ReadBlockFile(TFileSystem& fs, const std::string& path, std::string& error);

// Writes an exported block to `path` as every whole file is written (the old file
// survives a failure). Empty on success, otherwise what went wrong (UTF-8).
std::string WriteBlockFile(TFileSystem& fs, const std::string& path, const Bytes& bytes);

// "0x0000B000": a type as the block table shows it.
std::string BlockTypeHex(std::uint32_t type);

}  // namespace kelvarin
