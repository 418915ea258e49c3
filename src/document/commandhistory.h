// The undo history of the document's records: a stack of commands, each one step
// the user can take back and do again. A command is pushed once its change has
// been made (the session makes it with the step's Redo); it keeps the positions of
// the records it touched and their old and new values, never a copy of the
// document.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mob/objref.h"

namespace kelvarin {

// What a step touched, as the pages need it after an undo or redo.
struct TRecordsChange {
  std::optional<TObjRef> record;  // the record to select, when one is left to select
  bool listsResized = false;     // records came or went: positions have moved
  bool blocksReplaced = false;   // unknown blocks took other bytes; no record changed
  // A step over several records that stay selected together (an edit of what
  // they share, copies, records put back): all of them, `record` first. Empty
  // for the steps that select one record.
  std::vector<TObjRef> records;

  // A change of one record, which is selected after it.
  static TRecordsChange Of(TObjRef ref) {
    TRecordsChange change;
    change.record = ref;
    return change;
  }
};

class TDocCommand {
 public:
  explicit TDocCommand(std::string caption) : m_caption(std::move(caption)) {}
  virtual ~TDocCommand() = default;
  TDocCommand(const TDocCommand&) = delete;
  TDocCommand& operator=(const TDocCommand&) = delete;

  virtual void Undo(TMob& mob) = 0;
  virtual void Redo(TMob& mob) = 0;
  // What the step touched, as the records stand after Redo (undone false) or
  // after Undo (undone true).
  virtual TRecordsChange Change(bool undone) const = 0;
  // Bytes the step holds, its own object included. The history asks when the step
  // is pushed or merged and counts that figure until it drops the step.
  virtual std::size_t MemorySize() const = 0;
  // Takes in `next`, done right after this step, when both belong to one gesture
  // (a run of wheel turns): the step then undoes both. False leaves both apart.
  virtual bool MergeWith(const TDocCommand& next) {
    (void)next;
    return false;
  }

  // After the first Redo: the step turned out to change nothing (a mass change
  // that selected no record) and is dropped.
  virtual bool Empty() const { return false; }

  // The records whose values the step changes, when it moves none (no record comes
  // or goes) and touches nothing else; nullopt for any other step. What a journal of
  // the document's changes needs to write down: these records as they now stand.
  virtual std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const { return std::nullopt; }

  // A log line for every undo of the step, telling what it does not take back;
  // empty for most steps.
  virtual std::string UndoNote() const { return {}; }

  // UTF-8, for tooltips and the log.
  const std::string& Caption() const { return m_caption; }

 protected:
  void SetCaption(std::string caption) { m_caption = std::move(caption); }

 private:
  std::string m_caption;
};

class TCommandHistory {
 public:
  static constexpr std::size_t kNoIndex = std::numeric_limits<std::size_t>::max();

  // Adds a step whose change has been made already. Steps that could be redone are
  // dropped. The step merges into the one before it when that is the last step
  // pushed and nothing was undone, redone or saved in between. Then, while the
  // history holds more than its memory limit, the oldest steps are dropped (the
  // new one too, when it alone is above the limit).
  void Push(std::unique_ptr<TDocCommand> command);

  bool CanUndo() const { return m_index > 0; }
  bool CanRedo() const { return m_index < m_commands.size(); }
  // The step Undo / Redo would take; nullptr when there is none.
  const TDocCommand* NextUndo() const { return CanUndo() ? m_commands[m_index - 1].command.get() : nullptr; }
  const TDocCommand* NextRedo() const { return CanRedo() ? m_commands[m_index].command.get() : nullptr; }
  // Takes one step back or forward; returns the step, or nullptr when there is none.
  const TDocCommand* Undo(TMob& mob);
  const TDocCommand* Redo(TMob& mob);

  void Clear();
  // Drops every step after a change that is kept nowhere (no history is wanted):
  // the state the file holds cannot be reached again.
  void Discard();
  // The next push starts a step of its own.
  void CloseGesture() { m_mergeOpen = false; }

  // The file holds the records as they stand now.
  void MarkSaved();
  // Whether the records stand as the file holds them: nothing was done since the
  // last save or load, or all of it was undone (or redone back to that point).
  bool AtSaved() const { return m_saved == m_index; }
  // The document was loaded again from its file: it stands where the file was
  // last saved (or loaded). Steps after that point are dropped; when that point
  // is no longer in the history, the whole history is.
  void RevertToSaved();

  // Bytes the history may hold; the oldest steps give way.
  void SetMemoryLimit(std::size_t bytes);
  std::size_t MemoryLimit() const { return m_limit; }
  std::size_t MemoryUsed() const { return m_memory; }
  // Steps dropped by the memory limit since the last call.
  std::size_t TakeDroppedCount() { return std::exchange(m_dropped, 0); }

  std::size_t Count() const { return m_commands.size(); }
  std::size_t Index() const { return m_index; }

 private:
  struct Step {
    std::unique_ptr<TDocCommand> command;
    std::size_t size = 0;  // MemorySize when pushed or last merged
  };
  void DropOldest();
  void DropRedoSteps();

  std::vector<Step> m_commands;
  std::size_t m_index = 0;  // steps done; m_commands[m_index] is the next redo
  std::size_t m_saved = 0;  // the index the file matches, or kNoIndex
  bool m_mergeOpen = false;
  std::size_t m_memory = 0;
  std::size_t m_limit = std::numeric_limits<std::size_t>::max();
  std::size_t m_dropped = 0;
};

}  // namespace kelvarin
