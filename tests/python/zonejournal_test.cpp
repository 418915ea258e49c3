#include <gtest/gtest.h>

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
