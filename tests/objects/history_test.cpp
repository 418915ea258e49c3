// The Objects page and the record history: a committed parameter edit is one
// step, a wheel run one step, the middle button's reset and cancel one step each;
// undo and redo select the record and show its values; the buttons name the next
// steps and stay off while the lock is held.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <QWheelEvent>

#include "common/floattext.h"
#include "common/qt/qtext.h"
#include "document/recordcommands.h"
#include "objects/ui/trappointsf.h"
#include "pagefixture.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

using History = PageTest;

QString Caption(const char* key, float value) {
  return FromUtf8(key) + u" = "_s + FromCp1251(FloatToDisplayText(value, LocaleDecimalSeparator()));
}

TEST_F(History, ACommittedEditIsOneStepAndAReappliedValueNone) {
  const TObjRef ref = Select(ObjKind::Unit, 0);
  const float before = shell.mob.Units[ref.index].LoadX;
  QPushButton& undo = *page->UndoButton();
  EXPECT_FALSE(undo.isEnabled());
  EXPECT_EQ(undo.toolTip(), u"Отменять нечего"_s);

  TypeAndLeave(u"LoadX"_s, FromCp1251(FloatToDisplayText(12.5f, LocaleDecimalSeparator())));
  ASSERT_EQ(shell.session.History().Count(), 1u);
  EXPECT_TRUE(undo.isEnabled());
  EXPECT_EQ(undo.toolTip(), u"Отменить: "_s + Caption("LoadX", 12.5f));

  // The same text again, or the row left untouched: no step.
  TypeAndLeave(u"LoadX"_s, Table().Value(u"LoadX"_s));
  TypeAndLeave(u"Name2"_s, Table().Value(u"Name2"_s));
  EXPECT_EQ(shell.session.History().Count(), 1u);

  // A rejected text is no step either.
  TypeAndLeave(u"PlayerNumber"_s, u"256"_s);
  EXPECT_EQ(shell.session.History().Count(), 1u);

  undo.click();
  EXPECT_EQ(shell.mob.Units[ref.index].LoadX, before);
  EXPECT_EQ(Table().Value(u"LoadX"_s), FromCp1251(FloatToDisplayText(before, LocaleDecimalSeparator())));
  EXPECT_TRUE(shell.session.Modified());
  EXPECT_EQ(page->RedoButton()->toolTip(), u"Повторить: "_s + Caption("LoadX", 12.5f));
  page->RedoButton()->click();
  EXPECT_EQ(shell.mob.Units[ref.index].LoadX, 12.5f);
}

// Clicks a TrapPoints row's ellipsis button and lets `drive` work the modal
// dialog it opens (the dialog is open while the click runs).
void EditTrapPoints(TValuesEditor& table, const QString& key, std::function<void(TTrapPointsF&)> drive) {
  bool driven = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<TTrapPointsF*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    driven = true;
    drive(*dialog);
  });
  emit table.EllipsisClicked(key);
  EXPECT_TRUE(driven);
}

TEST_F(History, TheTrapPointsDialogsOkIsOneStepAndCancelNothing) {
  const TObjRef ref = Select(ObjKind::Trap, 0);
  TTrapObjBlock& trap = shell.mob.Traps[ref.index];
  trap.TrapPoints1 = {{0x7FC12345, 0x80000000, 1}, {2, 3, 4}};
  const TTrapObjBlock before = trap;

  // Cancel, and OK on an untouched list: nothing changes, no step, no mark.
  EditTrapPoints(Table(), u"TrapPoints1"_s, [](TTrapPointsF& dialog) {
    dialog.AddPointBut()->click();
    dialog.CancelBut()->click();
  });
  EditTrapPoints(Table(), u"TrapPoints1"_s, [](TTrapPointsF& dialog) { dialog.OkBut()->click(); });
  EXPECT_EQ(shell.mob.Traps[ref.index], before);
  EXPECT_EQ(shell.session.History().Count(), 0u);
  EXPECT_FALSE(shell.session.Modified());

  // OK takes the whole edited list: a value typed, a point added, two swapped.
  EditTrapPoints(Table(), u"TrapPoints1"_s, [](TTrapPointsF& dialog) {
    ASSERT_EQ(dialog.PointsGrid()->model()->rowCount(), 2);
    dialog.PointsGrid()->model()->setData(dialog.PointsGrid()->model()->index(1, 1), u"0xDEADBEEF"_s,
                                          Qt::EditRole);
    dialog.AddPointBut()->click();
    dialog.PointsGrid()->setCurrentIndex(dialog.PointsGrid()->model()->index(1, 0));
    dialog.MoveUpBut()->click();
    dialog.OkBut()->click();
  });
  const std::vector<TTrapPoint3> edited = {{0xDEADBEEF, 3, 4}, {0x7FC12345, 0x80000000, 1}, {0, 0, 0}};
  EXPECT_EQ(shell.mob.Traps[ref.index].TrapPoints1, edited);
  EXPECT_EQ(shell.mob.Traps[ref.index].TrapPoints2, before.TrapPoints2);
  EXPECT_TRUE(shell.session.Modified());
  ASSERT_EQ(shell.session.History().Count(), 1u);
  EXPECT_EQ(page->UndoButton()->toolTip(), u"Отменить: TrapPoints1: точек — 3"_s);
  // The rows keep their fixed text.
  EXPECT_EQ(Table().Value(u"TrapPoints1"_s), u"Click to edit ----->"_s);

  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.mob.Traps[ref.index], before);
  ASSERT_TRUE(shell.session.Redo());
  EXPECT_EQ(shell.mob.Traps[ref.index].TrapPoints1, edited);

  // The second list has two values a point.
  EditTrapPoints(Table(), u"TrapPoints2"_s, [](TTrapPointsF& dialog) {
    EXPECT_EQ(dialog.PointsGrid()->model()->columnCount(), 6);
    dialog.AddPointBut()->click();
    dialog.OkBut()->click();
  });
  EXPECT_EQ(shell.mob.Traps[ref.index].TrapPoints2.size(), before.TrapPoints2.size() + 1);
  EXPECT_EQ(shell.session.History().Count(), 2u);
}

