#include "support/filebytes.h"

#include <fstream>
#include <iterator>

namespace kelvarin::test {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ReadFileImage(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  return Bytes(bytes.begin(), bytes.end());
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out.flush());
}

bool WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  return WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace kelvarin::test
