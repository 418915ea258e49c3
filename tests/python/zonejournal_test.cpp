#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "mob/generator.h"
#include "python/zonejournal.h"

namespace kelvarin {
namespace {

// A document someone else owns, whose changes are written into a journal, as the
// editor's document is while a script runs on it.
class TJournaledDocument : public TZoneOwner {
 public:
  explicit TJournaledDocument(TMob& mob) : m_mob(mob) {}
  TMob& Mob() override { return m_mob; }
  std::string Path() const override { return "zone.mob"; }
  std::string Refusal(TZoneOperation operation) const override {
    return operation == TZoneOperation::Save ? "saved from the File menu" : "";
  }
  TZoneRecorder* Recorder() override { return &journal; }
  TZoneJournal journal;

 private:
  TMob& m_mob;
};

Bytes Image(TMob& mob) {
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  return image;
}

class ZoneJournal : public ::testing::Test {
 protected:
  void SetUp() override {
    GenerateZone(mob, {.records = 200, .seed = 11});
    before = Image(mob);
  }

  TMob mob;
  Bytes before;
  TJournaledDocument document{mob};
  std::shared_ptr<TZoneHandle> zone = std::make_shared<TZoneHandle>(document);
};

TEST_F(ZoneJournal, ChangesOfEveryKindAreUndoneAndRedoneAsOne) {
  TRecordRef unit(zone, ObjKind::Unit, 2);
  TRecordRef trap(zone, ObjKind::Trap, 0);
  unit.SetField(&TUnitObjBlock::Name1, "Name1", std::string("renamed"));
  zone->Insert(0, TUnitObjBlock{});                      // the held unit moves to 3
  unit.SetField(&TUnitObjBlock::Armour, "Armour", StringList{"a", "b"});
  zone->Remove(ObjKind::Unit, 1);                        // and back to 2
  trap.SetField(&TTrapObjBlock::TrapPoints2, "TrapPoints2", std::vector<TTrapPoint2>{{1, 2}});
  zone->Remove(ObjKind::Trap, 0);                        // the held trap leaves, changed
  zone->Insert(mob.Particles2.size(), TParticle2ObjBlock{.ID = 9});
  unit.SetField(static_cast<float TUnitObjBlock::*>(&TUnitObjBlock::LoadX), "LoadX", 5.0f);

  EXPECT_EQ(unit.Index(), 2u);
  EXPECT_EQ(unit.Get<TUnitObjBlock>().Armour, (StringList{"a", "b"}));
  ASSERT_FALSE(trap.Attached());
  EXPECT_EQ(trap.Get<TTrapObjBlock>().TrapPoints2.size(), 1u);
  EXPECT_TRUE(document.journal.ListsResized());
  EXPECT_GT(document.journal.MemorySize(), sizeof(TZoneJournal));

  const Bytes after = Image(mob);
  ASSERT_NE(after, before);
  document.journal.Undo(mob);
  EXPECT_EQ(Image(mob), before);
  document.journal.Redo(mob);
  EXPECT_EQ(Image(mob), after);
  document.journal.Undo(mob);
  EXPECT_EQ(Image(mob), before);
}

TEST_F(ZoneJournal, AValueThatChangesNoByteIsNoChange) {
  TRecordRef flame(zone, ObjKind::Flame, 0);
  const TFlameObjBlock& record = flame.Get<TFlameObjBlock>();
  flame.SetField(&TFlameObjBlock::SoundStr, "SoundStr", std::string(record.SoundStr));
  flame.SetField(&TFlameObjBlock::CoordX, "CoordX", record.CoordX);
  EXPECT_TRUE(document.journal.Empty());
  flame.SetField(&TFlameObjBlock::CoordX, "CoordX", -record.CoordX == record.CoordX ? 1.0f : -record.CoordX);
  EXPECT_FALSE(document.journal.Empty());
  // Changes in place name their records, each once, for the recovery journal.
  TRecordRef unit(zone, ObjKind::Unit, 3);
  unit.SetField(&TUnitObjBlock::Name1, "Name1", std::string("renamed"));
  flame.SetField(&TFlameObjBlock::CoordX, "CoordX", 7.0f);
  EXPECT_FALSE(document.journal.ListsResized());
  EXPECT_EQ(document.journal.ChangedRecords(), (std::vector<TObjRef>{{ObjKind::Unit, 3}, {ObjKind::Flame, 0}}));
}

// Numbers are kept as their bits: every width comes back exactly, a field
// changed twice gets its first value back, fields of one name in several kinds
// stay apart, and the bits decide what a change is (-0 is not 0, a NaN is itself).
TEST(ZoneJournalNumbers, ComeBackBitForBit) {
  const float nan = std::bit_cast<float>(0x7fc01234u);
  struct Case {
    const char* name;
    std::function<void(TUnitObjBlock&)> prepare;  // before the journal, unrecorded
    std::function<void(TRecordRef& unit, TRecordRef& lever)> change;
    bool recorded;
  } cases[] = {
      {"a byte", nullptr,
       [](TRecordRef& unit, TRecordRef&) {
         unit.SetField<TUnitObjBlock, std::uint8_t>(&TUnitObjBlock::PlayerNumber, "PlayerNumber", std::uint8_t(255));
       },
       true},
      {"one name in two kinds, twice each",
       nullptr,
       [](TRecordRef& unit, TRecordRef& lever) {
         unit.SetField<TUnitObjBlock, std::int32_t>(&TUnitObjBlock::ObjectID, "ObjectID", INT32_MIN);
         lever.SetField<TLeverObjBlock, std::int32_t>(&TLeverObjBlock::ObjectID, "ObjectID", -1);
         unit.SetField<TUnitObjBlock, std::int32_t>(&TUnitObjBlock::ObjectID, "ObjectID", 7);
         lever.SetField<TLeverObjBlock, std::int32_t>(&TLeverObjBlock::ObjectID, "ObjectID", INT32_MAX);
       },
       true},
      {"0 then -0", [](TUnitObjBlock& u) { u.LoadX = 3.0f; },
       [](TRecordRef& unit, TRecordRef&) {
         unit.SetField<TUnitObjBlock, float>(&TUnitObjBlock::LoadX, "LoadX", 0.0f);
         unit.SetField<TUnitObjBlock, float>(&TUnitObjBlock::LoadX, "LoadX", -0.0f);
       },
       true},
      {"a NaN over a NaN of other bits", [&](TUnitObjBlock& u) { u.LoadX = std::bit_cast<float>(0x7fc00001u); },
       [&](TRecordRef& unit, TRecordRef&) {
         unit.SetField<TUnitObjBlock, float>(&TUnitObjBlock::LoadX, "LoadX", nan);
       },
       true},
      {"a NaN given its own bits", [&](TUnitObjBlock& u) { u.LoadX = nan; },
       [&](TRecordRef& unit, TRecordRef&) {
         unit.SetField<TUnitObjBlock, float>(&TUnitObjBlock::LoadX, "LoadX", nan);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMob mob;
    GenerateZone(mob, {.records = 50, .seed = 5});
    ASSERT_FALSE(mob.Levers.empty());
    if (c.prepare) c.prepare(mob.Units[0]);
    const Bytes before = Image(mob);
    TJournaledDocument document(mob);
    auto zone = std::make_shared<TZoneHandle>(document);
    TRecordRef unit(zone, ObjKind::Unit, 0);
    TRecordRef lever(zone, ObjKind::Lever, 0);
    c.change(unit, lever);
    EXPECT_EQ(document.journal.Empty(), !c.recorded);
    const Bytes after = Image(mob);
    document.journal.Undo(mob);
    EXPECT_EQ(Image(mob), before);
    document.journal.Redo(mob);
    EXPECT_EQ(Image(mob), after);
  }
}

TEST_F(ZoneJournal, AReleasedDocumentIsReachedByNoHandleOrRecord) {
  TRecordRef lever(zone, ObjKind::Lever, 0);
  EXPECT_THROW(zone->Require(TZoneOperation::Save), std::runtime_error);
  EXPECT_NO_THROW(zone->Require(TZoneOperation::MassChange));
  zone->Release("the script has ended");
  EXPECT_THROW(lever.Get<TLeverObjBlock>(), std::runtime_error);
  EXPECT_THROW(zone->Mob(), std::runtime_error);
  EXPECT_EQ(Image(mob), before);
}

}  // namespace
}  // namespace kelvarin
