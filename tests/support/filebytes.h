// A whole file read or written in one call, for tests that state or check the
// exact bytes on disk.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace kelvarin::test {

// The file's bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
Bytes ReadFileImage(const std::string& path);
// Replaces the file's content with `bytes`; false when it cannot be written.
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace kelvarin::test
