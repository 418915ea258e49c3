#include "diff/valuetext.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/floattext.h"
#include "common/hex.h"

namespace kelvarin {

std::string FloatValueText(float value) {
  std::string text = FloatToShortText(value, '.');
  if (std::isnan(value) || (value == 0 && std::signbit(value))) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char hex[16];
    std::snprintf(hex, sizeof hex, " (0x%08X)", bits);
    text += hex;
  }
  return text;
}

std::string QuotedText(const std::string& bytes) {
  std::string text = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': text += "\\\""; break;
      case '\\': text += "\\\\"; break;
      case '\n': text += "\\n"; break;
      case '\r': text += "\\r"; break;
      case '\t': text += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
          text += escaped;
        } else {
          text += c;
        }
    }
  }
  return text + "\"";
}

namespace {

template <class T, class Each> std::string ListText(const std::vector<T>& items, Each&& each) {
  std::string text = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ", ";
    text += each(items[i]);
  }
  return text + "]";
}

std::string BytesText(const Bytes& bytes) { return "hex:" + ToHex(bytes); }

}  // namespace

std::string FieldValueText(const TFieldValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::uint8_t> || std::is_same_v<V, std::int32_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<V, float>) {
          return FloatValueText(v);
        } else if constexpr (std::is_same_v<V, std::string>) {
          return QuotedText(v);
        } else if constexpr (std::is_same_v<V, StringList>) {
          return ListText(v, QuotedText);
        } else if constexpr (std::is_same_v<V, Bytes>) {
          return BytesText(v);
        } else if constexpr (std::is_same_v<V, std::vector<Bytes>>) {
          return ListText(v, BytesText);
        } else if constexpr (std::is_same_v<V, std::vector<TTrapPoint3>>) {
          return ListText(v, [](const TTrapPoint3& p) {
            return "(" + std::to_string(p.A) + ", " + std::to_string(p.B) + ", " + std::to_string(p.C) + ")";
          });
        } else {
          return ListText(v, [](const TTrapPoint2& p) {
            return "(" + std::to_string(p.A) + ", " + std::to_string(p.B) + ")";
          });
        }
      },
      value);
}

}  // namespace kelvarin
