// A three-way merge of zones, record by record and field by field, as a version
// control system's merge driver needs it: a field changed on one side only takes
// that change, one changed alike on both sides takes it, one changed differently
// is a conflict that keeps ours' value. Records added or removed on one side are
// added or removed; one removed on a side and changed on the other is a conflict
// that keeps ours. The script merges line by line; the flag block, unknown blocks,
// unknown object sub-blocks and the tail as whole values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diff/linediff.h"
#include "mob/records.h"

namespace kelvarin {

class TMob;

struct TMergeConflict {
  enum class Place { Flag, ObjectBlock, UnknownBlocks, UnknownObjectBlocks, Tail, ScriptBlock, ScriptKey, ScriptLines, Record };
  enum class Kind {
    Values,           // both sides changed it, differently: base, ours and theirs say how
    RemovedByOurs,    // ours removed what theirs changed (it stays removed)
    RemovedByTheirs,  // theirs removed what ours changed (it stays)
  };
  Place place = Place::Record;
  Kind kind = Kind::Values;
  // An unknown block or sub-block: which one, from 0; the whole list when the
  // sides hold different numbers of them.
  std::optional<std::size_t> ordinal;
  // A record: its kind and identity, and which record of that identity in ours'
  // list (theirs' when ours has none); the field, empty for a whole record.
  ObjKind recordKind = ObjKind::Unit;
  std::int32_t identity = 0;
  std::uint32_t occurrence = 0;
  std::string field;
  // The value texts (code page 1251) of a Values conflict.
  std::string base, ours, theirs;
  // Script lines.
  TLineConflict lines;
};

// A record theirs added with an identity that ours added too: it gets another.
struct TRenumbered {
  ObjKind kind = ObjKind::Unit;
  std::size_t index = 0;  // its place in the merged list
  std::int32_t from = 0;
  std::uint32_t to = 0;
};

struct TZoneMerge {
  std::vector<TMergeConflict> conflicts;
  std::vector<TRenumbered> renumbered;
  // A clashing record found no free identity: the result must not be written.
  bool identitiesExhausted = false;
};

// Merges `ours` and `theirs`, both descended from `base`, into `result`, which is
// emptied first and then holds a loaded document ready to save. The three may keep
// their records in lists or in their file images.
TZoneMerge MergeZones(const TMob& base, const TMob& ours, const TMob& theirs, TMob& result);

// One line per conflict and per renumbered record, for a person (code page 1251).
std::string MergeConflictText(const TMergeConflict& conflict);
std::string RenumberedText(const TRenumbered& renumbered);

}  // namespace kelvarin
