#include "app/core/commandline.h"

#include "program/appinfo.h"
#include "version/core/programversion.h"
#include "version/core/verinfotxtformat.h"

namespace kelvarin {

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  for (const std::string& arg : args) {
    if (arg == "-h" || arg == "--help") {
      line.Action = TCommandLine::TAction::Help;
      return line;
    }
    if (arg == "--version") {
      line.Action = TCommandLine::TAction::Version;
      return line;
    }
  }
  for (const std::string& arg : args) {
    if (arg.starts_with('-')) {
      line.Action = TCommandLine::TAction::Refuse;
      line.Problem = "неизвестный параметр \"" + arg + "\"";
      return line;
    }
    if (!line.StartupFile) line.StartupFile = arg;
  }
  return line;
}

std::string UsageText(const std::string& program) {
  return "Использование: " + program + " [ФАЙЛ.mob]\n" + ProgramName +
         " — редактор файлов зон (.mob).\n"
         "\n"
         "  ФАЙЛ.mob     открыть этот файл при запуске; имя, начинающееся с \"-\",\n"
         "               задаётся как ./-имя\n"
         "  -h, --help   показать эту справку и выйти\n"
         "  --version    показать версию программы и выйти\n";
}

std::string VersionText() {
  TVerInfoTxtFormat verInfo;
  SetProgramVersion(verInfo);
  return std::string(ProgramName) + " " + verInfo.GenerateDotsVersionString() + "\n";
}

}  // namespace kelvarin
