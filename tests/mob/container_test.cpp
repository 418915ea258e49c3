// Loading and saving the main block: signature, length, flag block, block order,
// unknown blocks, tail, and the exact log of a load.
#include <gtest/gtest.h>

#include <limits>

#include "support/mobbytes.h"
#include "support/childprocess.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

const Bytes kEmptyObjects = Framed(kObjectBlockType, {});

TEST(Container, SmallestFileLoadsAndSavesUnchanged) {
  const Bytes file = {0x00, 0xA0, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x00, 0x00,
                      0x08, 0x00, 0x00, 0x00, 0x00, 0xB0, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00};
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, file));
  EXPECT_EQ(mob.MobKind, "QuestMob");
  EXPECT_EQ(mob.BlockCount, 2);
  EXPECT_TRUE(mob.HasObjects);
  EXPECT_EQ(mob.TotalRecordCount(), 0u);

  const std::vector<std::string> expected = {
      "Это нормальный моб",
      "Основной блок моба весит 24 байт.",
      "Моб помечен как квестовый.",
      "Загружен блок объектов длиной 8 байт. Блок № 2.",
      "В блоке найдено 0 юнитов.",
      "В блоке найдено 0 объектов.",
      "В блоке найдено 0 рычагов.",
      "В блоке найдено 0 ловушек.",
      "В блоке найдено 0 флеймов.",
      "В блоке найдено 0 партиклов 1-го типа.",
      "В блоке найдено 0 партиклов 2-го типа.",
      "В блоке найдено 0 партиклов 3-го типа.",
      "В блоке найдено 0 объектов неизвестного типа.",
      "Курсор стоит в конце файла - значит вся инфа загружена в объект класса.",
      "Моб загружен успешно!"};
  EXPECT_EQ(LogLines(mob), expected);

  mob.LogText.clear();
  EXPECT_EQ(SaveBytes(mob), file);
  const std::vector<std::string> saveLog = {
      "Сигнатура записана...", "Моб помечен как квестовый...",
      "Под номером 2 записан блок объектов длиной 8 байт.", "Записана длина главного блока...",
      "В результате всей этой фигни у нас вылепился файлик размером 24 байт."};
  EXPECT_EQ(LogLines(mob), saveLog);
}

TEST(Container, TailIsKeptVerbatimAndOnlyWhenPresent) {
  TMob mob;
  const Bytes plain = MobFile({kEmptyObjects});
  ASSERT_TRUE(LoadBytes(mob, plain));
  EXPECT_EQ(mob.TailLength, 0);
  EXPECT_FALSE(LogHas(mob, "ХВОСТ"));
  EXPECT_FALSE(LogHas(mob, "хвост"));
  EXPECT_EQ(SaveBytes(mob), plain);

  const Bytes tailed = MobFile({kEmptyObjects}, {0x01, 0x02, 0x03}, kZonalMobFlag);
  ASSERT_TRUE(LoadBytes(mob, tailed));
  EXPECT_EQ(mob.MobKind, "ZonalMob");
  EXPECT_EQ(mob.TailLength, 3);
  EXPECT_TRUE(LogHas(mob, "Это меньше размера файла (27 байт) - ОБНАРУЖЕН ХВОСТ! :)\r\n"));
  EXPECT_TRUE(LogHas(mob, "Прочитан хвост длиной 3 байт.\r\n"));
  mob.LogText.clear();
  EXPECT_EQ(SaveBytes(mob), tailed);
  EXPECT_TRUE(LogHas(mob, "В конец моба присабачен хвост, длиной 3 байт.\r\n"));
}

TEST(Container, UnknownBlocksKeepTheirPositionsKnownBlocksFillTheRest) {
  const Bytes script = ScriptBlock(kDefaultScriptKey, "x");
  const Bytes unknownA = Framed(0x00001234, {1, 2, 3});
  const Bytes unknownB = Framed(0x00005678, {});

  struct Case {
    std::vector<Bytes> read;
    std::vector<Bytes> written;
  } cases[] = {
      {{script, unknownA, kEmptyObjects}, {script, unknownA, kEmptyObjects}},
      {{kEmptyObjects, script}, {script, kEmptyObjects}},
      {{unknownA, unknownB, script}, {unknownA, unknownB, script}},
      {{kEmptyObjects, unknownA, script}, {script, unknownA, kEmptyObjects}},
      {{unknownA}, {unknownA}},
      {{script}, {script}},
  };
  for (const auto& c : cases) {
    TMob mob;
    ASSERT_TRUE(LoadBytes(mob, MobFile(c.read))) << mob.LogText;
    EXPECT_EQ(SaveBytes(mob), MobFile(c.written)) << mob.LogText;
  }
}

