#include "script/ui/textsearch.h"

#include <algorithm>
#include <cstring>

namespace kelvarin {
namespace {

std::size_t Utf8Length(QStringView text) {
  std::size_t bytes = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (u < 0x80) {
      bytes += 1;
    } else if (u < 0x800) {
      bytes += 2;
    } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
      bytes += 4;
      ++i;
    } else {
      bytes += 3;
    }
  }
  return bytes;
}

unsigned char AsciiFold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 0x20 : c; }

// An ASCII needle matches ASCII bytes only, and no byte of a multi-byte UTF-8
// character is ASCII: the bytes can be compared in place, without decoding.
void FindAscii(std::string_view text, std::size_t from, const std::string& needle, std::size_t limit,
               std::vector<TTextMatch>& out) {
  const auto* h = reinterpret_cast<const unsigned char*>(text.data());
  const auto* n = reinterpret_cast<const unsigned char*>(needle.data());
  const std::size_t m = needle.size();
  const unsigned char lower = AsciiFold(n[0]);
  const unsigned char upper = lower >= 'a' && lower <= 'z' ? lower - 0x20 : lower;
  if (text.size() < m) return;
  const std::size_t starts = text.size() - m + 1;  // positions a match can start at
  // The next position of each case of the first letter, looked up again only once
  // passed, so that a case that never occurs is searched for once.
  auto next = [&](unsigned char c, std::size_t at) -> const unsigned char* {
    return at < starts ? static_cast<const unsigned char*>(std::memchr(h + at, c, starts - at)) : nullptr;
  };
  const unsigned char* nextLower = next(lower, from);
  const unsigned char* nextUpper = upper == lower ? nullptr : next(upper, from);
  for (std::size_t i = from; out.size() < limit;) {
    if (nextLower && nextLower < h + i) nextLower = next(lower, i);
    if (nextUpper && nextUpper < h + i) nextUpper = next(upper, i);
    if (!nextLower && !nextUpper) return;
    const unsigned char* p = !nextLower ? nextUpper : !nextUpper ? nextLower : std::min(nextLower, nextUpper);
    i = std::size_t(p - h);
    std::size_t k = 1;
    while (k < m && AsciiFold(h[i + k]) == AsciiFold(n[k])) ++k;
    if (k == m) {
      out.push_back({i, i + m});
      i += m;
    } else {
      ++i;
    }
  }
}

void FindUnicode(std::string_view text, std::size_t from, const QString& needle, std::size_t limit,
                 std::vector<TTextMatch>& out) {
  const QString rest = QString::fromUtf8(text.data() + from, qsizetype(text.size() - from));
  // Offsets advance together through the text: UTF-16 index and UTF-8 byte.
  qsizetype index = 0;
  std::size_t byte = from;
  for (qsizetype at = rest.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0 && out.size() < limit;
       at = rest.indexOf(needle, at + needle.size(), Qt::CaseInsensitive)) {
    byte += Utf8Length(QStringView(rest).mid(index, at - index));
    const std::size_t end = byte + Utf8Length(QStringView(rest).mid(at, needle.size()));
    out.push_back({byte, end});
    index = at + needle.size();
    byte = end;
  }
}

}  // namespace

std::vector<TTextMatch> FindAllIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle,
                                            std::size_t limit) {
  std::vector<TTextMatch> out;
  if (needle.isEmpty() || from >= utf8.size() || limit == 0) return out;
  const bool ascii = std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 0x80; });
  if (ascii)
    FindAscii(utf8, from, needle.toStdString(), limit, out);
  else
    FindUnicode(utf8, from, needle, limit, out);
  return out;
}

std::optional<TTextMatch> FindIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle) {
  std::vector<TTextMatch> first = FindAllIgnoringCase(utf8, from, needle, 1);
  if (first.empty()) return std::nullopt;
  return first.front();
}

}  // namespace kelvarin
