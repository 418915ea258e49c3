// The one box for a typed value that does not convert (the settings dialog's
// retry count, for example): an error message captioned with the program name.
// The command that met it is abandoned; dialogs stay open.
#pragma once

#include <QString>
#include <optional>

namespace kelvarin {

class TPrompts;

void ShowConversionError(TPrompts& prompts, const QString& message);

// The 32-bit integer in `text`, or nullopt after the conversion error was shown.
std::optional<int> StrToIntOrReport(TPrompts& prompts, const QString& text);

}  // namespace kelvarin
