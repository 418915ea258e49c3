// Follows the open document's changes for the recovery journal: every step the
// session applies, undoes or redoes is noted at once in the journal's form (record
// positions and the touched records' file form, a few hundred bytes for an edit of
// one record, four bytes a record for a deletion), and Flush hands what gathered
// to the journal's writer. Whoever drives the session calls Flush a while after
// the first change (`changed` says when one came): the editor after
// RecoverySeconds, tests when they like.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/documentsession.h"
#include "recovery/core/journalwriter.h"

namespace kelvarin {

// Puts what steps do into the journal's form. It remembers which operations the
// last application of a change of many records wrote, so that its undo takes them
// back by reference instead of writing out every record it brings back.
class TStepJournal {
 public:
  // Appends what `step` has just done to `mob` (applied, redone or undone) to `ops`.
  void Note(const TDocCommand& step, TChangeCause cause, const TMob& mob, Bytes& ops);
  // The journal starts again, empty.
  void Reset();

 private:
  std::uint64_t m_count = 0;  // operations in the journal so far
  std::unordered_map<const TDocCommand*, std::vector<std::uint64_t>> m_applied;
};

class TRecoveryRecorder : private TDocumentListener {
 public:
  struct THooks {
    std::function<std::string()> editedScript;  // the script as the user sees it (1251)
    std::function<void()> changed;              // the first change since the last Flush
    std::function<std::int64_t()> clock;        // wall clock, ms since 1970
  };
  TRecoveryRecorder(TDocumentSession& session, TJournalWriter& writer, THooks hooks);
  ~TRecoveryRecorder() override;
  TRecoveryRecorder(const TRecoveryRecorder&) = delete;
  TRecoveryRecorder& operator=(const TRecoveryRecorder&) = delete;

  // Hands the changes gathered since the last call to the writer.
  void Flush();
  bool Pending() const { return m_pending; }

 private:
  void DocumentOpened() override;
  void DocumentSaved(bool pathChanged) override;
  void DocumentClosed() override;
  void ModifiedChanged(bool modified) override;
  void StepDone(const TDocCommand& step, TChangeCause cause) override;
  void ScriptEdited() override { NoteChange(); m_scriptDirty = true; }
  void ScriptReplaced() override { ScriptEdited(); }
  void NoteChange();
  void Drop();

  TDocumentSession& m_session;
  TJournalWriter& m_writer;
  THooks m_hooks;
  TStepJournal m_steps;
  Bytes m_ops;  // gathered since the last Flush
  bool m_pending = false;
  bool m_scriptDirty = false;
  std::int64_t m_lastChange = 0;
};

}  // namespace kelvarin
