// The writer writes only what loads back: documents made in memory with what no
// loaded file holds are refused with the reason, and everything else it writes
// loads.
#include <gtest/gtest.h>

#include <functional>

#include "mob/writefault.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

// A document as a reader of another form would fill it: a script, one unit, one
// unknown block and one unknown sub-block.
void FillSmallZone(TMob& mob) {
  mob.Reset();
  mob.MobKind = "ZonalMob";
  mob.BlockCount = 4;
  mob.HasScript = true;
  mob.ScriptText = "Script Main\n";
  mob.HasObjects = true;
  mob.Units.resize(1);
  mob.UnknownBlocks = {{8, 2, Framed(0x1234, {})}};
  mob.UnknownObjectBlocks = {{9, Framed(0xEE01, Bytes{1})}};
  mob.Loaded = true;
}

TEST(WriteFault, WhatWouldNotLoadIsRefusedAndEverythingElseLoads) {
  using W = TWriteFault::Where;
  using Y = TWriteFault::Why;
  const struct Case {
    const char* name;
    std::function<void(TMob&)> spoil;
    std::optional<TWriteFault> fault;
  } cases[] = {
      {"whole", [](TMob&) {}, std::nullopt},
      {"no zone kind", [](TMob& m) { m.MobKind.clear(); }, TWriteFault{W::ZoneKind}},
      {"no block at all",
       [](TMob& m) {
         m.HasScript = m.HasObjects = false;
         m.Units.clear();
         m.UnknownObjectBlocks.clear();
         m.UnknownBlocks.clear();
       },
       TWriteFault{W::NoBlock}},
      {"only a block past the block count",
       [](TMob& m) {
         m.HasScript = m.HasObjects = false;
         m.Units.clear();
         m.UnknownObjectBlocks.clear();
         m.BlockCount = 2;
         m.UnknownBlocks[0].Number = 5;
       },
       TWriteFault{W::NoBlock}},
      {"only an unknown block", [](TMob& m) { m.HasScript = false; m.HasObjects = false; m.Units.clear(); m.UnknownObjectBlocks.clear(); },
       std::nullopt},
      {"unknown block longer than its size field",
       [](TMob& m) { m.UnknownBlocks[0].Data.push_back(0); }, TWriteFault{W::UnknownBlock, Y::Unframed, 0}},
      {"unknown block shorter than a header", [](TMob& m) { m.UnknownBlocks[0].Data.resize(6); },
       TWriteFault{W::UnknownBlock, Y::Unframed, 0}},
      {"unknown block typed as a script", [](TMob& m) { m.UnknownBlocks[0].Data = Framed(kScriptBlockType, U32(0)); },
       TWriteFault{W::UnknownBlock, Y::WrongType, 0}},
      {"unknown sub-block cut", [](TMob& m) { m.UnknownObjectBlocks[0].Data.pop_back(); },
       TWriteFault{W::UnknownSubBlock, Y::Unframed, 0}},
      {"unknown sub-block of a record kind",
       [](TMob& m) { m.UnknownObjectBlocks[0].Data = SubBlockOf(TFlameObjBlock{}); },
       TWriteFault{W::UnknownSubBlock, Y::WrongType, 0}},
      {"unit raw chunk of another id",
       [](TMob& m) { m.Units[0].RawChunk = Framed(0xBBBB0104, Bytes{1, 2}); },
       TWriteFault{W::UnitChunk, Y::WrongType, 0, -1}},
      {"unit extra block cut",
       [](TMob& m) { m.Units[0].ExtraBlocks = {Framed(TUnitObjBlock::kExtraBlockId, {}), Bytes{0, 0, 0xBC, 0xBB}}; },
       TWriteFault{W::UnitChunk, Y::Unframed, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMob mob;
    FillSmallZone(mob);
    c.spoil(mob);
    EXPECT_EQ(FindWriteFault(mob), c.fault);
    Bytes image;
    const bool written = mob.BuildImage(image);
    EXPECT_EQ(written, !c.fault);
    if (c.fault) {
      EXPECT_TRUE(LogHas(mob, WriteFaultLine(mob, *c.fault))) << mob.LogText;
      EXPECT_FALSE(LogHas(mob, "Сигнатура записана")) << mob.LogText;
      continue;
    }
    TMob back;
    EXPECT_TRUE(LoadBytes(back, image)) << back.LogText;
  }
}

}  // namespace
}  // namespace kelvarin
