// Moving a record on the plane as one step: the coordinates that move per kind,
// undo and redo, and drags that change nothing.
#include <gtest/gtest.h>

#include "document/movecommand.h"
#include "document/documentsession.h"
#include "mob/generator.h"

namespace kelvarin {
namespace {

TEST(MoveCommand, MovesThePlaneCoordinatesOfEachKindAndUndoesThem) {
  TMob mob;
  GenerateZone(mob, {.records = 200, .seed = 2, .scriptLines = 1});
  const TFlameObjBlock flameBefore = mob.Flames.at(0);
  const TParticle3ObjBlock particleBefore = mob.Particles3.at(0);

  auto flame = MoveStep(mob, {ObjKind::Flame, 0}, {12.5f, -3}, "caption");
  ASSERT_NE(flame, nullptr);
  EXPECT_EQ(mob.Flames[0], flameBefore);  // the step is made before its change
  flame->Redo(mob);
  // A flame stands at LoadX/LoadY; its own CoordX/CoordY stay.
  EXPECT_EQ(mob.Flames[0].LoadX, 12.5f);
  EXPECT_EQ(mob.Flames[0].LoadY, -3);
  EXPECT_EQ(mob.Flames[0].CoordX, flameBefore.CoordX);
  EXPECT_EQ(mob.Flames[0].LoadZ, flameBefore.LoadZ);
  auto particle = MoveStep(mob, {ObjKind::Particle3, 0}, {1, 2}, "caption");
  ASSERT_NE(particle, nullptr);
  particle->Redo(mob);
  EXPECT_EQ(mob.Particles3[0].CoordX, 1);
  EXPECT_EQ(mob.Particles3[0].CoordY, 2);
  EXPECT_EQ(particle->Change(false).record, (TObjRef{ObjKind::Particle3, 0}));

  particle->Undo(mob);
  flame->Undo(mob);
  EXPECT_EQ(mob.Flames[0], flameBefore);
  EXPECT_EQ(mob.Particles3[0], particleBefore);
  flame->Redo(mob);
  EXPECT_EQ(mob.Flames[0].LoadX, 12.5f);

  // No step for a drag back to where the record is, or for a record not there.
  EXPECT_EQ(MoveStep(mob, {ObjKind::Flame, 0}, {12.5f, -3}, "caption"), nullptr);
  EXPECT_EQ(MoveStep(mob, {ObjKind::Flame, mob.Flames.size()}, {0, 0}, "caption"), nullptr);
  // -0 is another value than 0: the file would change.
  mob.Units[0].LoadX = 0;
  EXPECT_NE(MoveStep(mob, {ObjKind::Unit, 0}, {-0.0f, mob.Units[0].LoadY}, "caption"), nullptr);
}

TEST(MoveCommand, OneDragIsOneStepOfTheSessionHistory) {
  TDocumentSession session;
  GenerateZone(session.Mob(), {.records = 50, .seed = 3, .scriptLines = 1});
  session.Adopt("zone.mob");
  const float x = session.Mob().Units[1].LoadX;
  ASSERT_TRUE(session.Apply(MoveStep(session.Mob(), {ObjKind::Unit, 1}, {x + 5, 7}, "Перемещение")));
  session.CloseGesture();
  ASSERT_TRUE(session.Apply(MoveStep(session.Mob(), {ObjKind::Unit, 1}, {x + 9, 7}, "Перемещение")));
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.Mob().Units[1].LoadX, x + 5);
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.Mob().Units[1].LoadX, x);
  EXPECT_FALSE(session.Modified());  // back where the document was taken
  ASSERT_TRUE(session.Redo());
  EXPECT_EQ(session.Mob().Units[1].LoadY, 7);
}

}  // namespace
}  // namespace kelvarin
