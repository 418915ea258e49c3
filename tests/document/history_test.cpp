// The command stack on its own: order of undo and redo, merging of gestures, the
// redo steps a new step drops, the memory bound, and the point the file matches.
#include <gtest/gtest.h>

#include "document/commandhistory.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// Adds `delta` to the document's BlockCount; steps of one gesture merge.
class AddCommand : public TDocCommand {
 public:
  AddCommand(int delta, int gesture = 0, std::size_t size = 100)
      : TDocCommand("add " + std::to_string(delta)), m_delta(delta), m_gesture(gesture), m_size(size) {}
  void Undo(TMob& mob) override { mob.BlockCount -= m_delta; }
  void Redo(TMob& mob) override { mob.BlockCount += m_delta; }
  TRecordsChange Change(bool) const override { return {}; }
  std::size_t MemorySize() const override { return m_size; }
  bool MergeWith(const TDocCommand& next) override {
    const auto& add = static_cast<const AddCommand&>(next);
    if (m_gesture == 0 || add.m_gesture != m_gesture) return false;
    m_delta += add.m_delta;
    m_size += add.m_size;
    SetCaption("add " + std::to_string(m_delta));
    return true;
  }

 private:
  int m_delta;
  int m_gesture;
  std::size_t m_size;
};

class History : public ::testing::Test {
 protected:
  // Makes the change, then records it, as the editor does.
  void Do(int delta, int gesture = 0, std::size_t size = 100) {
    mob.BlockCount += delta;
    history.Push(std::make_unique<AddCommand>(delta, gesture, size));
  }
  TMob mob;
  TCommandHistory history;
};

TEST_F(History, UndoAndRedoWalkTheStepsInOrder) {
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.Undo(mob), nullptr);
  Do(1);
  Do(10);
  Do(100);
  EXPECT_EQ(mob.BlockCount, 111);
  EXPECT_EQ(history.NextUndo()->Caption(), "add 100");

  EXPECT_EQ(history.Undo(mob)->Caption(), "add 100");
  EXPECT_EQ(history.Undo(mob)->Caption(), "add 10");
  EXPECT_EQ(mob.BlockCount, 1);
  EXPECT_EQ(history.NextRedo()->Caption(), "add 10");
  EXPECT_EQ(history.Redo(mob)->Caption(), "add 10");
  EXPECT_EQ(mob.BlockCount, 11);
  history.Undo(mob);
  history.Undo(mob);
  EXPECT_EQ(mob.BlockCount, 0);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.Undo(mob), nullptr);

  // A new step drops what could be redone.
  Do(5);
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Count(), 1u);
  EXPECT_EQ(history.MemoryUsed(), 100u);
}

TEST_F(History, AGestureIsOneStepUntilItEndsOrSomethingIsUndone) {
  Do(1, 7);
  Do(2, 7);
  Do(3, 7);
  EXPECT_EQ(history.Count(), 1u);
  EXPECT_EQ(history.NextUndo()->Caption(), "add 6");
  EXPECT_EQ(history.MemoryUsed(), 300u);

  Do(4, 8);  // another gesture
  EXPECT_EQ(history.Count(), 2u);
  history.CloseGesture();
  Do(5, 8);  // the same gesture id, but it was closed
  EXPECT_EQ(history.Count(), 3u);

  history.Undo(mob);
  Do(6, 8);  // no merging into a step reached by undo
  EXPECT_EQ(history.Count(), 3u);
  EXPECT_EQ(history.NextUndo()->Caption(), "add 6");
  history.Undo(mob);
  history.Undo(mob);
  history.Undo(mob);
  EXPECT_EQ(mob.BlockCount, 0);
}

TEST_F(History, TheOldestStepsGiveWayToTheMemoryLimit) {
  history.SetMemoryLimit(250);
  Do(1);
  Do(2);
  EXPECT_EQ(history.TakeDroppedCount(), 0u);
  Do(4);
  EXPECT_EQ(history.Count(), 2u);
  EXPECT_EQ(history.TakeDroppedCount(), 1u);
  EXPECT_EQ(history.TakeDroppedCount(), 0u);
  EXPECT_EQ(history.MemoryUsed(), 200u);
  history.Undo(mob);
  history.Undo(mob);
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(mob.BlockCount, 1);  // the first step can no longer be taken back

  // A step above the limit on its own does not stay either.
  Do(8, 0, 1000);
  EXPECT_EQ(history.Count(), 0u);
  EXPECT_EQ(history.MemoryUsed(), 0u);
  EXPECT_EQ(history.TakeDroppedCount(), 1u);

  // Lowering the limit drops at once; a merge that grows a step counts too.
  history.SetMemoryLimit(1000);
  Do(1);
  Do(1, 3);
  Do(1, 3);
  EXPECT_EQ(history.MemoryUsed(), 300u);
  history.SetMemoryLimit(200);
  EXPECT_EQ(history.Count(), 1u);
  EXPECT_EQ(history.MemoryUsed(), 200u);
  Do(1, 3);  // the merge would make it 300
  EXPECT_EQ(history.Count(), 0u);
}

TEST_F(History, RevertToSavedKeepsTheStepsTheFileHolds) {
  Do(1);
  Do(2);
  history.MarkSaved();
  Do(4);  // not saved
  history.RevertToSaved();
  EXPECT_EQ(history.Count(), 2u);
  EXPECT_EQ(history.Index(), 2u);
  EXPECT_FALSE(history.CanRedo());

  // Saved, then undone: the reloaded file is where the save was, and the undone
  // step is done again in it.
  history.Undo(mob);
  history.RevertToSaved();
  EXPECT_EQ(history.Index(), 2u);

  // The saved point was dropped with the redo steps: nothing is known to match.
  history.Undo(mob);
  Do(8);
  history.RevertToSaved();
  EXPECT_EQ(history.Count(), 0u);

  // Or dropped by the memory limit.
  history.Clear();
  history.MarkSaved();
  history.SetMemoryLimit(150);
  Do(1);
  Do(1);
  history.RevertToSaved();
  EXPECT_EQ(history.Count(), 0u);
}

}  // namespace
}  // namespace kelvarin
