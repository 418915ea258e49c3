// What the editor's command line asks for. It is read before the application object
// exists, so asking for help or the version needs no display, and a mistyped option
// is refused instead of being taken for a file name.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvarin {

struct TCommandLine {
  enum class TAction { Run, Help, Version, Refuse };
  TAction Action = TAction::Run;
  // Run: the file to open once the window is up (bytes as given), when one was given.
  std::optional<std::string> StartupFile;
  // Refuse: what was wrong, one line without the program name.
  std::string Problem;
};

// `args` are the arguments after the program name, as given. Every argument that
// starts with "-" is an option; a file whose name starts with "-" is given as
// "./-name". The first file is opened; further files are ignored.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text of --help; `program` is the name the program was started by.
std::string UsageText(const std::string& program);
// The text of --version.
std::string VersionText();

// Exit codes of a run that ends on the command line.
inline constexpr int kExitHelp = 0;
inline constexpr int kExitBadCommandLine = 2;

}  // namespace kelvarin
