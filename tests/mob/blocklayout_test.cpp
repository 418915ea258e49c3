// The block layout: every place it names is where the writer puts that block,
// for zones with unknown blocks at the front, in the middle and at the end, with and
// without a tail, and for block counts far beyond the blocks there are.
#include <gtest/gtest.h>

#include <climits>

#include "mob/blocklayout.h"
#include "mob/generator.h"
#include "mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

Bytes Slice(const Bytes& image, std::uint64_t offset, std::uint64_t size) {
  return Bytes(image.begin() + std::ptrdiff_t(offset), image.begin() + std::ptrdiff_t(offset + size));
}

// Every block, sub-block group and unknown sub-block of the layout against the
// image the document writes.
void ExpectLayoutMatchesImage(TMob& mob) {
  const TBlockLayout layout = MobBlockLayout(mob);
  const Bytes image = SaveBytes(mob);
  ASSERT_EQ(layout.fileSize, image.size());
  EXPECT_EQ(layout.mainBlockLength, ReadU32(image.data() + 4));
  std::uint64_t expectedOffset = 8;
  for (const TBlockPlace& block : layout.blocks) {
    SCOPED_TRACE("block " + std::to_string(block.number));
    EXPECT_EQ(block.offset, expectedOffset);
    expectedOffset += block.size;
    ASSERT_LE(block.offset + block.size, image.size());
    EXPECT_EQ(BlockBytes(mob, block), Slice(image, block.offset, block.size));
    if (block.kind == TBlockKind::Tail) {
      EXPECT_EQ(block.offset, layout.mainBlockLength);
      continue;
    }
    EXPECT_EQ(ReadU32(image.data() + block.offset), block.type);
    EXPECT_EQ(ReadU32(image.data() + block.offset + 4), block.size);
  }
  EXPECT_EQ(expectedOffset, image.size());

  const auto object = layout.ObjectBlockIndex();
  if (!object) return;
  std::uint64_t at = layout.blocks[*object].offset + 8;
  for (const TSubBlockGroup& group : layout.groups) {
    EXPECT_EQ(group.offset, at);
    if (group.count > 0) {
      EXPECT_EQ(KindFromId(ReadU32(image.data() + group.offset)), group.kind);
    }
    at += group.bytes;
  }
  for (const TUnknownSubBlockPlace& sub : layout.unknownSubBlocks) {
    EXPECT_EQ(sub.offset, at);
    EXPECT_EQ(Slice(image, sub.offset, sub.size), mob.UnknownObjectBlocks[sub.index].Data);
    EXPECT_EQ(sub.type, ReadU32(image.data() + sub.offset));
    at += sub.size;
  }
  EXPECT_EQ(at, layout.blocks[*object].offset + layout.blocks[*object].size);
}

std::vector<TBlockKind> Kinds(const TBlockLayout& layout) {
  std::vector<TBlockKind> kinds;
  for (const auto& b : layout.blocks) kinds.push_back(b.kind);
  return kinds;
}

TEST(BlockLayout, GeneratedZonesMatchTheirImages) {
  for (std::uint64_t seed : {1, 2, 3}) {
    TMob mob;
    GenerateZone(mob, {.records = 300, .seed = seed});
    SCOPED_TRACE(seed);
    ExpectLayoutMatchesImage(mob);
    const TBlockLayout layout = MobBlockLayout(mob);
    using K = TBlockKind;
    EXPECT_EQ(Kinds(layout), (std::vector{K::Flag, K::Unknown, K::Script, K::Unknown, K::Object, K::Tail}));
    std::size_t records = 0;
    for (const auto& g : layout.groups) records += g.count;
    EXPECT_EQ(records, mob.TotalRecordCount());
    EXPECT_EQ(layout.unknownSubBlocks.size(), mob.UnknownObjectBlocks.size());
  }
}

TEST(BlockLayout, UnknownBlocksInEveryPositionAndNoTail) {
  const Bytes u1 = Framed(0x11111111, Bytes(5, 1)), u2 = Framed(0x22222222, {}),
              u3 = Framed(0x33333333, Bytes(40, 3));
  TTrapObjBlock trap;
  trap.TrapPoints1 = {{1, 2, 3}};
  // The records in the writer's order (grouped by kind, unknown ones last).
  const Bytes objects = ObjectBlock({SubBlockOf(TObjectObjBlock{}), SubBlockOf(trap), Framed(0x0000EE01, Bytes(3, 9))});
  const Bytes script = ScriptBlock(kDefaultScriptKey, "zone() {}");
  using K = TBlockKind;
  const struct {
    std::vector<Bytes> blocks;
    std::vector<K> kinds;
  } cases[] = {
      {{u1, script, u2, objects, u3}, {K::Flag, K::Unknown, K::Script, K::Unknown, K::Object, K::Unknown}},
      {{u1, u2, u3}, {K::Flag, K::Unknown, K::Unknown, K::Unknown}},
      {{objects}, {K::Flag, K::Object}},
      {{script, objects, u1, u2}, {K::Flag, K::Script, K::Object, K::Unknown, K::Unknown}},
  };
  for (const auto& c : cases) {
    TMob mob;
    ASSERT_TRUE(LoadBytes(mob, MobFile(c.blocks)));
    const Bytes file = MobFile(c.blocks);
    ASSERT_EQ(SaveBytes(mob), file);
    // A file laid out as the writer lays it out is described byte for byte.
    const TBlockLayout layout = MobBlockLayout(mob);
    EXPECT_EQ(Kinds(layout), c.kinds);
    EXPECT_EQ(layout.fileSize, file.size());
    for (const TBlockPlace& block : layout.blocks) EXPECT_EQ(Slice(file, block.offset, block.size), BlockBytes(mob, block));
    ExpectLayoutMatchesImage(mob);
  }
}

