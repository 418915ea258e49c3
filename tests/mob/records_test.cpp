// Record kinds: sizes, write order, reading in any order, raw chunks, the unit
// check, unknown and mismatched sub-blocks.
#include <gtest/gtest.h>

#include <algorithm>

#include "mob/generator.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

TEST(RecordSizes, EmptyRecordsHaveTheDocumentedSizes) {
  EXPECT_EQ(TObjectObjBlock{}.GetSize(), 203u);
  EXPECT_EQ(TUnitObjBlock{}.GetSize(), 280u);
  EXPECT_EQ(TLeverObjBlock{}.GetSize(), 268u);
  EXPECT_EQ(TTrapObjBlock{}.GetSize(), 268u);
  EXPECT_EQ(TFlameObjBlock{}.GetSize(), 243u);
  EXPECT_EQ(TParticle1ObjBlock{}.GetSize(), 97u);
  EXPECT_EQ(TParticle2ObjBlock{}.GetSize(), 134u);
  EXPECT_EQ(TParticle3ObjBlock{}.GetSize(), 80u);
}

TEST(RecordSizes, ListsAndPointsGrowTheirChunks) {
  TUnitObjBlock unit;
  unit.Armour = {"a", "bc"};
  const Bytes bytes = SubBlockOf(unit);
  // UseMobInfo (9) and Name1 (8) come first, then the Armour chunk.
  EXPECT_EQ(ReadU32(bytes.data() + 8 + 9 + 8), 0xBBBB0009u);
  EXPECT_EQ(ReadU32(bytes.data() + 8 + 9 + 8 + 4), 31u);
  EXPECT_EQ(unit.GetSize(), 280u + 19u);

  TParticle2ObjBlock p2;
  p2.SoundStr_s = {"ab"};
  p2.NameStr = "n";
  EXPECT_EQ(ReadU32(SubBlockOf(p2).data() + 12), 22u);
  EXPECT_EQ(p2.GetSize(), 144u + 1u);

  TTrapObjBlock trap;
  trap.TrapPoints1 = {{1, 2, 3}, {4, 5, 6}};
  trap.TrapPoints2 = {{7, 8}};
  const Bytes t = SubBlockOf(trap);
  // UnknDw1 12, MagicStr 8, UnknDw2 12, UnknByte1 9, then the point chunks.
  const std::size_t points = 8 + 12 + 8 + 12 + 9;
  EXPECT_EQ(ReadU32(t.data() + points + 4), 36u);
  EXPECT_EQ(ReadU32(t.data() + points + 36 + 4), 20u);
  EXPECT_EQ(trap.GetSize(), 268u + 24u + 8u);

  const Bytes empty = SubBlockOf(TTrapObjBlock{});
  EXPECT_EQ(ReadU32(empty.data() + points + 4), 12u);
  EXPECT_EQ(ReadU32(empty.data() + points + 8), 0u);
}

// GetSize must agree with what WriteRecord produces for every kind, or the object
// block's size field and the buffer disagree.
TEST(RecordSizes, GetSizeMatchesTheWrittenBytesOfGeneratedRecords) {
  TMob mob;
  GenerateZone(mob, {.records = 400, .seed = 11});
  mob.ForEachList([](const auto& list) {
    for (const auto& r : list) {
      Bytes b;
      r.WriteRecord(b);
      ASSERT_EQ(b.size(), r.GetSize());
      ASSERT_EQ(ReadU32(b.data() + 4), r.GetSize());
    }
  });
}

TEST(UnitRecord, RawChunkAndExtraBlocksReturnToTheirPlaces) {
  TUnitObjBlock unit;
  unit.Name1 = "orc";
  unit.RawChunk = Framed(0xBBBB0004, Bytes(12, 0xAA));
  unit.ExtraBlocks = {Framed(0xBBBC0000, {1}), Framed(0xBBBC0000, {2, 3})};
  const Bytes bytes = SubBlockOf(unit);
  const std::size_t afterItems = 8 + 9 + 11 + 12 * 3 + 12 + 12;
  EXPECT_EQ(Bytes(bytes.begin() + afterItems, bytes.begin() + afterItems + 20), unit.RawChunk);
  EXPECT_EQ(Bytes(bytes.end() - 19, bytes.end()), Cat({unit.ExtraBlocks[0], unit.ExtraBlocks[1]}));

  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({bytes})})));
  ASSERT_EQ(mob.Units.size(), 1u);
  EXPECT_EQ(mob.Units[0], unit);
}

TEST(UnitRecord, OddUncnDw1ChunkStopsTheLoadNamingTheUnit) {
  TUnitObjBlock good;
  Bytes bad = Framed(kind_id::Unit, FramedWithSize(0xBBBB0006, 16, Bytes(8, 0)));
  TMob mob;
  EXPECT_FALSE(LoadBytes(mob, MobFile({ObjectBlock({SubBlockOf(good), SubBlockOf(TObjectObjBlock{}),
                                                     SubBlockOf(good), bad})})));
  EXPECT_TRUE(LogHas(mob,
                     "Блок 06 00 BB BB у юнита идущего в мобе 3-м нестандартен и содержит 16 байт, в "
                     "то время как обычно он занимает 12 байт. Загрузка отменена.\r\n"));
  EXPECT_EQ(LogLines(mob).back(), "Загрузить моб не удалось!");
}

