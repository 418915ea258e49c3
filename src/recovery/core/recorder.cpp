#include "recovery/core/recorder.h"

#include <algorithm>
#include <chrono>

#include "document/blockcommands.h"
#include "document/movecommand.h"
#include "document/recordcommands.h"
#include "mob/objref.h"

namespace kelvarin {
namespace {

// The one record a step of one record changed; nullopt for any other step.
std::optional<ObjRef> SingleRecord(const TDocCommand& step) {
  if (const auto* edit = dynamic_cast<const TFieldEditCommand*>(&step)) return edit->Record();
  if (const auto* turn = dynamic_cast<const TTurnCommand*>(&step)) return turn->Record();
  if (const auto* move = dynamic_cast<const TMoveCommand*>(&step)) return move->Record();
  return std::nullopt;
}

void JournalRecordsEdit(const TRecordsEdit& edit, bool undone, const TMob& mob, TOpWriter& out) {
  for (TRecordsEdit::TTouched& touched : edit.Touched()) {
    if (undone) {
      // Every record stands where it stood before the change.
      out.Insert(mob, touched.kind, touched.taken);
      out.Replace(mob, touched.kind, touched.changed);
      continue;
    }
    // The taken ones go; the changed ones that stayed moved up past them.
    out.Delete(touched.kind, touched.taken);
    std::vector<std::uint32_t> now;
    now.reserve(touched.changed.size());
    std::size_t gone = 0;
    for (std::uint32_t index : touched.changed) {
      while (gone < touched.taken.size() && touched.taken[gone] < index) ++gone;
      if (gone < touched.taken.size() && touched.taken[gone] == index) continue;
      now.push_back(std::uint32_t(index - gone));
    }
    out.Replace(mob, touched.kind, now);
  }
}

}  // namespace

void JournalStep(const TDocCommand& step, TChangeCause cause, const TMob& mob, Bytes& ops) {
  TOpWriter out(ops);
  const bool undone = cause == TChangeCause::Undo;
  if (const Bytes* restored = RestoredOps(step); restored && !undone) {
    ops.insert(ops.end(), restored->begin(), restored->end());
  } else if (const std::optional<ObjRef> ref = SingleRecord(step)) {
    if (RefersToRecord(mob, *ref)) out.Replace(mob, ref->kind, {std::uint32_t(ref->index)});
  } else if (const auto* block = dynamic_cast<const TBlockReplaceCommand*>(&step)) {
    out.Block(mob, block->Block());
  } else if (const auto* records = dynamic_cast<const TRecordsEditCommand*>(&step)) {
    JournalRecordsEdit(records->Edit(), undone, mob, out);
  } else {
    // A kind of step the journal has no smaller form of: the whole document.
    out.Snapshot(mob);
  }
}

TRecoveryRecorder::TRecoveryRecorder(TDocumentSession& session, TJournalWriter& writer, THooks hooks)
    : m_session(session), m_writer(writer), m_hooks(std::move(hooks)) {
  if (!m_hooks.clock) {
    m_hooks.clock = [] {
      return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count());
    };
  }
  m_session.AddListener(this);
  if (m_session.Opened()) DocumentOpened();
}

TRecoveryRecorder::~TRecoveryRecorder() { m_session.RemoveListener(this); }

void TRecoveryRecorder::NoteChange() {
  m_lastChange = m_hooks.clock();
  if (m_pending) return;
  m_pending = true;
  if (m_hooks.changed) m_hooks.changed();
}

void TRecoveryRecorder::Drop() {
  m_ops.clear();
  m_pending = false;
  m_scriptDirty = false;
}

void TRecoveryRecorder::Flush() {
  if (!m_pending) return;
  std::optional<std::string> script;
  if (m_scriptDirty && m_session.ScriptEditedSinceSave())
    script = m_hooks.editedScript ? m_hooks.editedScript() : m_session.Mob().ScriptText;
  m_writer.Append(std::exchange(m_ops, {}), std::move(script), m_lastChange);
  m_pending = false;
  m_scriptDirty = false;
}

void TRecoveryRecorder::DocumentOpened() {
  Drop();
  m_writer.Begin(m_session.Path());
}

void TRecoveryRecorder::DocumentSaved(bool) { DocumentOpened(); }

void TRecoveryRecorder::DocumentClosed() {
  Drop();
  m_writer.Clear();
}

void TRecoveryRecorder::ModifiedChanged(bool modified) {
  // Undone back to what the file holds: nothing is unsaved.
  if (!modified && m_session.Opened()) DocumentClosed();
}

void TRecoveryRecorder::StepDone(const TDocCommand& step, TChangeCause cause) {
  JournalStep(step, cause, m_session.Mob(), m_ops);
  NoteChange();
}

}  // namespace kelvarin
