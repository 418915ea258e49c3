// The main window: six pages, the menus, the log page, the document commands
// (open, save, save as, close, backups) with their prompts, the busy lock and the
// keyboard shortcuts. The pages of other subsystems plug in through the sheets
// and TPageHooks; controls are found by their object names.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/ui/shellservices.h"
#include "mob/tmob.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace kelvarin {

class TAppState;
class TResultsPanel;

class TMainF : public QMainWindow, public TShellServices, public TMobLogView {
  Q_OBJECT
 public:
  // What the shell calls on the pages. Every hook may stay empty while its page
  // is not plugged in.
  struct TPageHooks {
    // Script page. MobToScript shows the document's script after an open and
    // ClearScript empties the editor on close; neither marks the document.
    // ScriptToMob copies the editor into the document before every save and is
    // false (already logged) when the text holds a character code page 1251
    // cannot hold: the save then does not happen.
    std::function<void()> MobToScript;
    std::function<void()> ClearScript;
    std::function<bool()> ScriptToMob;
    // Enables the Edit items (every one the script page adds) when `active` is
    // true and disables them otherwise; see ScriptCommandsActive.
    std::function<void(bool active)> UpdateEditMenu;
    std::function<void()> ShowScriptKeyDialog;  // Ctrl+Shift+Alt+K with a document open
    // A result entry leads into the script: the Script page is already showing.
    std::function<void(const TScriptPlace&)> ShowScriptPlace;
    // A result entry leads to a record: the Objects page is already showing.
    std::function<void(const ObjRef&)> ShowRecord;
    // Objects page.
    std::function<void()> FillObjectsTree;       // after open and close
    std::function<void()> CommitParameterTable;  // before Save / Save as: ValuesEditorExit while focused
    std::function<void()> ReleaseGL;             // the window is closing
    // Mass-change page.
    std::function<void()> MassChangeOptsToPage;  // first showing of the window
    std::function<void()> MassChangePageToOpts;  // the window is closing
    std::function<void()> UpdateParamsEnabling;  // end of UpdateWindowState with a document open
  };

  // The controls the busy lock disables, in the order it walks them.
  static std::span<const char* const> LockList();
  // OpenMob's argument that asks the user for a path.
  static QString AskForPath();

  TMainF(TAppState& app, TPrompts& prompts, QWidget* parent = nullptr);
  ~TMainF() override;

  void SetPageHooks(TPageHooks hooks) { m_hooks = std::move(hooks); }
  // The file opened once the window has been shown (the command-line argument).
  void SetStartupFile(const QString& path) { m_startupFile = path; }
  // How Readme.txt and the licence are shown; the desktop's viewer by default.
  void SetFileOpener(std::function<void(const QString&)> opener) { m_fileOpener = std::move(opener); }

  // The six pages of MainF_PK; a page widget goes into its sheet's layout.
  QWidget* ScriptSheet() const { return ScriptSh; }
  QWidget* ObjectsSheet() const { return ObjectsSh; }
  QWidget* MassChangesSheet() const { return MassChangesSh; }
  QTabWidget* Pages() const { return MainF_PK; }
  QPlainTextEdit* LogView() const { return LogEd; }
  QMenu* EditMenuWidget() const { return EditMenu; }
  TResultsPanel* Results() const { return m_results; }
  QLabel* CaretStatus() const { return m_caretStatus; }

  // ---- document commands
  bool OpenMob(const QString& path) override;  // AskForPath() shows the open dialog
  bool SaveMob() override;
  bool SaveMobAs();
  bool CloseMob();
  void MakeBackup(const QString& path);
  void MakeAutoBackup(const QString& path) override;
  void SetModified() override;
  void ClearModified();
  void UpdateWindowState();
  // The script editor's text into the document; false (and logged) when it holds
  // a character that code page 1251 cannot hold.
  bool ScriptToMob();

  bool MobModified() const { return m_mobModified; }
  bool LockHeld() const { return m_lockDepth > 0; }

  // ---- busy lock and focus memory
  void LockControls() override;
  void UnlockControls() override;
  void SetLockOnLoadSave(bool value) override { m_lockOnLoadSave = value; }
  void FocusLastEditor();
  QWidget* LastEditor() const { return m_lastEditor; }
  // The one rule for the Edit items and the keys that act on the script (F3,
  // Ctrl+R, Ctrl+F): only while the Script page is showing and its editor is the
  // last editor. Keys on other pages never change the script out of sight.
  bool ScriptCommandsActive() const;

