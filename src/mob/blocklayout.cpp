#include "mob/blocklayout.h"

#include <algorithm>
#include <map>

#include "mob/tmob.h"

namespace kelvarin {

std::vector<TWrittenBlock> BlockWriteOrder(const TMob& mob) {
  // The first block of each number, in number order.
  std::map<std::int64_t, std::size_t> unknownAt;
  for (std::size_t i = 0; i < mob.UnknownBlocks.size(); ++i)
    unknownAt.try_emplace(mob.UnknownBlocks[i].Number, i);

  // The known blocks the document has, in the order of the known-block sequence.
  std::vector<TBlockKind> known;
  for (std::uint32_t type = TMob::NextKnownBlockType(0); type != 0; type = TMob::NextKnownBlockType(type)) {
    if (type == kScriptBlockType && mob.HasScript) known.push_back(TBlockKind::Script);
    if (type == kObjectBlockType && mob.HasObjects) known.push_back(TBlockKind::Object);
  }
  std::size_t nextKnown = 0;

  std::vector<TWrittenBlock> order;
  // Position 2 is always visited, even in a document that counts fewer blocks.
  const std::int64_t last = std::max<std::int64_t>(mob.BlockCount, 2);
  for (std::int64_t n = 2; n <= last;) {
    if (const auto it = unknownAt.find(n); it != unknownAt.end()) {
      order.push_back({std::int32_t(n), TBlockKind::Unknown, it->second});
      ++n;
    } else if (nextKnown < known.size()) {
      order.push_back({std::int32_t(n), known[nextKnown++], 0});
      ++n;
    } else {
      // Only unknown blocks remain: go straight to the next one instead of walking
      // every empty position up to a block count that may be huge.
      const auto next = unknownAt.upper_bound(n);
      if (next == unknownAt.end()) break;
      n = next->first;
    }
  }
  return order;
}

std::optional<std::size_t> TBlockLayout::ObjectBlockIndex() const {
  for (std::size_t i = blocks.size(); i-- > 0;)
    if (blocks[i].kind == TBlockKind::Object) return i;
  return std::nullopt;
}

namespace {

void PlaceObjectBlock(const TMob& mob, std::uint64_t blockOffset, TBlockLayout& layout,
                      TBlockPlace& block) {
  // The writer's order: the records grouped by kind, then the unknown sub-blocks.
  std::uint64_t at = blockOffset + 8;
  for (ObjKind kind : kAllObjKinds) {
    const std::size_t count = mob.Count(kind);
    if (count == 0) continue;
    const std::uint64_t bytes = mob.RecordBytes(kind);
    layout.subBlocks.push_back({false, kind, count, 0, KindIdOf(kind), at, bytes});
    at += bytes;
  }
  for (std::size_t i = 0; i < mob.UnknownObjectBlocks.size(); ++i) {
    const Bytes& data = mob.UnknownObjectBlocks[i].Data;
    layout.subBlocks.push_back({true, ObjKind::Unit, 1, i, data.size() >= 4 ? ReadU32(data.data()) : 0, at, data.size()});
    at += data.size();
  }
  block.size = at - blockOffset;
}

}  // namespace

TBlockLayout MobBlockLayout(const TMob& mob) {
  TBlockLayout layout;
  if (!mob.Loaded) return layout;
  std::uint64_t at = 8;  // after the signature and the main block's length
  if (mob.MobKind == "QuestMob" || mob.MobKind == "ZonalMob") {
    layout.blocks.push_back({1, TBlockKind::Flag,
                             mob.MobKind == "QuestMob" ? kQuestMobFlag : kZonalMobFlag, at, 8, 0});
    at += 8;
  }
  for (const TWrittenBlock& written : BlockWriteOrder(mob)) {
    TBlockPlace block{written.number, written.kind, 0, at, 0, written.unknownIndex};
    switch (written.kind) {
      case TBlockKind::Script:
        block.type = kScriptBlockType;
        block.size = 12 + mob.ScriptText.size();
        break;
      case TBlockKind::Object:
        block.type = kObjectBlockType;
        PlaceObjectBlock(mob, at, layout, block);
        break;
      default: {
        const Bytes& data = mob.UnknownBlocks[written.unknownIndex].Data;
        block.type = data.size() >= 4 ? ReadU32(data.data()) : 0;
        block.size = data.size();
      }
    }
    at += block.size;
    layout.blocks.push_back(block);
  }
  layout.mainBlockLength = at;
  if (mob.TailLength > 0) {
    layout.blocks.push_back({0, TBlockKind::Tail, 0, at, mob.Tail.size(), 0});
    at += mob.Tail.size();
  }
  layout.fileSize = at;
  return layout;
}

TBlockLayout FileLayoutOf(const TMob& mob) {
  return mob.FileLayout.blocks.empty() ? MobBlockLayout(mob) : mob.FileLayout;
}

Bytes BlockBytes(const TMob& mob, const TBlockPlace& block) {
  Bytes bytes;
  switch (block.kind) {
    case TBlockKind::Flag: {
      TByteWriter w(bytes);
      w.U32(block.type);
      w.U32(8);
      break;
    }
    case TBlockKind::Script:
      TMob::AppendScriptBlock(bytes, mob.ScriptText, TMob::WrittenScriptKey(mob.ScriptKey));
      break;
    case TBlockKind::Object:
      mob.AppendObjectBlock(bytes);
      break;
    case TBlockKind::Unknown:
      if (block.unknownIndex < mob.UnknownBlocks.size()) bytes = mob.UnknownBlocks[block.unknownIndex].Data;
      break;
    case TBlockKind::Tail:
      bytes = mob.Tail;
      break;
  }
  return bytes;
}

}  // namespace kelvarin
