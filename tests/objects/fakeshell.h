// A stand-in for the main window: holds the document, counts SetModified calls,
// records status messages and says whether the Objects page is the active page.
#pragma once

#include <QApplication>
#include <QStringList>
#include <cstdlib>

#include "app/ui/shellservices.h"
#include "mob/tmob.h"

namespace kelvarin {

class FakeShell : public TShellServices {
 public:
  TMob mob;
  bool opened = true;
  bool active = true;
  int modifiedCalls = 0;
  QStringList statusMessages;

  TMob& Mob() override { return mob; }
  bool MobOpened() const override { return opened; }
  QString CurMobFile() const override { return {}; }
  void SetModified() override { ++modifiedCalls; }
  void AppendLog(const QString&) override {}
  void ShowLogPage() override {}
  void ShowStatusMessage(const QString& text) override { statusMessages << text; }
  bool IsActivePage(const QWidget*) const override { return active; }
  // The Objects page asks for none of these.
  TPrompts& Prompts() override { std::abort(); }
  TSettings& Settings() override { std::abort(); }
  void SaveSettings() override {}
  bool OpenMob(const QString&) override { return false; }
  bool SaveMob() override { return false; }
  void MakeAutoBackup(const QString&) override {}
  void LockControls() override {}
  void UnlockControls() override {}
  void SetLockOnLoadSave(bool) override {}
};

// gtest_main makes no application object; widgets need one.
inline void EnsureApplication() {
  if (qApp) return;
  static int argc = 1;
  static char name[] = "objects_ui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace kelvarin
