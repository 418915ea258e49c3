// Fixed facts about the program, shown in the window title, the message boxes and
// the About box.
#pragma once

namespace kelvarin {

inline constexpr char ProgramName[] = "Kelvarin";
inline constexpr char IniFileName[] = "Kelvarin.ini";
inline constexpr char ProgramDescription[] =
    "Программа для выполнения различных хитрых операций над мобами";
inline constexpr char CopyrightLine[] = "© 2025 Разработчики Kelvarin";
inline constexpr char AuthorsLine[] = "команда Kelvarin";
inline constexpr char ContactsLine[] = "Вопросы и пожелания: в трекер задач проекта";
inline constexpr char LicenseName[] = "MIT License (лицензия MIT)";
// Both lie beside the executable.
inline constexpr char ReadmeFile[] = "Readme.txt";
inline constexpr char LicenseFile[] = "License.txt";

}  // namespace kelvarin
