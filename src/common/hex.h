#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace kelvarin {

// Lowercase hexadecimal text of raw bytes, two digits a byte, no separators.
std::string ToHex(const std::uint8_t* data, std::size_t size);
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

// Accepts upper- and lowercase digits; nullopt for an odd length or a non-digit.
std::optional<Bytes> FromHex(std::string_view text);

}  // namespace kelvarin
