// Several records at once: each step over a set of records undoes to the bytes
// the file had and redoes to the bytes the change made, selecting the records it
// touched; identities handed to copies follow FindFreeObjectId; the file form of
// a batch reads back byte for byte and nothing else reads as one.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "common/bytes.h"
#include "document/recordcommands.h"
#include "document/recordset.h"
#include "mob/generator.h"
#include "mob/objref.h"

namespace kelvarin {
namespace {

std::string Image(TMob& mob) {
  mob.LastWrittenBlockType = 0;
  mob.AllKnownBlocksWritten = false;
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  mob.LogText.clear();
  return std::string(image.begin(), image.end());
}

std::string RecordBytes(const TMob& mob, TObjRef ref) {
  Bytes bytes;
  VisitRecord(mob, ref, [&](const auto& record) { record.WriteRecord(bytes); });
  return std::string(bytes.begin(), bytes.end());
}

class RecordSet : public ::testing::Test {
 protected:
  void SetUp() override { GenerateZone(mob, {.records = 300, .seed = 11, .scriptLines = 2}); }
  TMob mob;
};

TEST_F(RecordSet, EveryStepUndoesToTheFileAndRedoesItsChange) {
  const std::vector<TObjRef> mixed = {{ObjKind::Unit, 4}, {ObjKind::Particle1, 0}, {ObjKind::Unit, 1},
                                     {ObjKind::Trap, 0}, {ObjKind::Unit, 4}};
  TKindValues loadX;
  for (ObjKind kind : kAllObjKinds) loadX[std::size_t(kind)] = TFieldValue(12.5f);
  TKindValues coordX = loadX;

  const struct {
    const char* name;
    std::function<std::unique_ptr<TDocCommand>()> make;
    std::size_t selectedAfter;  // records the step selects once done
    std::size_t countChange;    // records more (or fewer) in the zone
  } cases[] = {
      {"delete", [&] { return DeleteRecordsStep(mob, mixed, "del"); }, 0, std::size_t(-4)},
      {"copies appended", [&] { return AppendRecordsStep(CopyRecords(mob, mixed), "dup"); }, 4, 4},
      // A particle has no LoadX: only the three records with one change.
      {"shared field", [&] { return SetFieldStep(mob, GroupRecords(mob, mixed), "LoadX", loadX, "LoadX = 12.5"); }, 3, 0},
      {"particle field", [&] { return SetFieldStep(mob, GroupRecords(mob, mixed), "CoordX", coordX, "CoordX"); }, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = Image(mob);
    const std::size_t count = mob.TotalRecordCount();
    auto step = c.make();
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(Image(mob), before);  // made before its change
    step->Redo(mob);
    const std::string after = Image(mob);
    EXPECT_NE(after, before);
    EXPECT_EQ(mob.TotalRecordCount(), count + c.countChange);
    const TRecordsChange done = step->Change(false);
    EXPECT_EQ(done.records.size(), c.selectedAfter);
    for (const TObjRef& ref : done.records) EXPECT_TRUE(RefersToRecord(mob, ref));
    step->Undo(mob);
    EXPECT_EQ(Image(mob), before);
    // After the undo the records the step touched are selected again where they are.
    for (const TObjRef& ref : step->Change(true).records) EXPECT_TRUE(RefersToRecord(mob, ref));
    step->Redo(mob);
    EXPECT_EQ(Image(mob), after);
    step->Undo(mob);
  }
}

TEST_F(RecordSet, CopiesAppendedAreTheSourceRecordsByteForByte) {
  const std::vector<TObjRef> refs = {{ObjKind::Flame, 0}, {ObjKind::Lever, 2}, {ObjKind::Particle3, 1}};
  auto step = AppendRecordsStep(CopyRecords(mob, refs), "dup");
  step->Redo(mob);
  const auto copies = step->Change(false).records;
  ASSERT_EQ(copies.size(), 3u);
  // Kind order: the lever, the flame, the particle; each at the end of its list.
  const TObjRef sources[] = {refs[1], refs[0], refs[2]};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(copies[i].kind, sources[i].kind);
    EXPECT_EQ(copies[i].index, mob.Count(copies[i].kind) - 1);
    EXPECT_EQ(RecordBytes(mob, copies[i]), RecordBytes(mob, sources[i]));
  }
}

TEST_F(RecordSet, ValuesEveryRecordHoldsAreNoStep) {
  const std::vector<TObjRef> refs = {{ObjKind::Unit, 0}, {ObjKind::Object, 0}};
  TKindValues same;
  same[std::size_t(ObjKind::Unit)] = TFieldValue(mob.Units[0].LoadY);
  same[std::size_t(ObjKind::Object)] = TFieldValue(mob.Objects[0].LoadY);
  EXPECT_EQ(SetFieldStep(mob, GroupRecords(mob, refs), "LoadY", same, "c"), nullptr);
  TKindValues wrongType;
  wrongType[std::size_t(ObjKind::Unit)] = TFieldValue(std::string("x"));
  EXPECT_EQ(SetFieldStep(mob, GroupRecords(mob, refs), "LoadY", wrongType, "c"), nullptr);
  EXPECT_EQ(DeleteRecordsStep(mob, {{ObjKind::Unit, 100000}}, "c"), nullptr);
  EXPECT_EQ(AppendRecordsStep(std::make_unique<TMob>(), "c"), nullptr);
}

TEST(RecordSetIdentities, FollowFindFreeObjectId) {
  // The zone carries 1, 2 and 4; a batch of three records.
  const auto zone = [](TMob& mob) {
    mob.Units.resize(2);
    mob.Units[0].ObjectID = 1;
    mob.Units[1].ObjectID = 4;
    mob.Particles1.resize(1);
    mob.Particles1[0].ID = 2;
  };
  const struct {
    const char* name;
    std::vector<std::int32_t> batch;
    bool every;
    std::vector<std::int32_t> after;
  } cases[] = {
      {"clashes only", {4, 7, 1}, false, {3, 7, 5}},
      {"copies in place", {4, 7, 1}, true, {3, 5, 6}},
      {"clash inside the batch", {9, 9, 3}, false, {9, 5, 3}},
      // 2^31 compares as its 32 bits and clashes with nothing here.
      {"high range kept", {-2147483647 - 1, 1000000000}, false, {-2147483647 - 1, 1000000000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMob mob;
    zone(mob);
    TMob batch;
    batch.Objects.resize(c.batch.size());
    for (std::size_t i = 0; i < c.batch.size(); ++i) batch.Objects[i].ObjectID = c.batch[i];
    const auto changes = GiveFreeIdentities(mob, batch, c.every);
    ASSERT_TRUE(changes);
    for (std::size_t i = 0; i < c.after.size(); ++i) EXPECT_EQ(batch.Objects[i].ObjectID, c.after[i]) << i;
    for (const TIdentityChange& change : *changes)
      EXPECT_EQ(batch.Objects[change.record.index].ObjectID, change.to);
  }
}

TEST_F(RecordSet, FileFormReadsBackAndNothingElseDoes) {
  const auto batch = CopyRecords(mob, {{ObjKind::Unit, 0}, {ObjKind::Trap, 1}, {ObjKind::Particle2, 0}});
  const Bytes form = RecordsFileForm(*batch);
  TMob back;
  ASSERT_TRUE(ReadRecordsFileForm(form, back));
  EXPECT_EQ(RecordsFileForm(back), form);
  EXPECT_EQ(back.TotalRecordCount(), 3u);

  Bytes unknownSub = form;
  StoreU32(unknownSub.data() + 8, 0x12345678);  // the first record's kind
  Bytes shortSize = form;
  StoreU32(shortSize.data() + 4, std::uint32_t(form.size() - 1));
  Bytes notAnObjectBlock = form;
  StoreU32(notAnObjectBlock.data(), 0x0000A000);
  const Bytes empty = {0x00, 0xB0, 0, 0, 8, 0, 0, 0};
  const Bytes cutShort(form.begin(), form.begin() + 20);
  for (const Bytes& foreign : {unknownSub, shortSize, notAnObjectBlock, empty, cutShort, Bytes{}}) {
    EXPECT_FALSE(ReadRecordsFileForm(foreign, back));
    EXPECT_EQ(back.TotalRecordCount(), 0u);
  }
}

TEST(RecordSetText, CountsAgreeInNumber) {
  const std::pair<std::size_t, const char*> cases[] = {
      {1, "1 запись"},    {2, "2 записи"},    {4, "4 записи"},       {5, "5 записей"},  {11, "11 записей"},
      {12, "12 записей"}, {21, "21 запись"},  {22, "22 записи"},     {111, "111 записей"}, {50000, "50000 записей"}};
  for (const auto& [count, text] : cases) EXPECT_EQ(RecordCountText(count), text);
}

TEST_F(RecordSet, BatchCentreAndShiftKeepPlacelessRecords) {
  TMob batch;
  batch.Units.resize(3);
  batch.Units[0].LoadX = 0, batch.Units[0].LoadY = 10;
  batch.Units[1].LoadX = 4, batch.Units[1].LoadY = 20;
  batch.Units[2].LoadX = std::numeric_limits<float>::quiet_NaN();
  const auto centre = BatchCentre(batch);
  ASSERT_TRUE(centre);
  EXPECT_EQ(centre->x, 2.f);
  EXPECT_EQ(centre->y, 15.f);
  ShiftBatch(batch, 1, -5);
  EXPECT_EQ(batch.Units[1].LoadX, 5.f);
  EXPECT_EQ(batch.Units[1].LoadY, 15.f);
  EXPECT_TRUE(std::isnan(batch.Units[2].LoadX));
}

}  // namespace
}  // namespace kelvarin
