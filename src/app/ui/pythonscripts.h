// Сервис ▸ "Выполнить сценарий Python...": a Python script run against the open
// document, bound as kelvarin.document, as one step of the record history. The run
// holds the busy lock and runs on the interpreter's thread while the window shows
// its output line by line; Escape or the "Прервать" button interrupts it. Python
// itself is loaded only when the first script runs (app/core/scriptmodule.h).
#pragma once

#include <QObject>
#include <QString>

#include "app/core/scriptmodule.h"
#include "document/documentsession.h"

class QAction;
class QMenu;
class QPushButton;
class QStatusBar;

namespace kelvarin {

class TShellServices;

class TPythonScripts : public QObject, private TDocumentListener {
  Q_OBJECT
 public:
  // Adds the item and the recent scripts to `menu`, the interrupt button to
  // `statusBar`.
  TPythonScripts(TShellServices& shell, QMenu* menu, QStatusBar* statusBar, QObject* parent);
  ~TPythonScripts() override;

  // Runs the script at `path` on the open document, as the menu item does once a
  // file is chosen; true when the script ended normally (whether or not it
  // changed anything).
  bool RunScript(const QString& path);
  bool Running() const { return m_running; }
  // Interrupts the running script (Escape, the button).
  void Interrupt();
  // Where Python and the module are looked for; tests point it elsewhere.
  void SetModulePlace(TScriptModulePlace place) { m_place = std::move(place); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RunMenuClick();
  void RefreshRecentMenu();
  void NoteRecentScript(const std::string& path);
  void UpdateItems();
  bool LoadRunner();
  // TDocumentListener
  void DocumentOpened() override { UpdateItems(); }
  void DocumentClosed() override { UpdateItems(); }
  void BusyChanged(bool) override { UpdateItems(); }

  TShellServices& m_shell;
  TDocumentSession& m_session;
  TScriptModulePlace m_place = ScriptModulePlace();
  TScriptRunner* m_runner = nullptr;
  QString m_missing;  // what a failed load found missing
  bool m_running = false;
  QAction* m_runItem = nullptr;
  QMenu* m_recentMenu = nullptr;
  QPushButton* m_interruptButton = nullptr;
};

}  // namespace kelvarin
