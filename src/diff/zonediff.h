// What changed from one zone to another, field by field: the structured result
// that the command line, the editor's result list and scripting all read.
//
// Records are paired per kind by identity (ObjectID, or ID for particles);
// records sharing an identity within one zone pair in list order. A paired record
// whose values differ lists each changed field; one that only changed its place
// among the others of its list is moved. The script is compared as deciphered
// text, line by line; the flag block, unknown blocks, unknown object sub-blocks
// and the tail by their bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diff/linediff.h"
#include "document/fieldvalue.h"
#include "mob/records.h"

namespace kelvarin {

class TMob;

struct TFieldChange {
  const char* field = "";  // as the parameter table names it
  TFieldValue a, b;
};

struct TRecordDiff {
  enum class Change { Added, Removed, Changed };
  ObjKind kind = ObjKind::Unit;
  Change change = Change::Changed;
  std::int32_t identity = 0;
  std::uint32_t occurrence = 0;  // among the records of its list carrying the same identity
  std::optional<std::size_t> indexA, indexB;  // place in each zone's list
  bool moved = false;  // took another place among the records both zones hold
  std::vector<TFieldChange> fields;
};

// A block compared by its bytes.
struct TBlockDiff {
  enum class Block { Flag, ScriptBlock, ObjectBlock, Unknown, UnknownObject, Tail };
  struct Side {
    bool present = false;
    std::uint32_t type = 0;    // block type (flag, unknown) or sub-block kind id
    std::int32_t number = 0;   // position in the main block (unknown blocks)
    std::uint64_t size = 0;
  };
  Block block = Block::Unknown;
  std::size_t ordinal = 0;  // which unknown block or sub-block, from 0, in list order
  Side a, b;
  // Which parts of a side and of the block tell something: only unknown blocks
  // carry a number in the main block, the tail has no type, and only blocks held
  // in a list have an ordinal.
  bool HasNumber() const { return block == Block::Unknown; }
  bool HasType() const { return block != Block::Tail; }
  bool HasOrdinal() const { return block == Block::Unknown || block == Block::UnknownObject; }
  // The first byte that differs where both hold the block; the shorter length
  // when one is the start of the other.
  std::optional<std::uint64_t> firstDifference;
};

struct TScriptDiff {
  bool presentA = false, presentB = false;
  std::uint32_t keyA = 0, keyB = 0;  // as the files are written: 0 (plain text) or the default key
  std::vector<TDiffHunk> hunks;      // of the deciphered texts (code page 1251)
  bool Same() const { return presentA == presentB && keyA == keyB && hunks.empty(); }
};

struct TZoneDiff {
  std::vector<TBlockDiff> blocks;
  std::vector<TRecordDiff> records;  // per kind in kind order: removed ones, then the rest in B's order
  TScriptDiff script;
  // Both zones are kept in file images whose bytes differ although every block
  // holds the same content: the blocks, the records or the script's key stand in
  // another form, which the writer makes one.
  bool layoutDiffers = false;

  bool SameContent() const { return blocks.empty() && records.empty() && script.Same(); }
};

// Compares two loaded zones, kept in their lists or left in their file images
// (RecordsStayInImage: records are compared by bytes first and decoded only where
// those differ). `scriptA` and `scriptB`, when given, stand for a zone's script
// text: the text an editor holds, which the document takes only when it is saved.
TZoneDiff DiffZones(const TMob& a, const TMob& b, std::optional<std::string_view> scriptA = std::nullopt,
                    std::optional<std::string_view> scriptB = std::nullopt);

// The names the structured forms of a diff give: "flag", "script", "object",
// "unknown", "unknown-object", "tail" for a block; "added", "removed", "changed" or
// "moved" (a record that only took another place) for a record.
const char* BlockDiffKey(TBlockDiff::Block block);
const char* RecordChangeKey(const TRecordDiff& record);

// The diff as lines for a person: what changed in which block and record, each
// field as "name: old -> new", then the script's unified diff. Strings stay code
// page 1251; `nameA` and `nameB` head the script's diff.
std::string ZoneDiffText(const TZoneDiff& diff, const std::string& nameA, const std::string& nameB);

// The script's unified diff alone, headed by `nameA` and `nameB`; empty when the
// texts are the same.
std::string ScriptHunksText(const TScriptDiff& script, const std::string& nameA, const std::string& nameB);

// "units 17", "units 17 (2)" for the second record of that identity.
std::string RecordLabel(ObjKind kind, std::int32_t identity, std::uint32_t occurrence);

}  // namespace kelvarin
