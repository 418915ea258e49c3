#include "shell/conversionerror.h"

#include "shell/prompts.h"
#include "common/textchecks.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

void ShowConversionError(TPrompts& prompts, const QString& message) {
  prompts.ShowMessage(message, TPrompts::Icon::Error);
}

std::optional<int> StrToIntOrReport(TPrompts& prompts, const QString& text) {
  // Only digits and "-" pass the check, so the UTF-8 bytes serve it.
  const QByteArray utf8 = text.trimmed().toUtf8();
  const std::string_view view(utf8.constData(), std::size_t(utf8.size()));
  if (CheckStrInt(view))
    if (const auto value = ConvertInt32(view)) return *value;
  ShowConversionError(prompts, u"«%1» — недопустимое целое число."_s.arg(text));
  return std::nullopt;
}

}  // namespace kelvarin
