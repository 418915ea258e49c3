#include "common/cp1251.h"

#include <array>
#include <cstdint>

namespace kelvarin {
namespace {

// Upper half of code page 1251. 0x98 has no character in 1251; it maps to the C1
// control U+0098 so that every byte has an image and the mapping stays reversible.
constexpr std::array<char16_t, 64> kHigh80 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | (cp >> 6)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xE0 | (cp >> 12)));
    out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is malformed.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t len;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

char32_t Cp1251ToUnicode(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return char32_t(0x0410 + (byte - 0xC0));
  return kHigh80[byte - 0x80];
}

int UnicodeToCp1251(char32_t cp) {
  if (cp < 0x80) return int(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return int(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < kHigh80.size(); ++i)
    if (kHigh80[i] == cp) return int(0x80 + i);
  return -1;
}

unsigned char Cp1251FoldCase(unsigned char byte) {
  static const std::array<unsigned char, 256> kFold = [] {
    std::array<unsigned char, 256> fold{};
    for (int b = 0; b < 256; ++b) {
      char32_t cp = Cp1251ToUnicode(static_cast<unsigned char>(b));
      if (cp >= U'A' && cp <= U'Z') cp += 0x20;
      else if (cp >= 0x0410 && cp <= 0x042F) cp += 0x20;  // А-Я
      else if (cp >= 0x0400 && cp <= 0x040F) cp += 0x50;  // Ё, Ђ, Є, Ї, ...
      else if (cp == 0x0490) cp = 0x0491;                 // Ґ
      const int small = UnicodeToCp1251(cp);
      fold[std::size_t(b)] = static_cast<unsigned char>(small >= 0 ? small : b);
    }
    return fold;
  }();
  return kFold[byte];
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> Utf8ToCp1251(std::string_view utf8, TCp1251Error* error) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {  // fast path for ASCII
      out.push_back(char(b));
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8(utf8, i, cp);
    const int byte = len ? UnicodeToCp1251(cp) : -1;
    if (byte < 0) {
      if (error) *error = TCp1251Error{i, len ? cp : char32_t(0xFFFD), len == 0};
      return std::nullopt;
    }
    out.push_back(char(byte));
    i += len;
  }
  return out;
}

}  // namespace kelvarin
