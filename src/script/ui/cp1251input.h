// Typed text that has to be kept in code page 1251.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace kelvarin {

class TPrompts;

// The text in code page 1251, or nullopt after an error box that names the first
// character 1251 cannot hold.
std::optional<std::string> Cp1251OrRefuse(const QString& text, TPrompts& prompts);

// "«☺» (U+263A)": a character for a message.
QString DescribeCharacter(char32_t codePoint);

}  // namespace kelvarin
