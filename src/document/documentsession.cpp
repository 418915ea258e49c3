#include "document/documentsession.h"

#include <algorithm>
#include <atomic>

#include "common/filesystem.h"
#include "common/sidebyside.h"
#include "document/docpaths.h"
#include "document/steporigins.h"
#include "mob/backupcopy.h"
#include "mob/mobthreads.h"

namespace kelvarin {
namespace {

const char kSessionSeparator[] = "------------------------------";

// What a closed document held, to be freed away from the window.
struct TClosedDocument {
  std::unique_ptr<TMob> contents;
  TCommandHistory history;
};

// Moves the contents of `mob` that grow with the zone (records, script, blocks)
// into a document of their own; `mob` keeps empty lists.
std::unique_ptr<TMob> TakeContents(TMob& mob) {
  auto taken = std::make_unique<TMob>();
  mob.ForEachList([&](auto& list) {
    using List = std::decay_t<decltype(list)>;
    taken->ForEachList([&](auto& into) {
      if constexpr (std::is_same_v<List, std::decay_t<decltype(into)>>) into.swap(list);
    });
  });
  taken->UnknownBlocks.swap(mob.UnknownBlocks);
  taken->UnknownObjectBlocks.swap(mob.UnknownObjectBlocks);
  taken->ScriptText.swap(mob.ScriptText);
  taken->Tail.swap(mob.Tail);
  return taken;
}

}  // namespace

// Holds the busy lock for a threaded load or save and gives it back however the
// run ends: an exception of the worker is thrown again on this thread.
class TDocumentSession::TBusyScope {
 public:
  TBusyScope(TDocumentSession& session, bool take) : m_session(session), m_taken(take) {
    if (m_taken) m_session.BeginBusy();
  }
  ~TBusyScope() {
    if (m_taken) m_session.EndBusy();
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  TDocumentSession& m_session;
  bool m_taken;
};

TDocumentSession::TDocumentSession(TLogSink* log) : m_log(log) {}

TDocumentSession::~TDocumentSession() = default;

// ---- surroundings ----------------------------------------------------------------

void TDocumentSession::SetOptions(const TSessionOptions& options) {
  m_optionsSource = [options] { return options; };
}

TSessionOptions TDocumentSession::Options() const {
  return m_optionsSource ? m_optionsSource() : TSessionOptions{};
}

void TDocumentSession::AddListener(TDocumentListener* listener) {
  if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
    m_listeners.push_back(listener);
}

void TDocumentSession::RemoveListener(TDocumentListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

template <class F> void TDocumentSession::Notify(F&& f) {
  // A listener may leave while it is being told.
  const std::vector<TDocumentListener*> listeners = m_listeners;
  for (TDocumentListener* listener : listeners)
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end()) f(*listener);
}

bool TDocumentSession::NotifyAboutToSave() {
  for (TDocumentListener* listener : std::vector<TDocumentListener*>(m_listeners))
    if (!listener->DocumentAboutToSave()) return false;
  return true;
}

// ---- document commands -------------------------------------------------------------

std::optional<std::string> TDocumentSession::FindFileToOpen(std::string path) {
  TFileSystem& fs = Files();
  if (!fs.Exists(path) && !HasExtension(path)) path += ".mob";
  if (fs.Exists(path)) return path;
  Log("");
  Log("Не удалось обнаружить файло " + path);
  Log("Типо аблом, не загрузилося нихера.");
  return std::nullopt;
}

bool TDocumentSession::Load(std::string path) {
  if (m_opened) Close();
  else if (m_mob.TotalRecordCount() > 0) m_release.Release(TakeContents(m_mob));  // what a failed load read
  const TSessionOptions options = Options();
  const bool threaded = options.UseThreads && m_logView;
  const bool lock = threaded && LockOnLoadSave;
  bool ok;
  {
    TBusyScope busy(*this, lock);
    ok = m_mob.Load(path, {.view = threaded ? m_logView : nullptr});
    if (ok) PrepareListeners(threaded, &TDocumentListener::PrepareDocument);
  }
  if (!threaded) AppendDocumentLog();

  std::optional<TCommandHistory> setAside = std::exchange(m_setAside, std::nullopt);
  if (!ok) {
    Notify([](TDocumentListener& l) { l.LoadFailed(); });
    return false;
  }
  m_path = std::move(path);
  m_opened = true;
  MarkUnmodified();
  if (setAside && m_setAsidePath == m_path) {
    // The same file again: the steps up to its last save still apply.
    m_history = std::move(*setAside);
    m_history.RevertToSaved();
  } else {
    m_history.Clear();
  }
  m_history.MarkSaved();
  Notify([](TDocumentListener& l) { l.DocumentOpened(); });
  Notify([](TDocumentListener& l) { l.HistoryChanged(); });
  return true;
}

void TDocumentSession::PrepareListeners(bool threaded, void (TDocumentListener::*prepare)(const TMob&)) {
  const std::vector<TDocumentListener*> listeners = m_listeners;
  RunTask(threaded, [&] {
    // Each listener reads the document only and keeps what it works out to itself,
    // so two of them work at once: the next free thread takes the next listener.
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
      for (std::size_t i; (i = next++) < listeners.size();) (listeners[i]->*prepare)(m_mob);
    };
    RunSideBySide(work, work);
  });
}

void TDocumentSession::AppendDocumentLog() {
  if (m_log) m_log->AppendDocumentLog(m_mob.LogText);
}

void TDocumentSession::Adopt(std::string path) {
  if (m_opened) Close();
  m_path = std::move(path);
  m_opened = true;
  MarkUnmodified();
  m_history.Clear();
  Notify([](TDocumentListener& l) { l.DocumentOpened(); });
  Notify([](TDocumentListener& l) { l.HistoryChanged(); });
}

bool TDocumentSession::Save(const std::string& path) {
  if (!NotifyAboutToSave()) {
    Notify([](TDocumentListener& l) { l.SaveFailed(); });
    return false;
  }
  const TSessionOptions options = Options();
  const bool threaded = options.UseThreads && m_logView;
  const bool lock = threaded && LockOnLoadSave;
  bool ok;
  {
    TBusyScope busy(*this, lock);
    if (options.MakeAutoBackups) CopyBackup(path, AutoBackupPath(path), true, threaded);
    // The document's save bounds the retries.
    ok = m_mob.Save(path, {.view = threaded ? m_logView : nullptr, .saveAttempts = options.SaveAttempts});
    if (ok) {
      PrepareListeners(threaded, &TDocumentListener::PrepareSaved);
      const bool pathChanged = path != m_path;
      m_path = path;
      m_history.MarkSaved();
      MarkUnmodified();
      UpdateModified();
      Notify([&](TDocumentListener& l) { l.DocumentSaved(pathChanged); });
    } else {
      Notify([](TDocumentListener& l) { l.SaveFailed(); });
    }
  }
  if (!threaded) AppendDocumentLog();
  return ok;
}

void TDocumentSession::Close() {
  TClosedDocument closed;
  if (m_reloadScopes > 0 && m_opened) {
    m_setAside = std::exchange(m_history, TCommandHistory{});
    m_setAsidePath = m_path;
  } else {
    closed.history = std::move(m_history);
    m_history.Clear();
  }
  closed.contents = TakeContents(m_mob);
  m_release.Release(std::make_unique<TClosedDocument>(std::move(closed)));
  m_mob.Reset();
  m_opened = false;
  MarkUnmodified();
  m_path.clear();
  Notify([](TDocumentListener& l) { l.DocumentClosed(); });
  Notify([](TDocumentListener& l) { l.HistoryChanged(); });
}

void TDocumentSession::RunTask(bool threaded, const std::function<void()>& task) {
  if (!threaded) {
    task();
    return;
  }
  TMobTaskThread worker(m_mob, [&] {
    task();
    return true;
  });
  worker.Run(m_logView);
}

bool TDocumentSession::CopyBackup(const std::string& from, const std::string& target, bool overwrite,
                                  bool threaded) {
  TBackupReport report;
  // A copy of a large file on the window thread would stop it for as long.
  RunTask(threaded, [&] { report = CopyToBackup(from, target, overwrite); });
  for (const std::string& line : report.lines) Log(line);
  if (!report.ok) Notify([](TDocumentListener& l) { l.BackupFailed(); });
  return report.ok;
}

bool TDocumentSession::MakeBackup(const std::string& path, bool overwrite) {
  return CopyBackup(path, ManualBackupPath(path), overwrite);
}

bool TDocumentSession::MakeAutoBackup(const std::string& path) {
  return CopyBackup(path, AutoBackupPath(path), true);
}

void TDocumentSession::LogBackupDeclined(const std::string& path) {
  Log(kSessionSeparator);
  Log("Бекап в файл " + ManualBackupPath(path) + " отменен!");
  Log("");
}

bool TDocumentSession::Modified() const {
  return m_opened && (!m_history.AtSaved() || m_scriptEdited || m_valueReapplied);
}

void TDocumentSession::UpdateModified() {
  const bool modified = Modified();
  if (modified == m_modifiedTold) return;
  m_modifiedTold = modified;
  Notify([&](TDocumentListener& l) { l.ModifiedChanged(modified); });
}

void TDocumentSession::MarkUnmodified() {
  m_scriptEdited = false;
  m_valueReapplied = false;
  // Opening and closing tell the listeners themselves; a save says so in UpdateModified.
  if (!m_opened) m_modifiedTold = false;
}

void TDocumentSession::NoteScriptEdited() {
  // Nothing can change a document that is not open.
  if (!m_opened) return;
  m_scriptEdited = true;
  Notify([](TDocumentListener& l) { l.ScriptEdited(); });
  UpdateModified();
}

void TDocumentSession::ReplaceScript(std::string text) {
  if (!m_opened) return;
  m_mob.ScriptText = std::move(text);
  Notify([](TDocumentListener& l) { l.ScriptReplaced(); });
  NoteScriptEdited();
}

void TDocumentSession::NoteValueReapplied() {
  if (!m_opened) return;
  m_valueReapplied = true;
  UpdateModified();
}

// ---- the busy lock ------------------------------------------------------------------

void TDocumentSession::BeginBusy() {
  if (m_busy++ == 0) {
    Notify([](TDocumentListener& l) { l.BusyChanged(true); });
    Notify([](TDocumentListener& l) { l.HistoryChanged(); });
  }
}

void TDocumentSession::EndBusy() {
  if (m_busy == 0 || --m_busy > 0) return;
  Notify([](TDocumentListener& l) { l.BusyChanged(false); });
  Notify([](TDocumentListener& l) { l.HistoryChanged(); });
}

// ---- the record history ---------------------------------------------------------

void TDocumentSession::ApplyHistoryLimit() {
  m_history.SetMemoryLimit(Options().UndoLimitBytes);
}

void TDocumentSession::AfterHistoryChange() {
  if (const std::size_t dropped = m_history.TakeDroppedCount()) {
    Log("Из истории отмены убраны самые старые шаги (" + std::to_string(dropped) +
        "): вместе они заняли бы больше UndoLimitMB = " + std::to_string(m_history.MemoryLimit() >> 20) +
        " МБ.");
  }
  Notify([](TDocumentListener& l) { l.HistoryChanged(); });
}

bool TDocumentSession::Apply(std::unique_ptr<TDocCommand> step, const TDocumentListener* origin) {
  if (!step || !m_opened) return false;
  step->Redo(m_mob);
  FollowStepOrigins(m_mob, *step, false);
  if (step->Empty()) return false;
  Notify([&](TDocumentListener& l) { l.StepDone(*step, TChangeCause::Edit); });
  const TRecordsChange change = step->Change(false);
  if (Options().UndoLimitBytes == 0) {
    // No history wanted: nothing to keep, nothing to report, and the file's state
    // cannot be reached again.
    m_history.Discard();
  } else {
    ApplyHistoryLimit();
    m_history.Push(std::move(step));
  }
  Notify([&](TDocumentListener& l) { l.RecordsChanged(change, TChangeCause::Edit, origin); });
  UpdateModified();
  AfterHistoryChange();
  return true;
}

bool TDocumentSession::Undo() {
  if (!CanUndo()) return false;
  const TDocCommand* command = m_history.Undo(m_mob);
  FollowStepOrigins(m_mob, *command, true);
  Notify([&](TDocumentListener& l) { l.StepDone(*command, TChangeCause::Undo); });
  const TRecordsChange change = command->Change(true);
  if (const std::string note = command->UndoNote(); !note.empty()) Log(note);
  Notify([&](TDocumentListener& l) { l.RecordsChanged(change, TChangeCause::Undo, nullptr); });
  UpdateModified();
  AfterHistoryChange();
  return true;
}

bool TDocumentSession::Redo() {
  if (!CanRedo()) return false;
  const TDocCommand* command = m_history.Redo(m_mob);
  FollowStepOrigins(m_mob, *command, false);
  Notify([&](TDocumentListener& l) { l.StepDone(*command, TChangeCause::Redo); });
  const TRecordsChange change = command->Change(false);
  Notify([&](TDocumentListener& l) { l.RecordsChanged(change, TChangeCause::Redo, nullptr); });
  UpdateModified();
  AfterHistoryChange();
  return true;
}

TDocumentSession::TReloadScope::TReloadScope(TDocumentSession& session) : m_session(session) {
  ++m_session.m_reloadScopes;
}

TDocumentSession::TReloadScope::~TReloadScope() {
  if (--m_session.m_reloadScopes == 0) m_session.m_setAside.reset();
}

}  // namespace kelvarin
