// kelvarin: the editor for .mob map-zone files. The first command-line argument
// is a file to open; further arguments are ignored.
#include <QFileInfo>
#include <exception>

#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "common/qt/qtext.h"

int main(int argc, char** argv) {
  using namespace kelvarin;
  TKelvarinApplication app(argc, argv);
  try {
    const QStringList args = QCoreApplication::arguments();
    QString startupFile;
    if (args.size() > 1)
      startupFile = args[1].isEmpty() ? args[1] : QFileInfo(args[1]).absoluteFilePath();
    TEditor editor(ToUtf8(QCoreApplication::applicationDirPath()), startupFile);
    editor.Window().show();
    const int rc = app.exec();
    editor.ShutDown();
    return rc;
  } catch (const std::exception& e) {
    ShowStandardError(FromUtf8(e.what()));
    return 1;
  }
}
