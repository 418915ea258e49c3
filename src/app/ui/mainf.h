// The main window: six pages, the menus, the log page, the document commands with
// their prompts (the session carries them out), the busy lock and the keyboard
// shortcuts. Pages plug in through the page interface (TPage): the window knows
// their controls only as the lists they hand it, never by name.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "document/documentsession.h"
#include "mob/tmob.h"
#include "shell/pagelinks.h"
#include "shell/shellservices.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace kelvarin {

class TAppState;
class TPage;
class TResultsPanel;

class TMainF : public QMainWindow,
               public TShellServices,
               public TMobLogView,
               private TLogSink,
               private TDocumentListener {
  Q_OBJECT
 public:
  // OpenMob's argument that asks the user for a path.
  static QString AskForPath();

  TMainF(TAppState& app, TPrompts& prompts, QWidget* parent = nullptr);
  ~TMainF() override;

  // Puts `page` into `sheet` (one of the six below, or one added after them).
  // Pages are added in the order of their sheets (the Blocks page, which adds
  // nothing to the busy lock, after the other five); the busy lock walks their
  // controls in that order. The window owns the page's widget from then on and
  // destroys it before anything of its own, so a page never outlives the window
  // it calls.
  void AddPage(QWidget* sheet, TPage& page);
  // A page the window's first picture does not show: `make` creates it (as for
  // AddPage, the page's widget goes into `sheet`) once that picture is on the
  // screen, or sooner when anything needs it: a document opening, the busy lock,
  // its sheet coming up. It keeps its place in the order pages were added.
  void AddPageLater(QWidget* sheet, std::function<TPage&()> make);
  // Creates the pages added with AddPageLater now.
  void BuildPendingPages();
  // Runs `work` once the window's first picture is on the screen (at once when it
  // already is): what that picture does not need waits for it.
  void AfterFirstPicture(std::function<void()> work);
  // A sheet of a page beyond the six, after the Log page.
  QWidget* AddSheet(const char* name, const QString& caption);
  // The file opened once the window has been shown (the command-line argument).
  void SetStartupFile(const QString& path) { m_startupFile = path; }
  // How Readme.txt and the licence are shown; the desktop's viewer by default.
  void SetFileOpener(std::function<void(const QString&)> opener) { m_fileOpener = std::move(opener); }

  // The six pages of MainF_PK; a page widget goes into its sheet's layout.
  QWidget* ScriptSheet() const { return ScriptSh; }
  QWidget* BlocksSheet() const { return BlocksSh; }
  QWidget* ObjectsSheet() const { return ObjectsSh; }
  QWidget* MassChangesSheet() const { return MassChangesSh; }
  QTabWidget* Pages() const { return MainF_PK; }
  QPlainTextEdit* LogView() const { return LogEd; }
  QMenu* EditMenuWidget() const { return EditMenu; }
  TResultsPanel* Results() const { return m_results; }
  QLabel* CaretStatus() const { return m_caretStatus; }
  // "Выделено: N" while records are selected.
  QLabel* SelectionStatus() const { return m_selectionStatus; }

  // What the busy lock takes, in the order it walks them: the pages' text
  // editors, the File and Help menus, then every page's own controls (every
  // page's: pending ones are built first).
  std::vector<QWidget*> LockList();

  // ---- document commands
  bool OpenMob(const QString& path) override;  // AskForPath() shows the open dialog
  // Opens `path` as the recent-files menu and a dropped file do: as File > Open
  // would, unless a load, save or mass change is running (the status bar then
  // says why nothing opened).
  bool OpenMobFromShell(const QString& path);
  bool SaveMob() override;
  bool SaveMobAs();
  bool CloseMob();
  void MakeBackup(const QString& path);
  void UpdateWindowState();
  // One step of the record history back or forward (the keys and the Objects
  // page's buttons); nothing while the lock is held.
  bool UndoRecords();
  bool RedoRecords();

  // The session's document, whether one is open, its path and its mark.
  TMob& Mob();
  bool MobOpened() const;
  QString CurMobFile() const;
  bool MobModified() const;

  // The one rule before any command that reads or changes the records: every
  // page's typed, unconfirmed value goes into the document first (TPage::
  // CommitEdit); nothing while the lock is held. The window runs it at its doors
  // (every menu item, the record history's keys, closing the window, a file
  // dropped or picked from the recent list); a page's own command runs it
  // through the shell.
  void CommitEdits() override;
  bool LockHeld() const;

  // ---- busy lock and focus memory
  void LockControls();
  void UnlockControls();
  void SetLockOnLoadSave(bool value);
  void FocusLastEditor();
  QWidget* LastEditor() const { return m_lastEditor; }

  // ---- TShellServices
  TDocumentSession& Session() override;
  void AppendLog(const QString& text) override;
  void ShowLogPage() override;
  void ShowStatusMessage(const QString& text) override;
  // How long a status message stays; tests shorten it.
  int StatusMessageMs() const { return m_statusMessageMs; }
  void SetStatusMessageMs(int ms) { m_statusMessageMs = ms; }
  void ShowCaretStatus(const QString& text) override;
  void ShowResults(const QString& title, std::vector<TResultEntry> entries) override;
  bool IsActivePage(const QWidget* page) const override;
  void GoToResult(const TResultEntry& entry) override;
  TPageLinks& Links() override { return m_links; }
  std::string EditedScript() override;
  TPrompts& Prompts() override { return m_prompts; }
  TSettings& Settings() override;
  void SaveSettings() override;

  // ---- TMobLogView: the window side of a load or save on a worker thread
  void ShowLogLine(const std::string& line) override;
  void ProcessMessages() override;
  void WorkerStarting() override;

  // The File menu's recent files, newest first: gone files are dropped first.
  QMenu* RecentFilesMenuWidget() const { return RecentFilesMenu; }
  void RefreshRecentFilesMenu();

  // Menu commands.
  void OpenMobMenuClick();
  void SaveMob_menuClick();
  void SaveAsMobMenuClick();
  void ProgSettsMenuClick();
  void ReadmeMenuClick();
  void AboutMenuClick();
  // The zone check of the open document and the script as edited; its findings
  // go to the result list, the counts to the status bar.
  void CheckZoneMenuClick();
  // The differences between the open zone as edited and a chosen file, in the
  // result list.
  void CompareWithFileMenuClick();
  // Starts another editor window (another copy of the program, with the same
  // settings file).
  void NewWindowMenuClick();
  // How another editor is started; tests put their own in. True when it started.
  void SetWindowLauncher(std::function<bool()> launcher) { m_windowLauncher = std::move(launcher); }

  // The main window's shortcuts; true when the key was taken (it then never
  // reaches the focused control).
  bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // TLogSink: the session's lines go to the log page.
  void AppendLog(const std::string& text) override;
  void AppendDocumentLog(const std::string& text) override;
  // TDocumentListener
  void DocumentOpened() override;
  void DocumentClosed() override;
  void DocumentSaved(bool pathChanged) override;
  void SaveFailed() override;
  void LoadFailed() override;
  void BackupFailed() override;
  void ModifiedChanged(bool modified) override;
  void BusyChanged(bool busy) override;

  void CreateMenus();
  void CreatePages();
  // The window's place and size from the settings, on a screen that is there.
  void RestoreWindowPlacement();
  // The window's and the pages' sizes into the settings.
  void RememberLayout();
  void NoteRecentFile(const std::string& path);
  // Drags over any part of the window: a .mob file is taken and opened, anything
  // else refused. True when the event was the window's.
  bool HandleDrag(QObject* watched, QEvent* event);
  // A menu item whose command starts, as every command of the window does, from
  // what the user typed (CommitEdits).
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption, std::function<void()> command);
  void FormShow();
  bool FormClose();
  void LogShShow();
  void OnFocusChanged(QWidget* old, QWidget* now);
  void PageChanged();
  void EditorEnter(QWidget* editor);
  void EditorExit();
  void UpdateEditMenu();
  struct PlacedPage;
  // The one rule for the Edit items and the keys that act on a page's text editor
  // (F3, Ctrl+R, Ctrl+F): only while that page is showing and its editor is the
  // last editor. Keys on other pages never change the script out of sight.
  bool EditorCommandsActive(const PlacedPage& placed) const;
  // The busy lock's work on the controls; the session says when.
  void DisableLockedControls();
  void RestoreLockedControls();
  // The page whose sheet is showing; nullptr for a sheet without one.
  TPage* ActivePage() const;
  // The page whose text editor holds or contains `widget`; nullptr for none.
  TPage* EditorPageOf(const QWidget* widget) const;
  // The controls a document's opening enables: the lock list without the menus,
  // of the pages built so far (a page built later is brought up to date then).
  std::vector<QWidget*> DocumentControls() const;
  // The lock list of the pages built so far.
  std::vector<QWidget*> BuiltLockList() const;
  void PlacePage(QWidget* sheet, TPage& page);
  // The settings' values that were not taken, into the log (each once).
  void LogSettingsNotes();
  void FirstPictureShown();

  void SetWorkPathFolderOf(const std::string& path);
  QString WorkPath() const;
  void TriggerIfEnabled(QAction* action);
  void OpenInViewer(const QString& path);

  TAppState& m_app;
  TDocumentSession& m_session;
  TPrompts& m_prompts;
  QString m_startupFile;
  std::function<void(const QString&)> m_fileOpener;
  struct PlacedPage {
    QWidget* sheet;
    TPage* page;
  };
  std::vector<PlacedPage> m_pages;
  struct PendingPage {
    QWidget* sheet;
    std::function<TPage&()> make;
  };
  std::vector<PendingPage> m_pendingPages;
  std::vector<std::function<void()>> m_afterFirstPicture;
  bool m_pictureShown = false;
  // Destroyed before the pages, which are the window's children: no page
  // reaches it from its destructor.
  TPageLinks m_links;

  // Busy lock and focus memory.
  bool m_locking = false;
  bool m_windowStatePending = false;  // UpdateWindowState ran under the lock
  struct SavedState {
    QPointer<QWidget> control;
    bool enabled = false;
  };
  std::vector<SavedState> m_lockSaved;
  QPointer<QWidget> m_lastEditor;
  // The control that had the focus when the lock was taken, then its parents: the
  // release hands the focus back to the first that still exists and can take it
  // (a table's cell editor closes when it is disabled; the table stays).
  std::vector<QPointer<QWidget>> m_focusBeforeLock;
  bool m_shown = false;
  int m_statusMessageMs = 10'000;

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
  QLabel* m_selectionStatus = nullptr;
  std::function<bool()> m_windowLauncher;
  QMenu* FileMenu = nullptr;
  QMenu* EditMenu = nullptr;
  QMenu* HelpMenu = nullptr;
  QMenu* ToolsMenu = nullptr;
  QAction* CheckZoneMenu = nullptr;
  QAction* CompareWithFileMenu = nullptr;
  QAction* NewWindowMenu = nullptr;
  QAction* OpenMobMenu = nullptr;
  QAction* SaveMob_menu = nullptr;
  QAction* SaveAsMobMenu = nullptr;
  QAction* CloseMobMenu = nullptr;
  QAction* BackupMobMenu = nullptr;
  QAction* TestMenuMenu = nullptr;
  QMenu* RecentFilesMenu = nullptr;
};

}  // namespace kelvarin
