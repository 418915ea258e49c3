#include "script/ui/textsearch.h"

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

}  // namespace

std::optional<TTextMatch> FindIgnoringCase(std::string_view utf8, std::size_t from, const QString& needle) {
  if (needle.isEmpty() || from >= utf8.size()) return std::nullopt;
  const QString rest = QString::fromUtf8(utf8.data() + from, qsizetype(utf8.size() - from));
  const qsizetype at = rest.indexOf(needle, 0, Qt::CaseInsensitive);
  if (at < 0) return std::nullopt;
  const std::size_t begin = from + Utf8Length(QStringView(rest).left(at));
  return TTextMatch{begin, begin + Utf8Length(QStringView(rest).mid(at, needle.size()))};
}

}  // namespace kelvarin
