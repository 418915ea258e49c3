// Where each block of a document stands in its file: the main block's blocks in
// file order with their types, offsets and sizes, the object block's sub-blocks by
// kind, and the tail. The places follow from the writer's order alone (unknown
// blocks at their numbers, the script and object blocks in the free places, the
// object block's records grouped by kind with the unknown sub-blocks last), so they
// are those of the file as last written, and of a file as read whenever its blocks
// stood in that order. Nothing here parses bytes.
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
};

// The records of one kind inside the object block (they stand together).
struct TSubBlockGroup {
  ObjKind kind = ObjKind::Unit;
  std::size_t count = 0;
  std::uint64_t offset = 0;  // of the first record; where it would be when there is none
  std::uint64_t bytes = 0;
};

struct TUnknownSubBlockPlace {
  std::size_t index = 0;  // into UnknownObjectBlocks
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

struct TBlockLayout {
  std::vector<TBlockPlace> blocks;  // flag block first, tail (when there is one) last
  std::array<TSubBlockGroup, kObjKindCount> groups{};  // kind order; empty without an object block
  std::vector<TUnknownSubBlockPlace> unknownSubBlocks;
  std::uint64_t mainBlockLength = 0;
  std::uint64_t fileSize = 0;

  // The object block's place in `blocks`; nullopt without one.
  std::optional<std::size_t> ObjectBlockIndex() const;
};

// The layout of the file the document writes. Empty for a document that holds
// nothing loaded.
TBlockLayout MobBlockLayout(const TMob& mob);

// The bytes of one block of the layout as the document writes it, its 8-byte
// header included (the tail has none).
Bytes BlockBytes(const TMob& mob, const TBlockPlace& block);

}  // namespace kelvarin