TEST(Container, AHugeBlockCountWritesOnlyTheBlocksPresent) {
  // A document built by hand may name any count and any numbers: the save walks
  // the blocks it has, not every number up to the count.
  const test::ChildEnd end = test::RunInChild(
      [] {
        TMob mob;
        if (!LoadBytes(mob, MobFile({ScriptBlock(kDefaultScriptKey, "x"), Framed(0x1234, {}), kEmptyObjects})))
          return 10;
        mob.BlockCount = std::numeric_limits<std::int32_t>::max();
        mob.UnknownBlocks.push_back({8, 2000000000, Framed(0x5678, {})});
        mob.UnknownBlocks.push_back({8, std::numeric_limits<std::int32_t>::max(), Framed(0x9ABC, {})});
        mob.LogText.clear();
        const Bytes image = SaveBytes(mob);
        const Bytes expected = MobFile({ScriptBlock(kDefaultScriptKey, "x"), Framed(0x1234, {}), kEmptyObjects,
                                        Framed(0x5678, {}), Framed(0x9ABC, {})});
        if (image != expected) return 11;
        if (!LogHas(mob, "Под номером 2000000000 записан блок неизвестного типа.\r\n")) return 12;
        if (!LogHas(mob, "Под номером 2147483647 записан блок неизвестного типа.\r\n")) return 13;
        return mob.AllKnownBlocksWritten && mob.LastWrittenBlockType == 0 ? 0 : 14;
      },
      /*seconds=*/3);
  EXPECT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_EQ(end.code, 0);
}

TEST(Container, AnUnknownBlockBeyondTheCountIsNotWritten) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({kEmptyObjects, Framed(0x1234, {})})));
  mob.UnknownBlocks.push_back({8, 9, Framed(0x5678, {})});
  EXPECT_EQ(SaveBytes(mob), MobFile({kEmptyObjects, Framed(0x1234, {})}));
}

TEST(Container, UnknownBlockLogsItsNumber) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({kEmptyObjects, Framed(0x77, {})})));
  EXPECT_TRUE(LogHas(mob, "Считан блок неизвестного типа. Встретился под номером 3.\r\n"));
  EXPECT_EQ(mob.BlockCount, 3);
  ASSERT_EQ(mob.UnknownBlocks.size(), 1u);
  EXPECT_EQ(mob.UnknownBlocks[0].Number, 3);
  EXPECT_EQ(mob.UnknownBlocks[0].Size, 8u);
}

TEST(Container, RejectedFilesLeaveAnEmptyDocumentThatCannotBeSaved) {
  struct Case {
    const char* name;
    Bytes file;
    const char* line;
  } cases[] = {
      {"not a mob", Cat({U32(0xA001), U32(24)}), "Это не моб нихрена!"},
      {"too short for a signature", Bytes{0x00, 0xA0}, "Это не моб нихрена!"},
      {"main block longer than the file", Cat({U32(kMobSignature), U32(100), U32(kQuestMobFlag), U32(8)}),
       "Основной блок моба весит 100 байт. - это больше размера файла! (16 байт)."},
      {"odd flag block", Cat({U32(kMobSignature), U32(24), U32(0xE000), U32(8), kEmptyObjects}),
       "Первый блок главного блока нестандартен. Загрузка отменена."},
      {"flag block of the wrong size", Cat({U32(kMobSignature), U32(24), U32(kQuestMobFlag), U32(9), kEmptyObjects}),
       "Первый блок главного блока нестандартен. Загрузка отменена."},
  };
  for (const auto& c : cases) {
    TMob mob;
    EXPECT_FALSE(LoadBytes(mob, c.file)) << c.name;
    EXPECT_TRUE(LogHas(mob, std::string(c.line) + "\r\n")) << c.name << "\n" << mob.LogText;
    EXPECT_EQ(LogLines(mob).back(), "Загрузить моб не удалось!") << c.name;
    EXPECT_FALSE(mob.Loaded);
    mob.LogText.clear();
    EXPECT_FALSE(mob.SaveFile("/nonexistent/never-written.mob"));
    EXPECT_TRUE(LogHas(mob, "В объект класса еще не было ничего загружено!!! Сохранять нечего!!!"));
    EXPECT_EQ(LogLines(mob).back(), "Моб нихрена не сохранен :(.");
  }
}

