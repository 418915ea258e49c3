// kelvarin: the editor for .mob map-zone files. The first command-line argument
// is a file to open; further files are ignored. --help and --version answer
// before the application object exists, so they need no display.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/core/commandline.h"
#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "common/qt/qtext.h"
#include "recovery/ui/recoveryguard.h"

int main(int argc, char** argv) {
  using namespace kelvarin;
  using namespace Qt::StringLiterals;
  const std::string program = argc > 0 ? QFileInfo(QFile::decodeName(argv[0])).fileName().toStdString()
                                       : std::string("kelvarin");
  const TCommandLine line = ParseCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
  switch (line.Action) {
    case TCommandLine::TAction::Help:
      std::fputs(UsageText(program).c_str(), stdout);
      return kExitHelp;
    case TCommandLine::TAction::Version:
      std::fputs(VersionText().c_str(), stdout);
      return kExitHelp;
    case TCommandLine::TAction::Refuse:
      std::fprintf(stderr, "%s: %s\n\n%s", program.c_str(), line.Problem.c_str(), UsageText(program).c_str());
      return kExitBadCommandLine;
    case TCommandLine::TAction::Run:
      break;
  }

  TKelvarinApplication app(argc, argv);
  try {
    QString startupFile;
    if (line.StartupFile) {
      const QString given = QFile::decodeName(line.StartupFile->c_str());
      startupFile = given.isEmpty() ? u""_s : QFileInfo(given).absoluteFilePath();
    }
    TEditor editor(ToUtf8(QCoreApplication::applicationDirPath()), startupFile, DefaultRecoveryRoot());
    editor.Window().show();
    const int rc = app.exec();
    editor.ShutDown();
    return rc;
  } catch (const std::exception& e) {
    ShowStandardError(FromUtf8(e.what()));
    return 1;
  }
}
