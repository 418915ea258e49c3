// The undo steps of the record history, one class per kind of change. To add a
// kind: derive from TDocCommand, keep the record positions and the values the
// change puts in or replaced (never the document), make Redo make the change and
// Undo take it back, report what was touched and the bytes held, and merge with
// the next step only when both belong to one gesture. A step is made before its
// change and handed to TDocumentSession::Apply, which makes the change with Redo.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "document/fieldvalue.h"
#include "document/commandhistory.h"
#include "document/recordsedit.h"
#include "mob/recordrules.h"

namespace kelvarin {

// One committed edit of one field of one record, a parameter-table row say.
class TFieldEditCommand : public TDocCommand {
 public:
  // Redo gives the field `key` of `ref` the value `value`.
  TFieldEditCommand(TObjRef ref, std::string key, TFieldValue value, std::string caption);

  // The step that sets the field to `value`; nullptr when there is no such field
  // or it holds these bytes already (a re-applied value is no step).
  static std::unique_ptr<TFieldEditCommand> Set(const TMob& mob, TObjRef ref, std::string key, TFieldValue value,
                                                std::string caption);

  void Undo(TMob& mob) override { Exchange(mob); }
  void Redo(TMob& mob) override { Exchange(mob); }
  TRecordsChange Change(bool) const override { return TRecordsChange::Of(m_ref); }
  std::size_t MemorySize() const override;

  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override { return {{m_ref}}; }
  const std::string& Key() const { return m_key; }

 private:
  void Exchange(TMob& mob);

  TObjRef m_ref;
  std::string m_key;
  TFieldValue m_other;  // the value the record does not hold now
};

// The caption of a field edit: the field and its new value as the parameter table
// shows it (1251 bytes), "LoadX = 12.5"; a long value is cut short.
std::string FieldEditCaption(std::string_view key, std::string_view displayText);

// A turn of one record in the orientation view. The turns of one gesture (a run of
// wheel notches) merge into one step.
class TTurnCommand : public TDocCommand {
 public:
  TTurnCommand(TObjRef ref, const TRotationFields& before, const TRotationFields& after,
               std::uint64_t gesture, std::string caption);

  void Undo(TMob& mob) override { WriteRotation(mob, m_ref, m_before); }
  void Redo(TMob& mob) override { WriteRotation(mob, m_ref, m_after); }
  TRecordsChange Change(bool) const override { return TRecordsChange::Of(m_ref); }
  std::size_t MemorySize() const override { return sizeof(*this) + HeapBytes(Caption()); }
  bool MergeWith(const TDocCommand& next) override;

  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override { return {{m_ref}}; }

 private:
  TObjRef m_ref;
  TRotationFields m_before, m_after;
  std::uint64_t m_gesture;
};

// A change of many records at once (a mass change): fields given new values and
// records taken out of their lists.
class TRecordsEditCommand : public TDocCommand {
 public:
  // The change is made by a scan that notes what it does as it goes: the first
  // Redo runs `change`, which fills the edit and returns the step's caption (it
  // may name what the scan found); every later Redo and Undo replays the edit.
  // `undoNote`: a log line for each undo (what the undo does not take back).
  using TChange = std::function<std::string(TMob&, TRecordsEdit&)>;
  // How an undo or redo selects: the first record touched (a mass change), or
  // every record touched (a change of the records the user selected together).
  enum class TSelects { First, Every };
  explicit TRecordsEditCommand(TChange change, std::string undoNote = {}, TSelects selects = TSelects::First)
      : TDocCommand({}), m_change(std::move(change)), m_undoNote(std::move(undoNote)), m_selects(selects) {}

  void Undo(TMob& mob) override { m_edit.Undo(mob); }
  void Redo(TMob& mob) override;
  TRecordsChange Change(bool undone) const override { return m_edit.Change(undone, m_selects == TSelects::Every); }
  bool Empty() const override { return m_edit.Empty(); }
  std::size_t MemorySize() const override {
    return sizeof(*this) - sizeof(m_edit) + m_edit.MemorySize() + HeapBytes(Caption()) + HeapBytes(m_undoNote);
  }
  std::string UndoNote() const override { return m_undoNote; }
  const TRecordsEdit& Edit() const { return m_edit; }

 private:
  TChange m_change;  // until the first Redo has run it
  TRecordsEdit m_edit;
  std::string m_undoNote;
  TSelects m_selects;
};

}  // namespace kelvarin