// Broken framing anywhere must fail the load in order, name the offset, and never
// read outside the buffer (the sanitizer build and the fuzzer watch the latter).
TEST(Container, MalformedFramingFailsWithItsOffset) {
  const Bytes goodUnit = SubBlockOf(TUnitObjBlock{});
  struct Case {
    const char* name;
    Bytes file;
    const char* offset;
  } cases[] = {
      {"main block ends after the flag block", MobFile({}), "смещение 16 "},
      {"main block shorter than its header", Cat({U32(kMobSignature), U32(12), U32(kQuestMobFlag)}), "смещение 4 "},
      {"block size below 8", MobFile({FramedWithSize(0x99, 4, {})}), "смещение 16 "},
      {"block past the main block", MobFile({FramedWithSize(0x99, 64, {})}), "смещение 16 "},
      {"half a block header", MobFile({kEmptyObjects, Bytes{1, 2, 3, 4}}), "смещение 24 "},
      {"script block under 12 bytes", MobFile({Framed(kScriptBlockType, {1, 2})}), "смещение 16 "},
      {"sub-block size below 8", MobFile({ObjectBlock({FramedWithSize(kind_id::Object, 7, {})})}), "смещение 24 "},
      {"sub-block past its block", MobFile({ObjectBlock({FramedWithSize(kind_id::Object, 300, {})})}), "смещение 24 "},
      {"chunk past its sub-block",
       MobFile({ObjectBlock({Framed(kind_id::Particle3, FramedWithSize(0xDD02, 40, U32(1)))})}), "смещение 32 "},
      {"common run cut short",
       MobFile({ObjectBlock({Framed(kind_id::Lever, Framed(0xB00D, U32(0)))})}), "смещение 32 "},
      {"string list count that cannot fit",
       MobFile({ObjectBlock({Framed(kind_id::Particle2, Framed(0xCC0A, U32(1000000)))})}), "смещение 32 "},
      {"string item past its list",
       MobFile({ObjectBlock({Framed(kind_id::Particle2, Framed(0xCC0A, Cat({U32(1), FramedWithSize(0xCC0A, 9, {})})))})}),
       "смещение 44 "},
      {"trap points that cannot fit",
       MobFile({ObjectBlock({Framed(kind_id::Trap, Framed(0xBBAB0003, U32(0x40000000)))})}), "смещение 32 "},
      {"int chunk too short for its value",
       MobFile({ObjectBlock({Framed(kind_id::Particle3, Framed(0xDD02, {1, 2}))})}), "смещение 32 "},
  };
  for (const auto& c : cases) {
    TMob mob;
    EXPECT_FALSE(LoadBytes(mob, c.file)) << c.name;
    EXPECT_TRUE(LogHas(mob, "Битая разметка моба: ")) << c.name << "\n" << mob.LogText;
    EXPECT_TRUE(LogHas(mob, c.offset)) << c.name << "\n" << mob.LogText;
    EXPECT_EQ(LogLines(mob).back(), "Загрузить моб не удалось!") << c.name;
    EXPECT_EQ(mob.TotalRecordCount(), 0u) << c.name;
    EXPECT_FALSE(mob.HasObjects) << c.name;
  }
  TMob ok;
  EXPECT_TRUE(LoadBytes(ok, MobFile({ObjectBlock({goodUnit})})));
}

TEST(Container, AFailedLoadEmptiesWhatAnEarlierLoadHeld) {
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ObjectBlock({SubBlockOf(TObjectObjBlock{})}), Framed(7, {})}, {9})));
  EXPECT_EQ(mob.Objects.size(), 1u);
  EXPECT_FALSE(LoadBytes(mob, MobFile({ObjectBlock({SubBlockOf(TObjectObjBlock{})}), FramedWithSize(7, 3, {})})));
  EXPECT_TRUE(mob.Objects.empty());
  EXPECT_TRUE(mob.UnknownBlocks.empty());
  EXPECT_EQ(mob.TailLength, 0);
  EXPECT_FALSE(mob.Loaded);
}

}  // namespace
}  // namespace kelvarin
