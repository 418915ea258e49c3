// An identity as the user or a script writes it: a decimal number, a minus sign
// allowed. Identities are 32-bit values compared as such, so both 4294967295 and
// -1 name the same one, and the high range (1000000000 and above) is written as
// it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvarin {

// nullopt for anything but digits after an optional "-", and for numbers that
// 32 bits cannot hold.
inline std::optional<std::int32_t> ParseIdentityText(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + std::uint64_t(c - '0');
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return std::int32_t(-std::int64_t(value));
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return std::int32_t(std::uint32_t(value));
}

}  // namespace kelvarin
