#include "common/qt/qtext.h"

#include <QLocale>

#include "common/cp1251.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

QString FromCp1251(std::string_view bytes) {
  QString out;
  out.reserve(qsizetype(bytes.size()));
  for (char c : bytes) out.append(QChar(char16_t(Cp1251ToUnicode(static_cast<unsigned char>(c)))));
  return out;
}

std::optional<std::string> ToCp1251(const QString& text, qsizetype* badIndex) {
  std::string out;
  out.reserve(std::size_t(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    const int b = UnicodeToCp1251(u);
    if (b < 0) {  // includes surrogates: nothing outside the BMP is in 1251
      if (badIndex) *badIndex = i;
      return std::nullopt;
    }
    out.push_back(char(b));
  }
  return out;
}

char LocaleDecimalSeparator() {
  const QString sep = QLocale::system().decimalPoint();
  return sep == u","_s ? ',' : '.';
}

}  // namespace kelvarin
