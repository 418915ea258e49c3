// The document session: the one place where "the open document" lives. It owns
// the document (TMob), its path, whether it is open and modified, the load, save,
// close and backup rules with their log lines, the save options, one log sink and
// the undo history of the records, and it tells its listeners what happens. The
// editor's window, the mass-change engine and kelvarin-cli all work through it;
// prompts and dialogs stay with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/backgroundrelease.h"
#include "document/commandhistory.h"
#include "mob/tmob.h"

namespace kelvarin {

// The settings a load or save reads when it starts.
struct TSessionOptions {
  bool UseThreads = false;  // load and save on a worker thread (needs a log view)
  std::int32_t SaveAttempts = 10;
  bool MakeAutoBackups = true;
  std::size_t UndoLimitBytes = std::size_t(256) << 20;  // 0 keeps no history
};

// Where the session's lines go: the editor's log page, the CLI's stderr. Texts are
// UTF-8; several lines are separated by CR LF.
class TLogSink {
 public:
  virtual ~TLogSink() = default;
  virtual void AppendLog(const std::string& text) = 0;
  // The log text of a load or save that ran on the caller's thread, as one entry
  // (a threaded run has shown its lines one by one already).
  virtual void AppendDocumentLog(const std::string& text) {
    if (!text.empty()) AppendLog(text);
  }
};

enum class TChangeCause { Edit, Undo, Redo };

// What a session tells. Every call comes on the thread that drives the session.
class TDocumentListener {
 public:
  virtual ~TDocumentListener() = default;
  // A file has been read and is about to become the open document: work out what
  // depends on its records alone, for DocumentOpened (or the release of the busy
  // lock) to take. A threaded load calls this on its worker thread while it holds
  // the document, so a zone of millions of records does not hold up the window:
  // read nothing but `mob`, touch no widget, keep the result to yourself. A
  // listener must not rely on the result: records may change before it is taken.
  virtual void PrepareDocument(const TMob& mob) { (void)mob; }
  // A save has written `mob` to the file: as PrepareDocument, for what depends on
  // the file as written (on the save's worker thread when threaded), before
  // DocumentSaved.
  virtual void PrepareSaved(const TMob& mob) { (void)mob; }
  virtual void DocumentOpened() {}
  virtual void DocumentClosed() {}
  // The document is about to be written: put what is being edited into it. False
  // (after saying why in the log) stops the save.
  virtual bool DocumentAboutToSave() { return true; }
  // Written to Path(); `pathChanged` when the document has just taken that path.
  virtual void DocumentSaved(bool pathChanged) { (void)pathChanged; }
  virtual void SaveFailed() {}
  virtual void LoadFailed() {}
  // A backup copy could not be made (the log says why); a save goes on all the same.
  virtual void BackupFailed() {}
  virtual void ModifiedChanged(bool modified) { (void)modified; }
  // Records were changed through the history: a new step, or one undone or redone.
  // `origin` is the listener that applied a new step (it shows the change already);
  // nullptr for undo and redo and for steps of no listener (a mass change).
  virtual void RecordsChanged(const TRecordsChange& change, TChangeCause cause,
                              const TDocumentListener* origin) {
    (void)change;
    (void)cause;
    (void)origin;
  }
  // A step has just changed the records (applied, undone or redone), before the
  // history takes it in; the records stand as the step left them. For what
  // follows every change (the recovery journal).
  virtual void StepDone(const TDocCommand& step, TChangeCause cause) {
    (void)step;
    (void)cause;
  }
  // The user changed the script text (the document gets it when saved).
  virtual void ScriptEdited() {}
  // The document's ScriptText was given a text the user has not seen (a restore):
  // show it.
  virtual void ScriptReplaced() {}
  // What Undo and Redo would do has changed.
  virtual void HistoryChanged() {}
  // A load, save or mass change holds the document (the busy lock), or has let
  // it go. While busy, nothing but the holder reads or writes the document.
  virtual void BusyChanged(bool busy) { (void)busy; }
};

class TDocumentSession {
 public:
  // Without a sink the lines go nowhere until one is set.
  explicit TDocumentSession(TLogSink* log = nullptr);
  ~TDocumentSession();
  TDocumentSession(const TDocumentSession&) = delete;
  TDocumentSession& operator=(const TDocumentSession&) = delete;

  TMob& Mob() { return m_mob; }
  const TMob& Mob() const { return m_mob; }
  const std::string& Path() const { return m_path; }  // empty when none is open
  bool Opened() const { return m_opened; }
  // Whether the document differs from its file, worked out here alone: the record
  // history stands off the point the file holds (after a save, an undo makes the
  // document modified and a redo back clears it; a history trimmed past that point
  // keeps it modified), or the script was edited since the last load or save
  // (undoing the script back to its loaded text keeps the mark), or the parameter
  // table took a value again. Load, Save and Close clear it.
  bool Modified() const;

  // ---- surroundings
  // The options are read from `source` at the start of every command.
  void SetOptionsSource(std::function<TSessionOptions()> source) { m_optionsSource = std::move(source); }
  void SetOptions(const TSessionOptions& options);
  TSessionOptions Options() const;
  // The window side of threaded loads and saves; without one they run directly.
  void SetLogView(TMobLogView* view) { m_logView = view; }
  TMobLogView* LogView() const { return m_logView; }
  void SetLogSink(TLogSink* log) { m_log = log; }
  TLogSink* LogSink() const { return m_log; }
  void Log(const std::string& line) {
    if (m_log) m_log->AppendLog(line);
  }
  void AddListener(TDocumentListener* listener);
  void RemoveListener(TDocumentListener* listener);