  // ---- TShellServices
  TMob& Mob() override;
  bool MobOpened() const override { return m_mobOpened; }
  QString CurMobFile() const override { return m_curMobFile; }
  void AppendLog(const QString& text) override;
  void ShowLogPage() override;
  void ShowStatusMessage(const QString& text) override;
  void ShowCaretStatus(const QString& text) override;
  void ShowResults(const QString& title, std::vector<TResultEntry> entries) override;
  bool IsActivePage(const QWidget* page) const override;
  TPrompts& Prompts() override { return m_prompts; }
  TSettings& Settings() override;
  void SaveSettings() override;

  // ---- TMobLogView: the window side of a load or save on a worker thread
  void ShowLogLine(const std::string& line) override;
  void ProcessMessages() override;
  void WorkerStarting() override;

  // Menu commands.
  void OpenMobMenuClick();
  void SaveMob_menuClick();
  void SaveAsMobMenuClick();
  void ProgSettsMenuClick();
  void ReadmeMenuClick();
  void AboutMenuClick();

  // The main window's shortcuts; true when the key was taken (it then never
  // reaches the focused control).
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreatePages();
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption, void (TMainF::*slot)());
  void FormShow();
  bool FormClose();
  void LogShShow();
  void OnFocusChanged(QWidget* old, QWidget* now);
  void PageChanged();
  void ScriptEdEnter();
  void ScriptEdExit();
  void UpdateEditMenu();
  void GoToResult(const TResultEntry& entry);

  // Save steps shared by Save and Save as: script, options, lock, automatic
  // backup, the write, unlock and the log.
  bool WriteDocument(const std::string& path, bool adoptPath);
  void AppendDocumentLog(bool threaded);
  bool CopyBackup(const std::string& from, const std::string& target);
  void SetWorkPathFolderOf(const std::string& path);
  QString WorkPath() const;
  // Runs a hook that loads the script editor without marking the document.
  void LoadScriptEditor(const std::function<void()>& load);
  void TriggerIfEnabled(QAction* action);
  void OpenInViewer(const QString& path);
  QWidget* Control(const char* name) const;
  QAction* MenuItem(const char* name) const;

  TAppState& m_app;
  TPrompts& m_prompts;
  TPageHooks m_hooks;
  QString m_startupFile;
  std::function<void(const QString&)> m_fileOpener;

  // Document state.
  QString m_curMobFile;
  bool m_mobOpened = false;
  bool m_mobModified = false;
  bool m_lockOnLoadSave = true;
  bool m_settingScriptText = false;

  // Busy lock and focus memory.
  bool m_locking = false;
  int m_lockDepth = 0;
  bool m_windowStatePending = false;  // UpdateWindowState ran under the lock
  struct SavedState {
    QPointer<QWidget> control;
    bool enabled = false;
  };
  std::array<SavedState, 62> m_lockSaved;
  QPointer<QWidget> m_lastEditor;
  // The control that had the focus when the lock was taken, then its parents: the
  // release hands the focus back to the first that still exists and can take it
  // (a table's cell editor closes when it is disabled; the table stays).
  std::vector<QPointer<QWidget>> m_focusBeforeLock;
  bool m_shown = false;

  // Controls.
  QTabWidget* MainF_PK = nullptr;
  QWidget* ScriptSh = nullptr;
  QWidget* BlocksSh = nullptr;
  QWidget* ObjectsSh = nullptr;
  QWidget* DiplomacySh = nullptr;
  QWidget* MassChangesSh = nullptr;
  QWidget* LogSh = nullptr;
  QPlainTextEdit* LogEd = nullptr;
  TResultsPanel* m_results = nullptr;
  QLabel* m_caretStatus = nullptr;
  QMenu* FileMenu = nullptr;
  QMenu* EditMenu = nullptr;
  QMenu* HelpMenu = nullptr;
  QAction* OpenMobMenu = nullptr;
  QAction* SaveMob_menu = nullptr;
  QAction* SaveAsMobMenu = nullptr;
  QAction* CloseMobMenu = nullptr;
  QAction* BackupMobMenu = nullptr;
  QAction* TestMenuMenu = nullptr;
};

}  // namespace kelvarin
