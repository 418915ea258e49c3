// The diff of two zones: every kind of field change listed by name with both
// values, records added, removed and moved told apart, identities shared within a
// zone paired in list order, the script as a unified diff, blocks by their bytes,
// and layout alone not counted as a difference. Each case runs on documents that
// keep their records in lists and on ones that leave them in the file image.
#include <gtest/gtest.h>

#include <algorithm>

#include "diff/valuetext.h"
#include "diff/zonediff.h"
#include "document/fieldvalue.h"
#include "zonepair.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

class ZoneDiffTest : public ::testing::TestWithParam<bool> {
 protected:
  TZoneDiff Diff(const TEdit& editA, const TEdit& editB) {
    LoadInto(m_a, EditedZone(editA), GetParam());
    LoadInto(m_b, EditedZone(editB), GetParam());
    return DiffZones(m_a, m_b);
  }
  TMob m_a, m_b;
};

INSTANTIATE_TEST_SUITE_P(ListsAndImage, ZoneDiffTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "KeptInImage" : "InLists"; });

Bytes ChunkBytes(std::uint32_t id, std::initializer_list<std::uint8_t> content) {
  Bytes chunk;
  TByteWriter w(chunk);
  w.U32(id);
  w.U32(std::uint32_t(8 + content.size()));
  for (std::uint8_t byte : content) w.U8(byte);
  return chunk;
}

TEST_P(ZoneDiffTest, EveryKindOfFieldChangeIsListedWithBothValues) {
  struct Case {
    ObjKind kind;
    std::size_t index;
    const char* field;
    TFieldValue value;
  };
  const Case cases[] = {
      {ObjKind::Unit, 0, "UseMobInfo", std::uint8_t(200)},
      {ObjKind::Lever, 1, "Key", std::int32_t(-5)},
      {ObjKind::Flame, 0, "FlameSize", 2.5f},
      {ObjKind::Unit, 2, "Name1", Cp("Новое имя \"в кавычках\"")},
      {ObjKind::Unit, 3, "Armour", StringList{"a", "bc"}},
      {ObjKind::Unit, 4, "RawChunk", ChunkBytes(TUnitObjBlock::kRawChunkId, {1, 2, 3})},
      {ObjKind::Unit, 5, "ExtraBlocks", std::vector<Bytes>{ChunkBytes(TUnitObjBlock::kExtraBlockId, {9})}},
      {ObjKind::Trap, 0, "TrapPoints1", std::vector<TTrapPoint3>{{1, 2, 3}}},
      {ObjKind::Trap, 1, "TrapPoints2", std::vector<TTrapPoint2>{{4, 5}, {6, 7}}},
      {ObjKind::Particle1, 0, "ColorR", FloatOfBits(0x7FC00001)},
      {ObjKind::Particle2, 0, "SoundStr_s", StringList{Cp("звук")}},
      {ObjKind::Particle3, 0, "UnknFloat1", -0.0f},
      {ObjKind::Object, 6, "PlayerNumber", std::uint8_t(0xFF)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const TObjRef ref{c.kind, c.index};
    TFieldValue before;
    const TZoneDiff diff = Diff({}, [&](TMob& mob) {
      before = *ReadFieldValue(mob, ref, c.field);
      TFieldValue value = c.value;
      ASSERT_TRUE(SwapFieldValue(mob, ref, c.field, value));
    });
    ASSERT_EQ(diff.records.size(), 1u);
    const TRecordDiff& d = diff.records[0];
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.change, TRecordDiff::Change::Changed);
    EXPECT_EQ(d.indexA, c.index);
    EXPECT_EQ(d.indexB, c.index);
    EXPECT_FALSE(d.moved);
    ASSERT_EQ(d.fields.size(), 1u);
    EXPECT_STREQ(d.fields[0].field, c.field);
    EXPECT_TRUE(SameBytes(d.fields[0].a, before));
    EXPECT_TRUE(SameBytes(d.fields[0].b, c.value));
    EXPECT_FALSE(diff.SameContent());
    const std::string line = std::string("    ") + c.field + ": " + FieldValueText(before) + " -> " +
                             FieldValueText(c.value) + "\n";
    EXPECT_NE(ZoneDiffText(diff, "a", "b").find(line), std::string::npos) << ZoneDiffText(diff, "a", "b");
  }
}

