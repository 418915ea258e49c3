// Where each block of a document stands in its file: the main block's blocks in
// file order with their types, offsets and sizes, the object block's sub-blocks in
// file order (runs of records of one kind, unknown sub-blocks one by one), and the
// tail. A load records the layout of the file as it frames it (TMob::FileLayout);
// MobBlockLayout works out the layout of the file the document writes (unknown
// blocks at their numbers, the script and object blocks in the free places, the
// records grouped by kind with the unknown sub-blocks last), which a save then
// records. Nothing here parses bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"
#include "mob/records.h"

namespace kelvarin {

class TMob;

enum class TBlockKind { Flag, Script, Object, Unknown, Tail };

// One block the writer puts into the main block, in the order it does.
struct TWrittenBlock {
  std::int32_t number = 0;       // the block's position; the flag block is 1
  TBlockKind kind = TBlockKind::Unknown;
  std::size_t unknownIndex = 0;  // into UnknownBlocks, for an unknown block
  bool operator==(const TWrittenBlock&) const = default;
};

// The blocks after the flag block, as the writer emits them: each unknown block
// at its number (the first one in list order when several share a number; none
// below 2 or past the block count), the script block and then the object block in
// the first numbers left free. Runs in the number of blocks, however large the
// block count is.
std::vector<TWrittenBlock> BlockWriteOrder(const TMob& mob);

struct TBlockPlace {
  std::int32_t number = 0;  // 0 for the tail
  TBlockKind kind = TBlockKind::Unknown;
  std::uint32_t type = 0;  // the type field; 0 for the tail
  std::uint64_t offset = 0;
  std::uint64_t size = 0;  // header included; the tail's length for the tail
  std::size_t unknownIndex = 0;  // into UnknownBlocks, for an unknown block
  bool operator==(const TBlockPlace&) const = default;
};

// One part of the object block: a run of records of one kind that lie back to
// back, or one unknown sub-block.
struct TSubBlockPlace {
  bool unknown = false;
  ObjKind kind = ObjKind::Unit;  // a run's kind
  std::size_t count = 0;         // a run's records; 1 for an unknown sub-block
  std::size_t unknownIndex = 0;  // into UnknownObjectBlocks, for an unknown sub-block
  std::uint32_t type = 0;        // the kind's id, or the unknown sub-block's type field
  std::uint64_t offset = 0;
  std::uint64_t size = 0;        // bytes of the run or of the sub-block
  bool operator==(const TSubBlockPlace&) const = default;
};

struct TBlockLayout {
  std::vector<TBlockPlace> blocks;  // flag block first, tail (when there is one) last
  // The sub-blocks of the object block whose records the document holds (the last
  // one in the file), in file order; empty without an object block.
  std::vector<TSubBlockPlace> subBlocks;
  std::uint64_t mainBlockLength = 0;
  std::uint64_t fileSize = 0;

  // The place in `blocks` of the object block that `subBlocks` divide; nullopt
  // without one.
  std::optional<std::size_t> ObjectBlockIndex() const;
  bool operator==(const TBlockLayout&) const = default;
};

// The layout of the file the document writes. Empty for a document that holds
// nothing loaded.
TBlockLayout MobBlockLayout(const TMob& mob);

// The layout of the file the document was last read from or written to; for a
// document that came from neither (made in memory), that of the file it writes.
TBlockLayout FileLayoutOf(const TMob& mob);

// The bytes of one block of the layout as the document writes it, its 8-byte
// header included (the tail has none).
Bytes BlockBytes(const TMob& mob, const TBlockPlace& block);

}  // namespace kelvarin
