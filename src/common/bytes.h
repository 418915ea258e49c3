// Little-endian byte helpers for the binary formats. All file data is handled as
// raw bytes; nothing here assumes the host's byte order or alignment.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t ReadU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

inline std::int32_t ReadI32(const std::uint8_t* p) { return static_cast<std::int32_t>(ReadU32(p)); }

inline float ReadF32(const std::uint8_t* p) {
  std::uint32_t bits = ReadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline void StoreU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
  p[2] = std::uint8_t(v >> 16);
  p[3] = std::uint8_t(v >> 24);
}

// Appends values to a byte buffer. Writers reserve the exact size up front, so
// appending never reallocates on the hot path.
class TByteWriter {
 public:
  explicit TByteWriter(Bytes& out) : m_out(out) {}

  std::size_t Position() const { return m_out.size(); }
  void U8(std::uint8_t v) { m_out.push_back(v); }
  void U32(std::uint32_t v) {
    std::uint8_t b[4];
    StoreU32(b, v);
    m_out.insert(m_out.end(), b, b + 4);
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
  }
  void Raw(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_out.insert(m_out.end(), p, p + n);
  }
  void Raw(std::string_view s) { Raw(s.data(), s.size()); }
  void Raw(const Bytes& b) { Raw(b.data(), b.size()); }
  // Overwrites a 32-bit value written earlier (a size placeholder).
  void PatchU32(std::size_t at, std::uint32_t v) { StoreU32(m_out.data() + at, v); }

 private:
  Bytes& m_out;
};

}  // namespace kelvarin