TEST_P(ZoneDiffTest, FloatsCompareByTheirBitsAndPrintTheBitsWhereTextsWouldAgree) {
  struct Case {
    std::uint32_t a, b;
    bool differ;
    const char* textA;
    const char* textB;
  };
  const Case cases[] = {
      {0x7FC00000, 0x7FC00001, true, "NAN (0x7FC00000)", "NAN (0x7FC00001)"},
      {0x7FC00001, 0x7FC00001, false, "", ""},
      {0x00000000, 0x80000000, true, "0", "-0 (0x80000000)"},
      {0x3FC00000, 0x3FC00001, true, "1.5", "1.5000001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.textB);
    const auto set = [](std::uint32_t bits) { return [bits](TMob& mob) { mob.Particles1[0].ColorG = FloatOfBits(bits); }; };
    const TZoneDiff diff = Diff(set(c.a), set(c.b));
    ASSERT_EQ(diff.records.size(), c.differ ? 1u : 0u);
    if (!c.differ) continue;
    ASSERT_EQ(diff.records[0].fields.size(), 1u);
    EXPECT_EQ(FieldValueText(diff.records[0].fields[0].a), c.textA);
    EXPECT_EQ(FieldValueText(diff.records[0].fields[0].b), c.textB);
  }
}

TEST_P(ZoneDiffTest, RecordsAddedRemovedAndMovedAreToldApart) {
  std::int32_t removedObject = 0, movedLever = 0, renamedTrap = 0;
  std::size_t levers = 0;
  const TZoneDiff diff = Diff({}, [&](TMob& mob) {
    TObjectObjBlock added = mob.Objects[0];
    added.ObjectID = 777777;
    removedObject = mob.Objects[3].ObjectID;
    mob.Objects.erase(mob.Objects.begin() + 3);
    mob.Objects.insert(mob.Objects.begin() + 5, added);
    movedLever = mob.Levers[0].ObjectID;
    levers = mob.Levers.size();
    std::rotate(mob.Levers.begin(), mob.Levers.begin() + 1, mob.Levers.end());  // the first goes last
    renamedTrap = mob.Traps[2].ObjectID;
    mob.Traps[2].ObjectID = 888888;  // another identity: one removed, one added
  });
  std::vector<std::string> got;
  for (const TRecordDiff& d : diff.records) {
    const char* change = d.change == TRecordDiff::Change::Added     ? "added"
                         : d.change == TRecordDiff::Change::Removed ? "removed"
                         : d.moved                                  ? "moved"
                                                                    : "changed";
    got.push_back(RecordLabel(d.kind, d.identity, d.occurrence) + " " + change + " " +
                  (d.indexA ? std::to_string(*d.indexA) : "-") + " " + (d.indexB ? std::to_string(*d.indexB) : "-"));
    EXPECT_TRUE(d.fields.empty());
  }
  const std::vector<std::string> expected = {
      "objects " + std::to_string(removedObject) + " removed 3 -",
      "objects 777777 added - 5",
      "levers " + std::to_string(movedLever) + " moved 0 " + std::to_string(levers - 1),
      "traps " + std::to_string(renamedTrap) + " removed 2 -",
      "traps 888888 added - 2",
  };
  EXPECT_EQ(got, expected);
  EXPECT_NE(ZoneDiffText(diff, "a", "b").find("levers " + std::to_string(movedLever) + ": moved (index 0 -> "),
            std::string::npos);
}

TEST_P(ZoneDiffTest, RecordsSharingAnIdentityPairInListOrder) {
  const auto share = [](TMob& mob) { mob.Objects[4].ObjectID = mob.Objects[1].ObjectID; };
  const TZoneDiff diff = Diff(share, [&](TMob& mob) {
    share(mob);
    mob.Objects[4].LoadZ = 123.25f;
  });
  ASSERT_EQ(diff.records.size(), 1u);
  const TRecordDiff& d = diff.records[0];
  EXPECT_EQ(d.occurrence, 1u);
  EXPECT_EQ(d.indexA, 4u);
  ASSERT_EQ(d.fields.size(), 1u);
  EXPECT_STREQ(d.fields[0].field, "LoadZ");
  EXPECT_EQ(RecordLabel(d.kind, d.identity, d.occurrence), "objects " + std::to_string(d.identity) + " (2)");
}

TEST_P(ZoneDiffTest, TheScriptIsAUnifiedDiffOfItsLines) {
  const TZoneDiff diff = Diff({}, [](TMob& mob) {
    ReplaceScriptLine(mob, 10, "  changed line;");
    ReplaceScriptLine(mob, 30, "  another;\r\n  inserted;");
    mob.ScriptKey = 0;
  });
  EXPECT_TRUE(diff.records.empty());
  const TScriptDiff& s = diff.script;
  EXPECT_EQ(s.keyA, kDefaultScriptKey);
  EXPECT_EQ(s.keyB, 0u);
  ASSERT_EQ(s.hunks.size(), 2u);
  EXPECT_EQ(s.hunks[0].aStart, 7u);
  EXPECT_EQ(s.hunks[0].aCount, 7u);
  EXPECT_EQ(s.hunks[0].bCount, 7u);
  EXPECT_EQ(s.hunks[1].aStart, 27u);
  EXPECT_EQ(s.hunks[1].aCount, 7u);
  EXPECT_EQ(s.hunks[1].bStart, 27u);
  EXPECT_EQ(s.hunks[1].bCount, 8u);
  const std::string text = ZoneDiffText(diff, "a.mob", "b.mob");
  EXPECT_NE(text.find("script key: 28417 -> 0 (enciphered -> plain text)\n--- a.mob (script)\n+++ b.mob (script)\n"
                      "@@ -7,7 +7,7 @@\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\n+  changed line;\n"), std::string::npos);
  EXPECT_NE(text.find("@@ -27,7 +27,8 @@\n"), std::string::npos);
  EXPECT_NE(text.find("\n+  another;\n+  inserted;\n"), std::string::npos);
}

TEST_P(ZoneDiffTest, AnEditedTextStandsForEitherSidesScript) {
  Diff({}, {});
  const std::string edited = m_b.ScriptText + "// edited\r\n";
  EXPECT_TRUE(DiffZones(m_a, m_b, std::nullopt, m_b.ScriptText).script.hunks.empty());
  EXPECT_EQ(DiffZones(m_a, m_b, std::nullopt, edited).script.hunks.at(0).lines.back().op, '+');
  EXPECT_EQ(DiffZones(m_a, m_b, edited).script.hunks.at(0).lines.back().op, '-');
  EXPECT_TRUE(DiffZones(m_a, m_b, edited, edited).script.hunks.empty());
}

TEST_P(ZoneDiffTest, BlocksAndTheTailAreComparedByTheirBytes) {
  const TZoneDiff diff = Diff({}, [](TMob& mob) {
    mob.MobKind = mob.MobKind == "QuestMob" ? "ZonalMob" : "QuestMob";
    mob.UnknownBlocks[0].Data[20] ^= 1;
    mob.UnknownObjectBlocks.push_back({12, {0x01, 0x00, 0x34, 0x12, 12, 0, 0, 0, 7, 7, 7, 7}});
    mob.Tail.push_back(0xAB);
    mob.TailLength = std::int64_t(mob.Tail.size());
  });
  EXPECT_TRUE(diff.records.empty());
  ASSERT_EQ(diff.blocks.size(), 4u);
  EXPECT_EQ(diff.blocks[0].block, TBlockDiff::Block::Flag);
  EXPECT_EQ(diff.blocks[1].block, TBlockDiff::Block::Unknown);
  EXPECT_EQ(diff.blocks[1].ordinal, 0u);
  EXPECT_EQ(diff.blocks[1].firstDifference, 20u);
  EXPECT_EQ(diff.blocks[2].block, TBlockDiff::Block::UnknownObject);
  EXPECT_EQ(diff.blocks[2].ordinal, 2u);
  EXPECT_FALSE(diff.blocks[2].a.present);
  EXPECT_EQ(diff.blocks[2].b.type, 0x12340001u);
  EXPECT_EQ(diff.blocks[3].block, TBlockDiff::Block::Tail);
  EXPECT_EQ(diff.blocks[3].b.size, diff.blocks[3].a.size + 1);
  EXPECT_EQ(diff.blocks[3].firstDifference, diff.blocks[3].a.size);
  const std::string text = ZoneDiffText(diff, "a", "b");
  EXPECT_NE(text.find(", first difference at byte 20\n"), std::string::npos) << text;
  EXPECT_NE(text.find("unknown object sub-block 2: added: type 0x12340001, 12 bytes\n"), std::string::npos) << text;
}

// The same zone written with its blocks in another order and its script key in
// another form holds the same content.
TEST(ZoneDiffLayout, LayoutTheWriterMakesOneIsNoDifference) {
  TMob source;
  GenerateZone(source, {.records = 60, .seed = 5, .scriptLines = 5});
  source.UnknownBlocks.clear();
  source.BlockCount = 3;
  const Bytes written = ImageOf(source);
  // The same blocks, the object block first, the script under key 5.
  const std::uint32_t mainLength = ReadU32(written.data() + 4);
  const std::uint32_t scriptSize = ReadU32(written.data() + 20);
  Bytes script(written.begin() + 16, written.begin() + 16 + scriptSize);
  Bytes objects(written.begin() + 16 + scriptSize, written.begin() + mainLength);
  StoreU32(script.data() + 8, 5);
  std::string text(script.begin() + 12, script.end());
  TMob::ScriptCipher(reinterpret_cast<std::uint8_t*>(text.data()), text.size(), kDefaultScriptKey);
  TMob::ScriptCipher(reinterpret_cast<std::uint8_t*>(text.data()), text.size(), 5);
  std::copy(text.begin(), text.end(), script.begin() + 12);
  Bytes reordered(written.begin(), written.begin() + 16);
  reordered.insert(reordered.end(), objects.begin(), objects.end());
  reordered.insert(reordered.end(), script.begin(), script.end());
  reordered.insert(reordered.end(), written.begin() + mainLength, written.end());

  TMob a, b;
  LoadInto(a, written, true);
  LoadInto(b, reordered, true);
  const TZoneDiff diff = DiffZones(a, b);
  EXPECT_TRUE(diff.SameContent());
  EXPECT_TRUE(diff.layoutDiffers);
  EXPECT_NE(ZoneDiffText(diff, "a", "b").find("differ only in layout"), std::string::npos);

  const TZoneDiff same = DiffZones(a, a);
  EXPECT_TRUE(same.SameContent());
  EXPECT_FALSE(same.layoutDiffers);
  EXPECT_TRUE(ZoneDiffText(same, "a", "a").empty());
}

}  // namespace
}  // namespace kelvarin
