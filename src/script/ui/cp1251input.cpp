#include "script/ui/cp1251input.h"

#include "shell/prompts.h"
#include "common/qt/qtext.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

QString DescribeCharacter(char32_t codePoint) {
  const QString hex = QString::number(uint(codePoint), 16).toUpper().rightJustified(4, u'0');
  return u"«%1» (U+%2)"_s.arg(QString::fromUcs4(&codePoint, 1), hex);
}

std::optional<std::string> Cp1251OrRefuse(const QString& text, TPrompts& prompts) {
  qsizetype bad = 0;
  std::optional<std::string> bytes = ToCp1251(text, &bad);
  if (!bytes) {
    const char32_t codePoint = text.at(bad).isHighSurrogate() && bad + 1 < text.size()
                                   ? QChar::surrogateToUcs4(text.at(bad), text.at(bad + 1))
                                   : char32_t(text.at(bad).unicode());
    prompts.ShowMessage(u"Символ %1 нельзя записать в кодировке 1251."_s.arg(DescribeCharacter(codePoint)),
                        TPrompts::Icon::Error);
  }
  return bytes;
}

}  // namespace kelvarin
