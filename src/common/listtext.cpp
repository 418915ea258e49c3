#include "common/listtext.h"

namespace kelvarin {

std::string ListToText(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    text += items[i];
  }
  return text;
}

std::string NormaliseListText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool afterComma = false;
  for (char c : text) {
    if (c == ',') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      out += ',';
      afterComma = true;
    } else if (c == ' ' && afterComma) {
      continue;
    } else {
      out += c;
      afterComma = false;
    }
  }
  return out;
}

std::vector<std::string> TextToList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      return items;
    }
    items.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

}  // namespace kelvarin