TEST_F(History, UndoSelectsTheChangedRecordAndShowsItsValues) {
  const TObjRef lever = Select(ObjKind::Lever, 1);
  TypeAndLeave(u"UncnByte3"_s, u"300"_s);
  ASSERT_EQ(shell.mob.Levers[lever.index].UncnByte3, 44);
  Select(ObjKind::Unit, 2);
  ASSERT_NE(page->ShownRecord(), lever);

  // Even with another page showing.
  shell.active = false;
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(page->ShownRecord(), lever);
  EXPECT_EQ(Model().RecordAt(page->ObjectsTree()->currentIndex()), lever);
  EXPECT_EQ(Table().Value(u"UncnByte3"_s),
            QString::number(shell.mob.Levers[lever.index].UncnByte3));
}

TEST_F(History, UndoOfTakenRecordsRebuildsTheTree) {
  const std::size_t traps = shell.mob.Traps.size();
  shell.session.Apply(std::make_unique<TRecordsEditCommand>([](TMob& mob, TRecordsEdit& edit) {
    edit.TakeRecord(mob.Traps[0], 0);
    mob.Traps.erase(mob.Traps.begin());
    return std::string("delete");
  }));
  EXPECT_EQ(Model().rowCount(Model().RootIndex(ObjKind::Trap)), int(traps - 1));
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(Model().rowCount(Model().RootIndex(ObjKind::Trap)), int(traps));
  EXPECT_EQ(page->ShownRecord(), (TObjRef{ObjKind::Trap, 0}));
  ASSERT_TRUE(shell.session.Redo());
  EXPECT_EQ(Model().rowCount(Model().RootIndex(ObjKind::Trap)), int(traps - 1));
  EXPECT_FALSE(page->ShownRecord());  // nothing left to show
}

TEST_F(History, TheButtonsAreOffWhileTheLockIsHeld) {
  Select(ObjKind::Unit, 0);
  TypeAndLeave(u"LoadY"_s, u"3"_s);
  ASSERT_TRUE(page->UndoButton()->isEnabled());
  shell.session.BeginBusy();
  EXPECT_FALSE(page->UndoButton()->isEnabled());
  page->UndoButton()->click();
  EXPECT_EQ(shell.mob.Units[page->ShownRecord()->index].LoadY, 3.0f);
  shell.session.EndBusy();
  EXPECT_TRUE(page->UndoButton()->isEnabled());
}

// The turn steps need the view.
class TurnHistory : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    if (!View()) GTEST_SKIP() << "no OpenGL context: the view is replaced by its notice";
  }
  void Wheel(int notches) {
    const QPointF at(87, 87);
    for (int i = 0; i < notches; ++i) {
      QWheelEvent event(at, View()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(View(), &event);
    }
  }
  std::size_t Steps() const { return shell.session.History().Count(); }
};

TEST_F(TurnHistory, AWheelRunIsOneStepUntilItPausesOrTheSelectionChanges) {
  const TObjRef ref = Select(ObjKind::Object, 0);
  const TRotationFields start = *ReadRotation(shell.mob, ref);
  Wheel(12);  // three turns
  EXPECT_EQ(Steps(), 1u);
  EXPECT_EQ(shell.session.History().NextUndo()->Caption(), "Поворот");
  QTest::qWait(TObjectsPage::kWheelGestureMs + 100);
  Wheel(4);
  EXPECT_EQ(Steps(), 2u);
  Select(ObjKind::Object, 1);
  Select(ObjKind::Object, 0);
  Wheel(4);
  EXPECT_EQ(Steps(), 3u);

  ASSERT_TRUE(shell.session.Undo());
  ASSERT_TRUE(shell.session.Undo());
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(*ReadRotation(shell.mob, ref), start);
  // The view shows the record's rotation again.
  EXPECT_EQ(View()->Rotation(), RotationOf(shell.mob, ref).value());
}

TEST_F(TurnHistory, ResetAndCancelAreAStepEach) {
  const TObjRef ref = Select(ObjKind::Unit, 0);
  const TRotationFields start = *ReadRotation(shell.mob, ref);
  Wheel(4);
  View()->FrameMouseDown(Qt::NoModifier, Qt::MiddleButton);     // reset
  View()->FrameMouseDown(Qt::ShiftModifier, Qt::MiddleButton);  // cancel: back to the selection's rotation
  Wheel(4);
  ASSERT_EQ(Steps(), 4u);
  EXPECT_EQ(shell.session.History().NextUndo()->Caption(), "Поворот");
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.session.History().NextUndo()->Caption(), "Отмена поворота");
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.session.History().NextUndo()->Caption(), "Обнуление поворота");
  ASSERT_TRUE(shell.session.Undo());
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(*ReadRotation(shell.mob, ref), start);

  // A reset of a rotation that is the identity already changes no byte: no step.
  View()->FrameMouseDown(Qt::NoModifier, Qt::MiddleButton);
  const std::size_t steps = Steps();
  View()->FrameMouseDown(Qt::NoModifier, Qt::MiddleButton);
  EXPECT_EQ(Steps(), steps);
}

}  // namespace
}  // namespace kelvarin
