// The record steps: a field edit of every value type, a turn and the merging of a
// gesture, and a change of many records whose undo gives back the file byte for
// byte.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/recordcommands.h"
#include "mob/generator.h"

namespace kelvarin {
namespace {

std::string Image(TMob& mob) {
  // A build continues from the block state of the previous one: start afresh.
  mob.LastWrittenBlockType = 0;
  mob.AllKnownBlocksWritten = false;
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  mob.LogText.clear();
  return std::string(image.begin(), image.end());
}

class RecordCommands : public ::testing::Test {
 protected:
  void SetUp() override { GenerateZone(mob, {.records = 400, .seed = 5, .scriptLines = 3}); }

  // The step that sets a field to `value`, made (and not yet applied) the way an edit makes it.
  std::unique_ptr<TFieldEditCommand> Edit(TObjRef ref, const std::string& key, TFieldValue value) {
    return TFieldEditCommand::Set(mob, ref, key, std::move(value), "caption");
  }

  TMob mob;
};

TEST_F(RecordCommands, FieldEditsOfEveryTypeUndoAndRedo) {
  ASSERT_FALSE(mob.Traps.empty());
  const TObjRef unit{ObjKind::Unit, 3}, trap{ObjKind::Trap, 0};
  const struct {
    TObjRef ref;
    const char* key;
    TFieldValue value;
  } cases[] = {
      {unit, "Name1", std::string("\xCD\xEE\xE2\xFB\xE9")},  // 1251 bytes
      {unit, "LoadX", 12.5f},
      {unit, "PlayerNumber", std::uint8_t(255)},
      {unit, "ObjectID", std::int32_t(-7)},
      {unit, "Armour", StringList{"a", "", "b"}},
      {trap, "TrapPoints1", std::vector<TTrapPoint3>{{1, 2, 3}}},
      {{ObjKind::Particle2, 1}, "SoundStr_s", StringList{"sound.wav"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const std::string before = Image(mob);
    auto step = Edit(c.ref, c.key, c.value);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(Image(mob), before);  // made before its change
    step->Redo(mob);
    const std::string after = Image(mob);
    ASSERT_NE(after, before);
    EXPECT_EQ(step->Change(true).record, c.ref);
    step->Undo(mob);
    EXPECT_EQ(Image(mob), before);
    step->Redo(mob);
    EXPECT_EQ(Image(mob), after);
    EXPECT_TRUE(SameBytes(*ReadFieldValue(mob, c.ref, c.key), c.value));
    EXPECT_GE(step->MemorySize(), sizeof(TFieldEditCommand));
  }
}

TEST_F(RecordCommands, AnEditThatChangesNoByteIsNoStep) {
  const TObjRef ref{ObjKind::Object, 0};
  EXPECT_EQ(Edit(ref, "Name2", *ReadFieldValue(mob, ref, "Name2")), nullptr);
  // Bit for bit: a NaN is the same NaN, but -0 is not 0.
  mob.Objects[0].LoadY = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Edit(ref, "LoadY", std::numeric_limits<float>::quiet_NaN()), nullptr);
  mob.Objects[0].LoadY = 0.0f;
  EXPECT_NE(Edit(ref, "LoadY", -0.0f), nullptr);
  // A key that is no field, a value of the wrong type, a record that is not there.
  TFieldValue wrongType = std::int32_t(1);
  EXPECT_FALSE(SwapFieldValue(mob, ref, "Name2", wrongType));
  EXPECT_EQ(Edit(ref, "Name2", std::int32_t(1)), nullptr);
  EXPECT_EQ(Edit(ref, "NoSuchField", std::int32_t(1)), nullptr);
  EXPECT_FALSE(ReadFieldValue(mob, ref, "TrapPoints1"));
  EXPECT_FALSE(ReadFieldValue(mob, {ObjKind::Object, mob.Objects.size()}, "Name2"));
}

TEST(FieldEditCaption, FieldAndValueAsTheTableShowsThem) {
  EXPECT_EQ(FieldEditCaption("LoadX", "12.5"), "LoadX = 12.5");
  EXPECT_EQ(FieldEditCaption("Name2", "\xC4\xE2\xE5\xF0\xFC"), "Name2 = Дверь");
  const std::string caption = FieldEditCaption("Name2", std::string(200, 'x'));
  EXPECT_EQ(caption, "Name2 = " + std::string(60, 'x') + "…");
}

TEST_F(RecordCommands, TurnsOfOneGestureMergeIntoOneStep) {
  const TObjRef lever{ObjKind::Lever, 0}, flame{ObjKind::Flame, 0};
  const TRotationFields start = *ReadRotation(mob, lever);
  const TRotationFields a{0.5f, 0.5f, 0.5f, 0.5f}, b{0, 1, 0, 0};

  ASSERT_TRUE(WriteRotation(mob, lever, a));
  TTurnCommand first(lever, start, a, 1, "turn");
  ASSERT_TRUE(WriteRotation(mob, lever, b));
  EXPECT_TRUE(first.MergeWith(TTurnCommand(lever, a, b, 1, "turn")));
  EXPECT_FALSE(first.MergeWith(TTurnCommand(lever, b, a, 2, "turn")));  // the next gesture
  EXPECT_FALSE(first.MergeWith(TTurnCommand(flame, b, a, 1, "turn")));  // another record

  first.Undo(mob);
  EXPECT_EQ(*ReadRotation(mob, lever), start);
  first.Redo(mob);
  EXPECT_EQ(*ReadRotation(mob, lever), b);
  // Particles carry no rotation.
  EXPECT_FALSE(ReadRotation(mob, {ObjKind::Particle1, 0}));
  EXPECT_FALSE(WriteRotation(mob, {ObjKind::Particle1, 0}, a));
}

// What a mass change does: every unit renamed and moved, every third trap taken
// out, all type-1 particles taken out after a change.
TRecordsEdit ChangeManyRecords(TMob& mob) {
  TRecordsEdit edit;
  for (std::size_t i = 0; i < mob.Units.size(); ++i) {
    TUnitObjBlock& unit = mob.Units[i];
    edit.SetField(unit, i, static_cast<std::string TUnitObjBlock::*>(&TCommonObjFields::Name2),
                  std::string("renamed"));
    edit.SetField(unit, i, static_cast<float TUnitObjBlock::*>(&TCommonObjFields::LoadX), unit.LoadX + 1.5f);
    edit.SetField(unit, i, &TUnitObjBlock::Name1, std::string("first"));
    edit.SetField(unit, i, &TUnitObjBlock::Name1, std::string("second"));  // the same field twice
  }
  auto takeEvery = [&](auto& list, std::size_t step, auto&& change) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (i % step == 0) {
        change(list[i], i);
        edit.TakeRecord(list[i], i);
        continue;
      }
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
    }
    list.erase(list.begin() + std::ptrdiff_t(kept), list.end());
  };
  takeEvery(mob.Traps, 3, [](auto&, std::size_t) {});
  takeEvery(mob.Particles1, 1, [&](TParticle1ObjBlock& p, std::size_t i) {
    edit.SetField(p, i, &TParticle1ObjBlock::NameStr, std::string("moved"));
  });
  return edit;
}

TEST_F(RecordCommands, UndoOfAChangeOfManyRecordsGivesBackEveryByte) {
  const std::size_t traps = mob.Traps.size(), units = mob.Units.size();
  ASSERT_GT(traps, 3u);
  const std::string before = Image(mob);
  TRecordsEditCommand step([](TMob& m, TRecordsEdit& edit) {
    edit = ChangeManyRecords(m);
    return std::string("mass change");
  });
  EXPECT_EQ(Image(mob), before);  // the scan runs on the first Redo
  step.Redo(mob);
  EXPECT_EQ(step.Caption(), "mass change");
  const std::string after = Image(mob);
  ASSERT_NE(after, before);
  EXPECT_EQ(mob.Units[0].Name1, "second");
  EXPECT_EQ(mob.Traps.size(), traps - (traps + 2) / 3);
  EXPECT_TRUE(mob.Particles1.empty());

  for (int round = 0; round < 2; ++round) {
    step.Undo(mob);
    EXPECT_EQ(Image(mob), before);
    step.Redo(mob);
    EXPECT_EQ(Image(mob), after);
  }

  // After the undo the first record touched is selected; after the redo the first
  // one still there, where it stands now.
  const TRecordsChange undone = step.Change(true), redone = step.Change(false);
  EXPECT_TRUE(undone.listsResized);
  EXPECT_EQ(undone.record, (TObjRef{ObjKind::Unit, 0}));
  EXPECT_EQ(redone.record, (TObjRef{ObjKind::Unit, 0}));
  EXPECT_GT(step.MemorySize(), units * 2 * sizeof(TFieldValue));
}

TEST_F(RecordCommands, RecordsTakenFromTheMiddleGoBackInPlace) {
  mob.Units.resize(6);
  for (std::size_t i = 0; i < 6; ++i) {
    mob.Units[i].ObjectID = std::int32_t(i);
    mob.Units[i].ObjectType = 0;
  }
  TRecordsEdit edit;
  // Positions 1, 2 and 5 leave; 4 is changed and stays, as position 2 afterwards.
  edit.SetField(mob.Units[4], 4, static_cast<std::int32_t TUnitObjBlock::*>(&TCommonObjFields::ObjectType), 9);
  for (std::size_t i : {1, 2, 5}) edit.TakeRecord(mob.Units[i], i);
  std::vector<TUnitObjBlock> kept;
  for (std::size_t i : {0, 3, 4}) kept.push_back(std::move(mob.Units[i]));
  mob.Units = std::move(kept);

  const TRecordsChange redone = edit.Change(false);
  EXPECT_EQ(redone.record, (TObjRef{ObjKind::Unit, 2}));
  edit.Undo(mob);
  ASSERT_EQ(mob.Units.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(mob.Units[i].ObjectID, std::int32_t(i));
  EXPECT_EQ(mob.Units[4].ObjectType, 0);
  EXPECT_EQ(edit.Change(true).record, (TObjRef{ObjKind::Unit, 1}));
  edit.Redo(mob);
  ASSERT_EQ(mob.Units.size(), 3u);
  EXPECT_EQ(mob.Units[2].ObjectID, 4);
  EXPECT_EQ(mob.Units[2].ObjectType, 9);
  EXPECT_EQ(edit.ChangedRecords(), 1u);
  EXPECT_EQ(edit.TakenRecords(), 3u);
}

}  // namespace
}  // namespace kelvarin
