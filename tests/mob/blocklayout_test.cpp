// The block layout: every place it names is where the writer puts that block,
// for zones with unknown blocks at the front, in the middle and at the end, with and
// without a tail, and for block counts far beyond the blocks there are.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "mob/blocklayout.h"
#include "mob/generator.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

Bytes Slice(const Bytes& image, std::uint64_t offset, std::uint64_t size) {
  return Bytes(image.begin() + std::ptrdiff_t(offset), image.begin() + std::ptrdiff_t(offset + size));
}

// Every block and sub-block of the layout against the file it describes: each
// header where the layout puts it, runs made of records of their kind only.
void ExpectLayoutMatchesFile(const TBlockLayout& layout, const Bytes& file) {
  ASSERT_EQ(layout.fileSize, file.size());
  EXPECT_EQ(layout.mainBlockLength, ReadU32(file.data() + 4));
  std::uint64_t expectedOffset = 8;
  for (const TBlockPlace& block : layout.blocks) {
    SCOPED_TRACE("block " + std::to_string(block.number));
    EXPECT_EQ(block.offset, expectedOffset);
    expectedOffset += block.size;
    ASSERT_LE(block.offset + block.size, file.size());
    if (block.kind == TBlockKind::Tail) {
      EXPECT_EQ(block.offset, layout.mainBlockLength);
      continue;
    }
    EXPECT_EQ(ReadU32(file.data() + block.offset), block.type);
    EXPECT_EQ(ReadU32(file.data() + block.offset + 4), block.size);
  }
  EXPECT_EQ(expectedOffset, file.size());

  const auto object = layout.ObjectBlockIndex();
  if (!object) {
    EXPECT_TRUE(layout.subBlocks.empty());
    return;
  }
  std::uint64_t at = layout.blocks[*object].offset + 8;
  for (const TSubBlockPlace& sub : layout.subBlocks) {
    EXPECT_EQ(sub.offset, at);
    EXPECT_EQ(ReadU32(file.data() + at), sub.type);
    if (sub.unknown) {
      EXPECT_FALSE(KindFromId(sub.type));
      EXPECT_EQ(ReadU32(file.data() + at + 4), sub.size);
      at += sub.size;
      continue;
    }
    std::size_t records = 0;
    for (const std::uint64_t end = at + sub.size; at < end; ++records) {
      EXPECT_EQ(KindFromId(ReadU32(file.data() + at)), sub.kind);
      at += ReadU32(file.data() + at + 4);
    }
    EXPECT_EQ(records, sub.count);
  }
  EXPECT_EQ(at, layout.blocks[*object].offset + layout.blocks[*object].size);
}

