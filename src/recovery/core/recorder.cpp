#include "recovery/core/recorder.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "document/blockcommands.h"
#include "document/recordcommands.h"
#include "mob/objref.h"

namespace kelvarin {
namespace {

// Positions `at` to `at + count`, ascending.
std::vector<std::uint32_t> Run(std::uint32_t at, std::uint32_t count) {
  std::vector<std::uint32_t> positions(count);
  for (std::uint32_t i = 0; i < count; ++i) positions[i] = at + i;
  return positions;
}

// The records of each kind, by ascending position, that `changed` names.
void JournalChangedInPlace(const std::vector<TObjRef>& changed, const TMob& mob, TOpWriter& out) {
  std::array<std::vector<std::uint32_t>, kObjKindCount> byKind;
  for (const TObjRef& ref : changed)
    if (RefersToRecord(mob, ref)) byKind[int(ref.kind)].push_back(std::uint32_t(ref.index));
  for (ObjKind kind : kAllObjKinds) {
    auto& indices = byKind[int(kind)];
    if (indices.empty()) continue;
    std::ranges::sort(indices);
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    out.Replace(mob, kind, indices);
  }
}

// The change as it stands after a forward application; the numbers of the
// operations written go to `written`.
void JournalRecordsEdit(const TRecordsEdit& edit, const TMob& mob, TOpWriter& out, std::uint64_t& count,
                        std::vector<std::uint64_t>& written) {
  const auto note = [&](auto&& write) {
    const std::uint64_t before = count;
    write();
    if (count > before) written.push_back(before);
  };
  for (TRecordsEdit::TTouched& touched : edit.Touched()) {
    // The taken ones go; the changed ones that stayed moved up past them.
    note([&] { out.Delete(touched.kind, touched.taken); });
    std::vector<std::uint32_t> now;
    now.reserve(touched.changed.size());
    std::size_t gone = 0;
    for (std::uint32_t index : touched.changed) {
      while (gone < touched.taken.size() && touched.taken[gone] < index) ++gone;
      if (gone < touched.taken.size() && touched.taken[gone] == index) continue;
      now.push_back(std::uint32_t(index - gone));
    }
    note([&] { out.Replace(mob, touched.kind, now); });
    note([&] { out.Insert(mob, touched.kind, Run(touched.appendedAt, touched.appended)); });
  }
}

// The change undone, written out: every record stands where it stood before it.
void JournalRecordsEditUndone(const TRecordsEdit& edit, const TMob& mob, TOpWriter& out) {
  for (TRecordsEdit::TTouched& touched : edit.Touched()) {
    out.Delete(touched.kind, Run(touched.appendedAt, touched.appended));
    out.Insert(mob, touched.kind, touched.taken);
    out.Replace(mob, touched.kind, touched.changed);
  }
}

}  // namespace

void TStepJournal::Reset() {
  m_count = 0;
  m_applied.clear();
}

void TStepJournal::Note(const TDocCommand& step, TChangeCause cause, const TMob& mob, Bytes& ops) {
  TOpWriter out(ops, m_count);
  const bool undone = cause == TChangeCause::Undo;
  if (const std::optional<TRestoredOps> restored = RestoredOps(step); restored && !undone) {
    out.Append(*restored->form, restored->count);
  } else if (const auto changed = step.RecordsChangedInPlace()) {
    JournalChangedInPlace(*changed, mob, out);
  } else if (const auto* block = dynamic_cast<const TBlockReplaceCommand*>(&step)) {
    out.Block(mob, block->Block());
  } else if (const auto* records = dynamic_cast<const TRecordsEditCommand*>(&step)) {
    if (!undone) {
      JournalRecordsEdit(records->Edit(), mob, out, m_count, m_applied[&step]);
    } else if (const auto applied = m_applied.find(&step); applied != m_applied.end()) {
      // Every later step is undone: the lists stand as its operations left them.
      for (auto op = applied->second.rbegin(); op != applied->second.rend(); ++op) out.Revert(*op);
      m_applied.erase(applied);
    } else {
      // Its application is not in this journal (it came before the last save).
      JournalRecordsEditUndone(records->Edit(), mob, out);
    }
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
  m_steps.Reset();
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
  m_steps.Note(step, cause, m_session.Mob(), m_ops);
  NoteChange();
}

}  // namespace kelvarin
