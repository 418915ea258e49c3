// A stand-in for the main window around the script page: holds the document, the
// settings and scripted prompts, and records what the page asks of the shell.
#pragma once

#include <QApplication>
#include <QStringList>

#include "app/core/settings.h"
#include "app/ui/shellservices.h"
#include "mob/tmob.h"
#include "support/scriptedprompts.h"

namespace kelvarin {

class TScriptFakeShell : public TShellServices {
 public:
  TMob mob;
  TSettings settings;
  TScriptedPrompts prompts;
  bool opened = true;
  bool modified = false;
  int modifiedCalls = 0;
  QStringList log;
  int logPageShown = 0;

  TMob& Mob() override { return mob; }
  bool MobOpened() const override { return opened; }
  QString CurMobFile() const override { return {}; }
  void SetModified() override {
    modified = true;
    ++modifiedCalls;
  }
  void AppendLog(const QString& text) override { log << text; }
  void ShowLogPage() override { ++logPageShown; }
  void ShowStatusMessage(const QString&) override {}
  bool IsActivePage(const QWidget*) const override { return true; }
  TPrompts& Prompts() override { return prompts; }
  TSettings& Settings() override { return settings; }
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
  static char name[] = "script_ui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace kelvarin