// The writer's layout against the image it writes, block for block.
void ExpectLayoutMatchesImage(TMob& mob) {
  const TBlockLayout layout = MobBlockLayout(mob);
  const Bytes image = SaveBytes(mob);
  ExpectLayoutMatchesFile(layout, image);
  for (const TBlockPlace& block : layout.blocks)
    EXPECT_EQ(BlockBytes(mob, block), Slice(image, block.offset, block.size));
  for (const TSubBlockPlace& sub : layout.subBlocks)
    if (sub.unknown) EXPECT_EQ(Slice(image, sub.offset, sub.size), mob.UnknownObjectBlocks[sub.unknownIndex].Data);
  // Read back, the file is what the writer planned.
  TMob back;
  ASSERT_TRUE(LoadBytes(back, image));
  EXPECT_EQ(back.FileLayout, layout);
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
    std::size_t records = 0, unknown = 0;
    for (const auto& sub : layout.subBlocks) (sub.unknown ? unknown : records) += sub.count;
    EXPECT_EQ(records, mob.TotalRecordCount());
    EXPECT_EQ(unknown, mob.UnknownObjectBlocks.size());
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

// A record with a chunk its reader steps over: the file holds more bytes than the
// record writes.
Bytes RoomyObject() {
  Bytes sub = Cat({SubBlockOf(TObjectObjBlock{}), Framed(0x0000EEEE, Bytes(5, 0))});
  StoreU32(sub.data() + 4, std::uint32_t(sub.size()));
  return sub;
}

struct TRun {
  bool unknown;
  ObjKind kind;
  std::size_t count;
  bool operator==(const TRun&) const = default;
};

std::vector<TRun> Runs(const TBlockLayout& layout) {
  std::vector<TRun> runs;
  for (const TSubBlockPlace& sub : layout.subBlocks)
    runs.push_back({sub.unknown, sub.unknown ? ObjKind::Unit : sub.kind, sub.count});
  return runs;
}

// A file laid out otherwise than the writer lays it out is described as it is:
// its blocks and sub-blocks in file order at their own offsets and sizes, its own
// length; once saved, the file as written, which is the writer's layout.
TEST(FileLayout, IsTheFileAsReadAndAfterASaveTheFileAsWritten) {
  TTrapObjBlock trap;
  trap.TrapPoints1 = {{1, 2, 3}};
  const Bytes script = ScriptBlock(0, "x"), unknown = Framed(0x4444, Bytes(3, 1));
  const Bytes interleaved = ObjectBlock({SubBlockOf(trap), SubBlockOf(TObjectObjBlock{}), Framed(0xEE01, {7}),
                                         SubBlockOf(trap), SubBlockOf(trap), RoomyObject()});
  using K = TBlockKind;
  using O = ObjKind;
  const struct {
    const char* name;
    std::vector<Bytes> blocks;
    Bytes tail;
    std::vector<K> kinds;
    std::vector<TRun> runs;
  } cases[] = {
      {"objects before the script", {ObjectBlock({SubBlockOf(trap)}), script}, {}, {K::Flag, K::Object, K::Script},
       {{false, O::Trap, 1}}},
      {"records of kinds in turn, an unknown block between, a tail", {interleaved, unknown, script}, {9, 9},
       {K::Flag, K::Object, K::Unknown, K::Script, K::Tail},
       {{false, O::Trap, 1}, {false, O::Object, 1}, {true, O::Unit, 1}, {false, O::Trap, 2}, {false, O::Object, 1}}},
      {"a second object block", {ObjectBlock({SubBlockOf(trap)}), ObjectBlock({RoomyObject()})}, {},
       {K::Flag, K::Object, K::Object}, {{false, O::Object, 1}}},
  };
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "kelvarin-filelayout.mob";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MobFile(c.blocks, c.tail);
    TMob mob;
    ASSERT_TRUE(LoadBytes(mob, file)) << mob.LogText;
    ExpectLayoutMatchesFile(mob.FileLayout, file);
    EXPECT_EQ(Kinds(mob.FileLayout), c.kinds);
    EXPECT_EQ(Runs(mob.FileLayout), c.runs);
    EXPECT_EQ(FileLayoutOf(mob), mob.FileLayout);
    EXPECT_NE(mob.FileLayout, MobBlockLayout(mob));  // none is in the writer's form

    // Loaded with the records left in the image, the same.
    TMob kept;
    kept.RecordsStayInImage = true;
    ASSERT_TRUE(kept.LoadImage(file.data(), file.size()));
    EXPECT_EQ(kept.FileLayout, mob.FileLayout);

    ASSERT_TRUE(mob.Save(path.string())) << mob.LogText;
    std::ifstream in(path, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(mob.FileLayout, MobBlockLayout(mob));
    ExpectLayoutMatchesFile(mob.FileLayout, written);
    ASSERT_TRUE(kept.Save(path.string())) << kept.LogText;
    EXPECT_EQ(kept.FileLayout, mob.FileLayout);
  }
  std::filesystem::remove(path);

  // A failed load leaves no layout behind.
  TMob mob;
  EXPECT_FALSE(LoadBytes(mob, MobFile({FramedWithSize(0x4444, 400, {})})));
  EXPECT_EQ(mob.FileLayout, TBlockLayout{});
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
