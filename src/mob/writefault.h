// The one rule of what the writer writes: only a file that loads back. A document
// built in memory (from JSON, by a script) may hold what no loaded file can: no
// zone kind, no block after the flag block, a kept block whose size field is not
// its length or whose type would be read as something else. The writer refuses
// such a document with WriteFaultLine; readers of other forms ask FindWriteFault
// first and refuse their input with the place it names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kelvarin {

class TMob;

struct TWriteFault {
  enum class Where {
    ZoneKind,         // MobKind is neither "QuestMob" nor "ZonalMob"
    NoBlock,          // no block would follow the flag block
    UnknownBlock,     // UnknownBlocks[index]
    UnknownSubBlock,  // UnknownObjectBlocks[index]
    UnitChunk,        // Units[index]: its RawChunk (chunk < 0) or ExtraBlocks[chunk]
  };
  enum class Why {
    Unframed,   // shorter than its header, or its size field is not its length
    WrongType,  // read back it would be a script or object block, a record, or a chunk of another id
  };
  Where where = Where::NoBlock;
  Why why = Why::Unframed;
  std::size_t index = 0;
  std::ptrdiff_t chunk = -1;
  bool operator==(const TWriteFault&) const = default;
};

// The first fault in document order (kind, blocks, unknown blocks, unknown
// sub-blocks, units); nullopt when the file the document writes loads back.
std::optional<TWriteFault> FindWriteFault(const TMob& mob);

// The log line of the writer's refusal of `mob`.
std::string WriteFaultLine(const TMob& mob, const TWriteFault& fault);

}  // namespace kelvarin