TEST(ObjectRecord, ChunksInAnyOrderAreWrittenBackInTableOrder) {
  TObjectObjBlock object;
  object.Name2 = "tree";
  object.ObjectID = 42;
  object.LoadX = 1.5f;
  object.BodyTextures = {"bark"};
  const Bytes canonical = SubBlockOf(object);

  // Reverse the 17 chunks.
  std::vector<Bytes> chunks;
  for (std::size_t p = 8; p < canonical.size();) {
    const std::uint32_t size = ReadU32(canonical.data() + p + 4);
    chunks.emplace_back(canonical.begin() + p, canonical.begin() + p + size);
    p += size;
  }
  ASSERT_EQ(chunks.size(), 17u);
  Bytes reversed;
  for (auto it = chunks.rbegin(); it != chunks.rend(); ++it) reversed.insert(reversed.end(), it->begin(), it->end());

  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({Framed(kind_id::Object, reversed)})})));
  ASSERT_EQ(mob.Objects.size(), 1u);
  EXPECT_EQ(mob.Objects[0], object);
  EXPECT_EQ(SaveBytes(mob), MobFile({ObjectBlock({canonical})}));
}

TEST(ObjectBlock, GroupsByKindAndPutsUnknownSubBlocksLast) {
  TTrapObjBlock trap1, trap2;
  trap1.ObjectID = 1;
  trap2.ObjectID = 2;
  TUnitObjBlock unit;
  unit.ObjectID = 3;
  const Bytes unknown = Framed(0x0000EEEE, {5, 6, 7});
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({SubBlockOf(trap1), unknown, SubBlockOf(unit), SubBlockOf(trap2)})})));
  EXPECT_TRUE(LogHas(mob, "В блоке найдено 1 объектов неизвестного типа.\r\n"));
  EXPECT_EQ(SaveBytes(mob),
            MobFile({ObjectBlock({SubBlockOf(unit), SubBlockOf(trap1), SubBlockOf(trap2), unknown})}));
}

TEST(ObjectBlock, ExtraChunksAreSteppedOverAndReported) {
  TLeverObjBlock lever;
  lever.ObjectID = 77;
  lever.UncnByte3 = 9;
  Bytes bytes = SubBlockOf(lever);
  const Bytes stray = Framed(0x12340000, {1, 2, 3, 4});
  bytes.insert(bytes.end(), stray.begin(), stray.end());
  StoreU32(bytes.data() + 4, std::uint32_t(bytes.size()));

  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({bytes})})));
  EXPECT_EQ(mob.Levers.at(0), lever);
  EXPECT_TRUE(LogHas(mob, "В блоке рычага 77 что-то \"лишнее\" - считано 268 а реально там 280 байт.\r\n"));
}

// A large block is decoded in parts side by side; what it says must not show it:
// the lines of records come out in file order and stop at the first record refused,
// as the load that reads the records one by one (records kept in the image) says.
TEST(ObjectBlock, ALargeBlockSaysWhatAnOrderlyReadSays) {
  struct Case {
    std::vector<std::size_t> strays;  // records with a chunk too many
    std::vector<std::size_t> broken;  // records whose first chunk runs past their end
  };
  const Case cases[] = {
      {{5, 1999, 2000, 2001, 3990}, {}},
      {{5, 3990}, {2500}},
      {{5, 2600}, {3000, 100}},
      {{3999}, {1}},
  };
  constexpr std::size_t kLevers = 4000;
  for (const Case& c : cases) {
    std::vector<Bytes> subBlocks;
    for (std::size_t i = 0; i < kLevers; ++i) {
      TLeverObjBlock lever;
      lever.ObjectID = std::int32_t(i + 1);
      Bytes bytes = SubBlockOf(lever);
      if (std::count(c.strays.begin(), c.strays.end(), i)) {
        const Bytes stray = Framed(0x12340000, {1, 2, 3, 4});
        bytes.insert(bytes.end(), stray.begin(), stray.end());
        StoreU32(bytes.data() + 4, std::uint32_t(bytes.size()));
      }
      if (std::count(c.broken.begin(), c.broken.end(), i)) StoreU32(bytes.data() + 12, 0xFFFF);
      subBlocks.push_back(bytes);
    }
    const Bytes file = MobFile({ObjectBlock(subBlocks)});
    TMob decoded, orderly;
    orderly.RecordsStayInImage = true;
    const bool loaded = LoadBytes(decoded, file);
    EXPECT_EQ(loaded, c.broken.empty());
    EXPECT_EQ(LoadBytes(orderly, file), loaded);
    EXPECT_EQ(LogLines(decoded), LogLines(orderly));
    const std::size_t firstBroken = c.broken.empty() ? kLevers : *std::min_element(c.broken.begin(), c.broken.end());
    std::size_t said = 0;
    for (const std::string& line : LogLines(decoded))
      said += line.find("лишнее") != std::string::npos || line.find("Битая разметка") != std::string::npos;
    EXPECT_EQ(said, std::size_t(std::count_if(c.strays.begin(), c.strays.end(),
                                              [&](std::size_t i) { return i < firstBroken; })) +
                        !c.broken.empty());
    if (loaded) EXPECT_EQ(decoded.Levers.at(kLevers - 1).ObjectID, std::int32_t(kLevers));
  }
}

