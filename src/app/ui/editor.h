// The running editor: program state, prompts and main window, built in start-up
// order. The editor executable and the screenshot tool both build it here, so the
// pages are plugged in at one place (InstallPages).
#pragma once

#include <QApplication>
#include <QIcon>
#include <QString>
#include <memory>
#include <string>

#include "program/appstate.h"
#include "app/ui/qtprompts.h"

namespace kelvarin {

class TMainF;
class TRecoveryGuard;

// The application object: an exception that escapes an event handler is shown in
// the standard error box and the program goes on.
class TKelvarinApplication : public QApplication {
 public:
  TKelvarinApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

class TEditor {
 public:
  // `exePath`: the program's folder. Kelvarin.ini lies there, or in the user's
  // configuration folder when the program is installed (ChooseSettingsLocation).
  // `startupFile`: opened once the window is shown; a null string opens nothing.
  // `recoveryRoot`: where the recovery journals lie (DefaultRecoveryRoot()).
  TEditor(std::string exePath, const QString& startupFile, std::string recoveryRoot);
  ~TEditor();

  TMainF& Window() { return *m_window; }
  TAppState& State() { return m_state; }
  // After the message loop: the settings are written once more.
  void ShutDown();

 private:
  TAppState m_state;
  TQtPrompts m_prompts;
  std::unique_ptr<TMainF> m_window;
  // After the window: it goes first, while the window it reads the script from is whole.
  std::unique_ptr<TRecoveryGuard> m_recovery;
};

// Puts the pages into their sheets: the script page at once, the others once the
// window has shown its first picture (TMainF::AddPageLater).
void InstallPages(TMainF& window);

// The program's icon in every size it is drawn in.
QIcon ProgramIcon();

// Loads Qt's own Russian texts (standard buttons, file dialogs) into the running
// application; false when they are not installed.
bool InstallQtTranslations();

// Shows an error that ended a command or the start-up.
void ShowStandardError(const QString& text);

}  // namespace kelvarin
