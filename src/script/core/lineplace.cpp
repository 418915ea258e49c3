#include "script/core/lineplace.h"

#include <charconv>

namespace kelvarin {
namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<long> Number(std::string_view text) {
  text = Trimmed(text);
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1) return std::nullopt;
  return value;
}

}  // namespace

std::optional<TLinePlace> ParseLinePlace(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::optional<long> line = Number(text.substr(0, colon));
  if (!line) return std::nullopt;
  if (colon == std::string_view::npos) return TLinePlace{*line, 0};
  const std::optional<long> column = Number(text.substr(colon + 1));
  if (!column) return std::nullopt;
  return TLinePlace{*line, *column};
}

}  // namespace kelvarin
