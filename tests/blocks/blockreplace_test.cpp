// Replacing unknown blocks from files: the framing rule and its messages, the
// exported bytes going back in, the replaced block saved at its position byte for
// byte, the undo step, and the marks of blocks changed since the file was read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "blocks/core/blockbaseline.h"
#include "blocks/core/blockreplace.h"
#include "common/filesystem.h"
#include "document/blockcommands.h"
#include "mob/blocklayout.h"
#include "mob/generator.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

TEST(BlockReplace, OnlyOneWholeBlockOfTheSameTypeIsTaken) {
  const Bytes current = Framed(0x0000E001, Bytes(10, 1));
  EXPECT_FALSE(CheckReplacementBlock(current, Framed(0x0000E001, Bytes(3, 2))));
  EXPECT_FALSE(CheckReplacementBlock(current, Framed(0x0000E001, {})));

  using R = TReplaceRefusal::Reason;
  const struct {
    Bytes file;
    R reason;
    const char* message;
  } refused[] = {
      {{}, R::TooShort, "В файле нет блока: его длина 0 байт, а один заголовок блока занимает 8 байт."},
      {Bytes(7, 0), R::TooShort, "его длина 7 байт"},
      {Framed(0x0000E002, {}), R::OtherType,
       "В файле блок типа 0x0000E002 (57346), а заменить можно только блоком того же типа 0x0000E001 (57345)."},
      // Two blocks, a block cut short, a block with bytes after it.
      {Cat({Framed(0x0000E001, {}), Framed(0x0000E001, {})}), R::SizeMismatch,
       "Размер блока в его заголовке (8 байт) не равен длине файла (16 байт)"},
      {FramedWithSize(0x0000E001, 100, Bytes(4, 0)), R::SizeMismatch, "(100 байт) не равен длине файла (12 байт)"},
      {Cat({Framed(0x0000E001, Bytes(2, 0)), Bytes{0}}), R::SizeMismatch, "(10 байт) не равен длине файла (11 байт)"},
  };
  for (const auto& c : refused) {
    const auto refusal = CheckReplacementBlock(current, c.file);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->reason, c.reason);
    EXPECT_NE(ReplaceRefusalText(*refusal).find(c.message), std::string::npos) << ReplaceRefusalText(*refusal);
  }
}

TEST(BlockReplace, ExportedBlocksGoBackInAndSaveAtTheirPlaces) {
  TMob mob;
  GenerateZone(mob, {.records = 120, .seed = 4});
  const Bytes before = SaveBytes(mob);
  const TBlockLayout layout = MobBlockLayout(mob);

  // The unknown block numbered 4, between the script and the object block.
  const TBlockPlace& block = layout.blocks[3];
  ASSERT_EQ(block.kind, TBlockKind::Unknown);
  ASSERT_EQ(block.number, 4);
  const Bytes exported = BlockBytes(mob, block);
  EXPECT_FALSE(CheckReplacementBlock(exported, exported));

  // The same type with another payload and length.
  const Bytes replacement = Framed(ReadU32(exported.data()), Bytes(31, 0xAB));
  ASSERT_FALSE(CheckReplacementBlock(exported, replacement));
  const TUnknownBlockRef ref{false, block.unknownIndex};
  auto step = TBlockReplaceCommand::Replace(mob, ref, replacement, "замена");
  ASSERT_TRUE(step);
  step->Redo(mob);
  EXPECT_EQ(mob.UnknownBlocks[block.unknownIndex].Size, replacement.size());
  EXPECT_EQ(mob.UnknownBlocks[block.unknownIndex].Number, 4);

  const Bytes after = SaveBytes(mob);
  const std::ptrdiff_t at = std::ptrdiff_t(block.offset);
  // Everything but the main block's length stands as it did up to the block.
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 4, after.begin()));
  EXPECT_TRUE(std::equal(before.begin() + 8, before.begin() + at, after.begin() + 8));
  EXPECT_TRUE(std::equal(replacement.begin(), replacement.end(), after.begin() + at));
  EXPECT_TRUE(std::equal(before.begin() + at + std::ptrdiff_t(block.size), before.end(),
                         after.begin() + at + std::ptrdiff_t(replacement.size())));
  EXPECT_EQ(ReadU32(after.data() + 4), ReadU32(before.data() + 4) - block.size + replacement.size());

  // The table after the change names the new size, and the later blocks moved.
  const TBlockLayout changed = MobBlockLayout(mob);
  EXPECT_EQ(changed.blocks[3].size, replacement.size());
  EXPECT_EQ(changed.blocks[4].offset, layout.blocks[4].offset - block.size + replacement.size());

  step->Undo(mob);
  EXPECT_EQ(SaveBytes(mob), before);
  step->Redo(mob);
  EXPECT_EQ(SaveBytes(mob), after);
  EXPECT_GE(step->MemorySize(), exported.size());

  // Bytes the block holds already make no step.
  EXPECT_FALSE(TBlockReplaceCommand::Replace(mob, ref, replacement, "x"));
  EXPECT_FALSE(TBlockReplaceCommand::Replace(mob, {false, 99}, replacement, "x"));
}

