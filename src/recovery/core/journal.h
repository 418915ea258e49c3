// The recovery journal's contents and file form: the file it belongs to (as it was
// opened or last saved), and the changes made to it since, as a list of record
// operations in the records' own file form, plus the script text as the user last
// left it. Applied in order to the file's document, the operations rebuild the
// unsaved state; they describe states, not history, so undo and redo are journaled
// as the changes they make.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/bytes.h"
#include "common/filesystem.h"
#include "document/blockcommands.h"
#include "document/commandhistory.h"
#include "mob/records.h"

namespace kelvarin {

// A file as it stood: the journal is refused for a file that is no longer so.
struct TOriginalFile {
  std::string path;
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uint64_t hash = 0;
  bool operator==(const TOriginalFile&) const = default;
};

// Looks at the file `path` names and hashes its bytes; nullopt when it cannot be
// read (or it changed while being read).
std::optional<TOriginalFile> DescribeFile(const std::string& path);

// Appends operations to a buffer in the journal's form, counting them.
class TOpWriter {
 public:
  TOpWriter(Bytes& out, std::uint64_t& count) : m_out(out), m_count(count) {}
  // The records of `kind` at `indices` (as they stand in `mob`) take these values
  // (Replace) or come in at these positions, ascending (Insert).
  void Replace(const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices);
  void Insert(const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices);
  // The records at `indices` (ascending) leave their list.
  void Delete(ObjKind kind, const std::vector<std::uint32_t>& indices);
  // The whole document's records and blocks, for a change the journal has no
  // smaller form of.
  void Snapshot(const TMob& mob);
  void Block(const TMob& mob, TUnknownBlockRef ref);
  // Takes back operation number `target` (counted from the journal's start; a
  // Replace, Insert or Delete), the lists standing as it left them again: an undo
  // that costs next to nothing however many records it puts back.
  void Revert(std::uint64_t target);
  // Operations the journal holds already, in their form.
  void Append(const Bytes& ops, std::size_t count);

 private:
  void Records(std::uint8_t type, const TMob& mob, ObjKind kind, const std::vector<std::uint32_t>& indices);
  void Begin(std::uint8_t type, std::uint8_t kind);
  Bytes& m_out;
  std::uint64_t& m_count;
};

struct TJournal {
  TOriginalFile original;
  std::int64_t lastChangeMs = 0;      // wall clock, milliseconds since 1970
  std::optional<std::string> script;  // the script as edited (1251), when it was
  Bytes ops;
};

// Writes the journal (with a checksum over everything) into `handle`.
bool WriteJournal(TFileSystem& fs, int handle, const TJournal& journal, int& err);
// The journal a file holds; nullopt with the reason when it is not one this
// program wrote whole.
std::optional<TJournal> ReadJournal(const Bytes& file, std::string& why);

// The journal's operations as one step of the history, "Восстановление". The
// records are decoded and every position checked against `mob` before anything
// changes: nullptr with the reason when they do not fit it.
std::unique_ptr<TDocCommand> RestoreStep(const TMob& mob, const Bytes& ops, std::string& why);

// The step RestoreStep makes: its operations in the journal's form, so that the
// journal of the restored document starts with them.
struct TRestoredOps {
  const Bytes* form;
  std::size_t count;
};
std::optional<TRestoredOps> RestoredOps(const TDocCommand& step);

}  // namespace kelvarin
