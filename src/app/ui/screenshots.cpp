// kelvarin-screenshots ZONE.mob OUTDIR: starts the editor as the user would (on a
// temporary program folder, so no settings are touched), opens the zone, and
// saves a picture of every page, the settings dialog and the About box.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/ui/editor.h"
#include "app/ui/mainf.h"
#include "app/ui/settsf.h"
#include "common/qt/qtext.h"
#include "version/ui/aboutf.h"

using namespace kelvarin;
using namespace Qt::StringLiterals;

namespace {

bool Save(QWidget& widget, const QDir& out, const QString& name) {
  QTest::qWait(300);  // let the views (the 3D one too) draw
  const QString path = out.filePath(name + u".png"_s);
  if (!widget.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  TKelvarinApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: kelvarin-screenshots ZONE.mob OUTDIR\n");
    return 2;
  }
  QTemporaryDir programFolder;
  QDir out(args[2]);
  out.mkpath(u"."_s);

  TEditor editor(ToUtf8(programFolder.path()), QFileInfo(args[1]).absoluteFilePath(),
                 ToUtf8(programFolder.path()) + "/recovery");
  TMainF& window = editor.Window();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  QElapsedTimer waited;
  waited.start();
  while (!window.MobOpened() && waited.elapsed() < 20000) QTest::qWait(50);
  if (!window.MobOpened()) {
    std::fprintf(stderr, "the zone did not open\n");
    return 1;
  }

  const char* names[] = {"1-script", "2-blocks", "3-objects", "4-diplomacy", "5-mass-changes", "6-log"};
  bool ok = true;
  QTabWidget* pages = window.Pages();
  for (int i = 0; i < pages->count() && i < 6; ++i) {
    pages->setCurrentIndex(i);
    ok = Save(window, out, QString::fromLatin1(names[i])) && ok;
  }

  TSettsF settings(editor.State().Settings, window.Prompts(), nullptr, &window);
  settings.show();
  ok = Save(settings, out, u"7-settings"_s) && ok;
  settings.close();
  TAboutF about(editor.State().VerInfo, QString(), nullptr, &window);
  about.show();
  ok = Save(about, out, u"8-about"_s) && ok;
  about.close();
  return ok ? 0 : 1;
}