TEST(BlockReplace, UnknownObjectSubBlocksToo) {
  TMob mob;
  GenerateZone(mob, {.records = 60, .seed = 8});
  const Bytes before = SaveBytes(mob);
  const TBlockLayout layout = MobBlockLayout(mob);
  const auto unknown = std::find_if(layout.subBlocks.begin(), layout.subBlocks.end(), [](const auto& s) { return s.unknown; });
  ASSERT_NE(unknown, layout.subBlocks.end());
  const TSubBlockPlace& sub = *unknown;
  const Bytes& current = mob.UnknownObjectBlocks[sub.unknownIndex].Data;
  const Bytes replacement = Framed(sub.type, Bytes(sub.size - 8, 0x5A));

  ASSERT_FALSE(CheckReplacementBlock(current, replacement));
  auto step = TBlockReplaceCommand::Replace(mob, {true, sub.unknownIndex}, replacement, "замена");
  ASSERT_TRUE(step);
  step->Redo(mob);
  Bytes expected = before;
  std::copy(replacement.begin(), replacement.end(), expected.begin() + std::ptrdiff_t(sub.offset));
  EXPECT_EQ(SaveBytes(mob), expected);

  // What was saved loads back with the new sub-block in its place.
  TMob reloaded;
  ASSERT_TRUE(LoadBytes(reloaded, expected));
  EXPECT_EQ(reloaded.UnknownObjectBlocks[sub.unknownIndex].Data, replacement);
  step->Undo(mob);
  EXPECT_EQ(SaveBytes(mob), before);
}

TEST(BlockFiles, WrittenWholeAndReadBackOnlyWhenTheyCanBeOneBlock) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "kelvarin-blockfiles";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string file = (dir / "block.bin").string();
  const Bytes block = Framed(0x0000E001, Bytes(300, 7));

  EXPECT_EQ(WriteBlockFile(Files(), file, block), "");
  std::string error;
  EXPECT_EQ(ReadBlockFile(Files(), file, error), block);
  // Written again over the old file.
  EXPECT_EQ(WriteBlockFile(Files(), file, Framed(0x0000E001, {})), "");
  EXPECT_EQ(ReadBlockFile(Files(), file, error), Framed(0x0000E001, {}));

  // A folder is neither written nor read; a missing file is named.
  EXPECT_NE(WriteBlockFile(Files(), dir.string(), block).find("это не обычный файл, а папка"), std::string::npos);
  EXPECT_FALSE(ReadBlockFile(Files(), dir.string(), error));
  EXPECT_NE(error.find("это не обычный файл, а папка"), std::string::npos);
  EXPECT_FALSE(ReadBlockFile(Files(), (dir / "missing.bin").string(), error));
  EXPECT_EQ(error, "Файл " + (dir / "missing.bin").string() + " не найден.");

  // A file longer than any block is refused before a byte of it is read (the file
  // is sparse: it takes no room on the disk).
  const std::string huge = (dir / "huge.bin").string();
  std::ofstream(huge).close();
  fs::resize_file(huge, (std::uintmax_t(1) << 32) + 1);
  EXPECT_FALSE(ReadBlockFile(Files(), huge, error));
  EXPECT_NE(error.find("длиной 4294967297 байт не может быть одним блоком"), std::string::npos) << error;
  fs::remove_all(dir);
}

TEST(BlockBaseline, MarksWhatDiffersFromTheFileUntilTheNextSave) {
  TMob mob;
  GenerateZone(mob, {.records = 30, .seed = 2});
  TBlockBaseline baseline;
  baseline.Take(mob);
  EXPECT_FALSE(baseline.UnknownBlockChanged(mob, 0));
  EXPECT_FALSE(baseline.UnknownSubBlockChanged(mob, 1));

  const Bytes old = mob.UnknownBlocks[1].Data;
  Bytes changed = old;
  changed.back() ^= 1;
  auto step = TBlockReplaceCommand::Replace(mob, {false, 1}, changed, "x");
  step->Redo(mob);
  EXPECT_TRUE(baseline.UnknownBlockChanged(mob, 1));
  EXPECT_FALSE(baseline.UnknownBlockChanged(mob, 0));
  // Undone, the block is what the file holds again.
  step->Undo(mob);
  EXPECT_FALSE(baseline.UnknownBlockChanged(mob, 1));
  step->Redo(mob);
  baseline.Take(mob);  // saved
  EXPECT_FALSE(baseline.UnknownBlockChanged(mob, 1));

  auto subStep = TBlockReplaceCommand::Replace(mob, {true, 0}, Framed(ReadU32(mob.UnknownObjectBlocks[0].Data.data()), {}), "x");
  subStep->Redo(mob);
  EXPECT_TRUE(baseline.UnknownSubBlockChanged(mob, 0));
  EXPECT_FALSE(baseline.UnknownSubBlockChanged(mob, 1));
  baseline.Clear();
  EXPECT_TRUE(baseline.UnknownBlockChanged(mob, 0));
}

}  // namespace
}  // namespace kelvarin
