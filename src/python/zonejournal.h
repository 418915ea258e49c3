// The changes a script made to a document, written down as they were made so
// that all of them can be taken back and done again: the values fields held
// before, the records that came and the records that went, by position. Nothing
// is copied to undo or redo: values and records are exchanged back.
#pragma once

#include <cstddef>
#include <cstdint>
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
  enum class Type : std::uint8_t { Field, Insert, Remove };
  // One change in twelve bytes: a large run is mostly field changes, most of them
  // to numbers, whose old values are kept inside the entry.
  struct Entry {
    Type type;
    ObjKind kind;
    std::uint16_t key = 0;  // Field: into m_keys
    std::uint32_t index;    // the record's position in its list
    // Field: the old number's bits, or where m_values holds a text or list.
    // Insert, Remove: where m_records holds the record.
    std::uint32_t value = 0;
  };
  // A field by its name and the type of its values (the alternative of TFieldValue).
  struct Key {
    const char* name;
    std::size_t type;
  };

  std::uint16_t KeyId(const char* name, std::size_t type);
  void SwapField(TMob& mob, Entry& entry);
  static void PutBack(TMob& mob, const Entry& entry, std::unique_ptr<TAnyRecord>& held);
  static void TakeOut(TMob& mob, const Entry& entry, std::unique_ptr<TAnyRecord>& held);

  std::vector<Entry> m_entries;
  std::vector<Key> m_keys;
  std::uint16_t m_lastKey = 0;
  // The texts and lists fields do not hold now.
  std::vector<TFieldValue> m_values;
  // Inserted and removed records while they are out of their lists; null while in.
  std::vector<std::unique_ptr<TAnyRecord>> m_records;
  bool m_listsResized = false;
};

}  // namespace kelvarin
