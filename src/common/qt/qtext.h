// The UI boundary for text: the core keeps code page 1251 bytes, widgets show
// QString. Nothing that 1251 cannot hold is ever replaced silently.
#pragma once

#include <QChar>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

QString FromCp1251(std::string_view bytes);

// nullopt when `text` holds a character code page 1251 cannot hold; `badIndex`
// then receives its index in `text` (UTF-16 units).
std::optional<std::string> ToCp1251(const QString& text, qsizetype* badIndex = nullptr);

// UTF-8 texts of the core (log lines, file names).
inline QString FromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
inline std::string ToUtf8(const QString& s) { return s.toStdString(); }

// The decimal separator of the user's locale ('.' or ',').
char LocaleDecimalSeparator();

}  // namespace kelvarin