TEST(BlockLayout, TheMinimalZoneAndTheTail) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({})}, Bytes{7, 8, 9})));
  const TBlockLayout layout = MobBlockLayout(mob);
  ASSERT_EQ(layout.blocks.size(), 3u);
  EXPECT_EQ(layout.blocks[0].type, kQuestMobFlag);
  EXPECT_EQ(layout.blocks[0].offset, 8u);
  EXPECT_EQ(layout.blocks[0].size, 8u);
  EXPECT_EQ(layout.blocks[1].number, 2);
  EXPECT_EQ(layout.blocks[1].offset, 16u);
  EXPECT_EQ(layout.blocks[1].size, 8u);
  EXPECT_EQ(layout.blocks[2].kind, TBlockKind::Tail);
  EXPECT_EQ(layout.blocks[2].offset, 24u);
  EXPECT_EQ(layout.blocks[2].size, 3u);
  EXPECT_EQ(layout.mainBlockLength, 24u);
  EXPECT_EQ(layout.fileSize, 27u);
}

TEST(BlockLayout, KnownBlocksOutOfTheWritersOrderAreShownWhereTheyWillBeWritten) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({}), ScriptBlock(0, "x")})));
  const TBlockLayout layout = MobBlockLayout(mob);
  ASSERT_EQ(layout.blocks.size(), 3u);
  EXPECT_EQ(layout.blocks[1].kind, TBlockKind::Script);
  EXPECT_EQ(layout.blocks[2].kind, TBlockKind::Object);
  ExpectLayoutMatchesImage(mob);
}

TEST(BlockLayout, ExportingTheScriptBlockLeavesTheDocumentsKeyAlone) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ScriptBlock(777, "text"), ObjectBlock({})})));
  const TBlockLayout layout = MobBlockLayout(mob);
  const Bytes exported = BlockBytes(mob, layout.blocks[1]);
  EXPECT_EQ(mob.ScriptKey, 777u);
  EXPECT_EQ(exported, ScriptBlock(kDefaultScriptKey, "text"));
}

TEST(BlockLayout, NothingLoadedHasNoBlocks) {
  TMob mob;
  EXPECT_TRUE(MobBlockLayout(mob).blocks.empty());
  EXPECT_EQ(MobBlockLayout(mob).fileSize, 0u);
}

TEST(BlockWriteOrder, FollowsTheNumbersHoweverLargeTheBlockCount) {
  TMob mob;
  mob.Loaded = true;
  mob.MobKind = "ZonalMob";
  mob.HasScript = true;
  mob.HasObjects = true;
  mob.BlockCount = INT32_MAX;
  mob.UnknownBlocks = {{8, 3, Framed(1, {})}, {8, INT32_MAX, Framed(2, {})}, {8, 3, Framed(3, {})},
                       {8, 1, Framed(4, {})}, {8, 0, Framed(5, {})}};
  using K = TBlockKind;
  const std::vector<TWrittenBlock> expected = {
      {2, K::Script, 0}, {3, K::Unknown, 0}, {4, K::Object, 0}, {INT32_MAX, K::Unknown, 1}};
  EXPECT_EQ(BlockWriteOrder(mob), expected);

  // A block count below the blocks there are leaves the later ones out, as the
  // writer does.
  mob.BlockCount = 2;
  EXPECT_EQ(BlockWriteOrder(mob), (std::vector<TWrittenBlock>{{2, K::Script, 0}}));
  mob.BlockCount = 0;
  EXPECT_EQ(BlockWriteOrder(mob), (std::vector<TWrittenBlock>{{2, K::Script, 0}}));
}

TEST(BlockWriteOrder, IsTheOrderTheWriterLogs) {
  TMob mob;
  GenerateZone(mob, {.records = 50, .seed = 5});
  SaveBytes(mob);
  const std::vector<std::string> log = LogLines(mob);
  std::vector<std::int32_t> logged;
  for (const std::string& line : log)
    if (line.starts_with("Под номером ")) logged.push_back(std::stoi(line.substr(std::string("Под номером ").size())));
  std::vector<std::int32_t> ordered;
  for (const TWrittenBlock& b : BlockWriteOrder(mob)) ordered.push_back(b.number);
  EXPECT_EQ(ordered, logged);
}

}  // namespace
}  // namespace kelvarin
