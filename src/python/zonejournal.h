// The changes a script made to a document, written down as they were made so
// that all of them can be taken back and done again: the values fields held
// before, the records that came and the records that went, by position. Nothing
// is copied to undo or redo: values and records are exchanged back.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "python/zonehandle.h"

namespace kelvarin {

class TZoneJournal : public TZoneRecorder {
 public:
  void FieldChanged(TObjRef ref, const char* key, TFieldValue old) override;
  void RecordInserted(TObjRef ref) override;
  void RecordRemoved(TObjRef ref, TAnyRecord record) override;

  // `mob` stands as the changes left it; afterwards as before them.
  void Undo(TMob& mob);
  // The changes again, on `mob` as it stood before them.
  void Redo(TMob& mob);

  bool Empty() const { return m_entries.empty(); }
  // Whether records came or went (positions of the lists have moved).
  bool ListsResized() const { return m_listsResized; }
  // The records whose fields changed, each once, by kind and position.
  std::vector<TObjRef> ChangedRecords() const;
  std::size_t MemorySize() const;

 private:
  struct Entry {
    enum class Type { Field, Insert, Remove } type;
    TObjRef ref;
    const char* key = nullptr;   // Field
    TFieldValue value;           // Field: the value the record does not hold now
    // Insert, Remove: the record while it is out of its list. Held apart, so that
    // the entries of field changes, the most of a large run, stay small.
    std::unique_ptr<TAnyRecord> record;
  };

  static void PutBack(TMob& mob, Entry& entry);
  static void TakeOut(TMob& mob, Entry& entry);

  std::vector<Entry> m_entries;
  bool m_listsResized = false;
};

}  // namespace kelvarin