TEST(ObjectBlock, EmptyBodyTexturesIsATwelveByteChunkAndReadsBackEmpty) {
  const Bytes bytes = SubBlockOf(TObjectObjBlock{});
  EXPECT_EQ(ReadU32(bytes.data() + 8), 0x0000B00Du);
  EXPECT_EQ(ReadU32(bytes.data() + 12), 12u);
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({bytes})})));
  EXPECT_TRUE(mob.Objects.at(0).BodyTextures.empty());
}

// The writer's form is what lets a load copy a record without decoding it, so it
// must hold exactly when reading and writing again gives the same bytes back, and
// never for bytes a load would refuse.
template <class R> void ExpectWrittenFormAgreesWithReadingAndWriting(const std::vector<R>& list) {
  std::size_t mutatedInForm = 0;
  for (std::size_t n = 0; n < list.size() && n < 12; ++n) {
    const Bytes bytes = SubBlockOf(list[n]);
    ASSERT_TRUE(InWrittenForm(R::Kind, bytes.data(), std::uint32_t(bytes.size())));
    for (std::size_t i = 0; i < bytes.size(); ++i)
      for (std::uint8_t delta : {1, 0x80, 0xFF}) {
        Bytes mutated = bytes;
        mutated[i] = std::uint8_t(mutated[i] + delta);
        const std::uint32_t size = std::uint32_t(mutated.size());
        if (!InWrittenForm(R::Kind, mutated.data(), size)) continue;
        ++mutatedInForm;
        R record;
        ASSERT_TRUE(record.ReadRecord(mutated.data(), size, TReadContext{}))
            << "kind " << int(R::Kind) << ", byte " << i;
        Bytes again;
        record.WriteRecord(again);
        ASSERT_TRUE(again == mutated) << "kind " << int(R::Kind) << ", byte " << i;
      }
    // Cut short, a record is never in the writer's form.
    for (std::uint32_t cut = 0; cut < bytes.size(); ++cut)
      ASSERT_FALSE(InWrittenForm(R::Kind, bytes.data(), cut));
  }
  // Changed values keep the form; only changed framing loses it.
  EXPECT_GT(mutatedInForm, 0u);
}

TEST(WrittenForm, HoldsExactlyWhenAReadRecordWritesBackTheSameBytes) {
  TMob mob;
  GenerateZone(mob, {.records = 600, .seed = 11, .scriptLines = 0});
  mob.ForEachList([](const auto& list) { ExpectWrittenFormAgreesWithReadingAndWriting(list); });
}

TEST(WrittenForm, FailsForEveryOtherShapeOfARecord) {
  TUnitObjBlock unit;
  unit.Armour = {"a", "bc"};
  unit.RawChunk = {0x04, 0x00, 0xBB, 0xBB, 8, 0, 0, 0};
  Bytes bytes = SubBlockOf(unit);
  ASSERT_TRUE(InWrittenForm(ObjKind::Unit, bytes.data(), std::uint32_t(bytes.size())));
  // Another kind's layout.
  EXPECT_FALSE(InWrittenForm(ObjKind::Object, bytes.data(), std::uint32_t(bytes.size())));
  // A list whose count promises one item more than it holds, or one less.
  const std::size_t armourCount = 8 + 9 + 8 + 8;
  for (std::uint32_t count : {1u, 3u, 0xFFFFFFFFu}) {
    Bytes odd = bytes;
    StoreU32(odd.data() + armourCount, count);
    EXPECT_FALSE(InWrittenForm(ObjKind::Unit, odd.data(), std::uint32_t(odd.size()))) << count;
  }
  // An extra chunk after the record's last one: read, stepped over, not written back.
  Bytes longer = bytes;
  for (std::uint8_t b : {0x78, 0x56, 0x34, 0x12, 8, 0, 0, 0}) longer.push_back(b);
  StoreU32(longer.data() + 4, std::uint32_t(longer.size()));
  EXPECT_FALSE(InWrittenForm(ObjKind::Unit, longer.data(), std::uint32_t(longer.size())));

  // Trap points whose count would wrap a 32-bit size around.
  TTrapObjBlock trap;
  trap.TrapPoints1 = {{1, 2, 3}};
  Bytes trapBytes = SubBlockOf(trap);
  const std::size_t points1Count = 8 + 12 + 8 + 12 + 9 + 8;
  ASSERT_EQ(ReadU32(trapBytes.data() + points1Count), 1u);
  StoreU32(trapBytes.data() + points1Count, 1u + 0x40000000u);  // 12 * that wraps to 12
  EXPECT_FALSE(InWrittenForm(ObjKind::Trap, trapBytes.data(), std::uint32_t(trapBytes.size())));
}

}  // namespace
}  // namespace kelvarin