  // ---- document commands (no questions asked: callers ask first)
  // The file a path names: ".mob" is added to a path without an extension when no
  // such file exists. nullopt, after three log lines, when the file is not there.
  std::optional<std::string> FindFileToOpen(std::string path);
  // Loads `path` as the open document (a document still open is closed first).
  bool Load(std::string path);
  // Takes what Mob() holds now (a zone made in memory) as the open document of
  // `path`, unmodified, with an empty history.
  void Adopt(std::string path);
  // Writes the document to `path` and takes that path: the listeners put their
  // edits in, the automatic backup is made when enabled, the file is written with
  // the bounded retries, the log shows every step.
  bool Save(const std::string& path);
  // The records go to a thread of their own to be freed.
  void Close();
  // Backups beside the file a save of `path` writes (links followed): + ".bak.mob"
  // (fails on an existing copy unless `overwrite`) and + ".auto.bak.mob" (always
  // overwritten). Both are written like a save and log, with the reason of a
  // failure.
  bool MakeBackup(const std::string& path, bool overwrite);
  bool MakeAutoBackup(const std::string& path);
  // Logs that a manual backup over an existing copy was declined.
  void LogBackupDeclined(const std::string& path);

  // The script editor's text has changed (the document gets it only when saved).
  void NoteScriptEdited();
  bool ScriptEditedSinceSave() const { return m_opened && m_scriptEdited; }
  // Gives the document a script text the editor has not shown (unsaved work put
  // back): the document counts as modified and the listeners show the text.
  void ReplaceScript(std::string text);
  // The parameter table accepted a value the field already held: no step, but the
  // document counts as modified all the same, as for any accepted value.
  void NoteValueReapplied();

  // ---- the busy lock
  // While false, Load and Save do not take the busy lock themselves: an outer
  // operation (a mass change) holds it.
  bool LockOnLoadSave = true;
  // Nested pairs keep the outermost hold; listeners hear of the first and last.
  void BeginBusy();
  void EndBusy();
  bool Busy() const { return m_busy > 0; }

  // ---- changes and the record history
  // The one way a change gets into the document: `step`'s Redo makes it, the step
  // joins the history, the document is marked modified as that requires, and the
  // listeners hear of it with `origin` (the listener that applies it, so that it
  // can tell its own change from another's). False, with nothing changed, for no
  // step (its maker found nothing to change) and when no document is open; false
  // too for a step that turned out empty, which is dropped.
  bool Apply(std::unique_ptr<TDocCommand> step, const TDocumentListener* origin = nullptr);
  // One step back or forward; false when there is none, no document is open or
  // the session is busy.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return m_opened && !Busy() && m_history.CanUndo(); }
  bool CanRedo() const { return m_opened && !Busy() && m_history.CanRedo(); }
  const TCommandHistory& History() const { return m_history; }
  // The next push starts a step of its own (a gesture has ended).
  void CloseGesture() { m_history.CloseGesture(); }

  // While one is alive, closing the document keeps its history aside, and loading
  // the same file again takes it back as far as the file holds it. A mass change
  // reloads the file it has just saved this way.
  class TReloadScope {
   public:
    explicit TReloadScope(TDocumentSession& session);
    ~TReloadScope();
    TReloadScope(const TReloadScope&) = delete;
    TReloadScope& operator=(const TReloadScope&) = delete;

   private:
    TDocumentSession& m_session;
  };

 private:
  class TBusyScope;
  template <class F> void Notify(F&& f);
  bool NotifyAboutToSave();
  // Runs `task` on a worker thread while the window pumps its events when
  // `threaded`, on this thread otherwise.
  void RunTask(bool threaded, const std::function<void()>& task);
  bool CopyBackup(const std::string& from, const std::string& target, bool overwrite, bool threaded = false);
  void ApplyHistoryLimit();
  void AfterHistoryChange();
  // Tells the listeners when Modified() has turned.
  void UpdateModified();
  // Load, Save, Adopt and Close: the document is as its file holds it.
  void MarkUnmodified();

  void AppendDocumentLog();
  // Hands `mob` to every listener's `prepare`, on a worker when `threaded`.
  void PrepareListeners(bool threaded, void (TDocumentListener::*prepare)(const TMob&));

  TLogSink* m_log;
  TMobLogView* m_logView = nullptr;
  std::function<TSessionOptions()> m_optionsSource;
  std::vector<TDocumentListener*> m_listeners;

  TMob m_mob;
  std::string m_path;
  bool m_opened = false;
  bool m_scriptEdited = false;
  bool m_valueReapplied = false;
  bool m_modifiedTold = false;  // what the listeners last heard
  int m_busy = 0;

  TCommandHistory m_history;
  int m_reloadScopes = 0;
  std::optional<TCommandHistory> m_setAside;  // closed inside a reload scope
  std::string m_setAsidePath;
  // Last, so that it is destroyed first: it frees what the last closes left.
  TBackgroundRelease m_release;
};

}  // namespace kelvarin
