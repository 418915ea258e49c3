#include <QLabel>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QWheelEvent>
#include <cmath>

#include "common/floattext.h"
#include "common/qt/qtext.h"
#include "pagefixture.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// Tests of the view itself; on a platform without OpenGL there is no view to test.
class OrientationView : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    if (!View()) GTEST_SKIP() << "no OpenGL context: the view is replaced by its notice";
  }
};
using ViewSlot = PageTest;

constexpr int kNotch = 120;

void Wheel(TOrientatorFr& view, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           Qt::MouseButtons buttons = Qt::NoButton) {
  const QPointF at(87, 87);
  QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), buttons, modifiers,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&view, &event);
}

TQuaternion RecordRotation(const TMob& mob, TObjRef ref) { return RotationOf(mob, ref).value(); }

TEST_F(OrientationView, OneWheelEventInFourTurns) {
  TOrientatorFr& view = *View();
  const TObjRef ref = Select(ObjKind::Object, 0);
  shell.mob.Objects[ref.index].RotationW = 1;
  shell.mob.Objects[ref.index].RotationZ = 0;
  Select(ObjKind::Object, 1);
  Select(ObjKind::Object, 0);

  Wheel(view, kNotch);
  TQuaternion expected;
  expected.RotateAxisAngle(0, 0, 1, kNotch * 0.00028571428571428574f).Normalise();
  EXPECT_EQ(RecordRotation(shell.mob, ref), expected);
  EXPECT_NEAR(2 * std::asin(expected.Z), 120.0 / 3500, 1e-6);
  Wheel(view, kNotch);
  Wheel(view, kNotch);
  EXPECT_EQ(RecordRotation(shell.mob, ref), expected);
  Wheel(view, kNotch);  // the fourth turns nothing either
  EXPECT_EQ(RecordRotation(shell.mob, ref), expected);
  EXPECT_TRUE(shell.session.Modified());
  Wheel(view, -kNotch);  // the fifth turns again, back the other way
  EXPECT_NEAR(RecordRotation(shell.mob, ref).Z, 0, 1e-7);
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(OrientationView, FineWheelStepRoundsItsAngleOnce) {
  // High-resolution wheels send small deltas; for 7 a float constant times 7 is one
  // bit off the angle rounded once from the exact product.
  const TObjRef ref = Select(ObjKind::Object, 0);
  shell.mob.Objects[ref.index].RotationW = 1;
  shell.mob.Objects[ref.index].RotationZ = 0;
  Select(ObjKind::Object, 1);
  Select(ObjKind::Object, 0);
  Wheel(*View(), 7);
  TQuaternion expected;
  expected.RotateAxisAngle(0, 0, 1, static_cast<float>(7 * 0.00028571428571428574)).Normalise();
  EXPECT_EQ(RecordRotation(shell.mob, ref), expected);
}

TEST_F(OrientationView, WheelWithButtonsTurnsAboutXOrY) {
  TOrientatorFr& view = *View();
  const TObjRef ref = Select(ObjKind::Unit, 0);
  const struct {
    Qt::MouseButtons buttons;
    float TQuaternion::*turned;
  } cases[] = {{Qt::RightButton, &TQuaternion::X},
               {Qt::LeftButton, &TQuaternion::Y},
               {Qt::LeftButton | Qt::RightButton, &TQuaternion::X}};  // right wins
  for (const auto& c : cases) {
    view.SetRotation({1, 0, 0, 0});
    ASSERT_EQ(view.WheelCountdown(), 3);
    Wheel(view, kNotch, Qt::NoModifier, c.buttons);
    EXPECT_GT(view.Rotation().*c.turned, 0.01f);
    EXPECT_EQ(RecordRotation(shell.mob, ref), view.Rotation());
    Wheel(view, 0);  // touchpad phase events are no wheel events
    for (int i = 0; i < 3; ++i) Wheel(view, kNotch, Qt::NoModifier, c.buttons);
  }
}

TEST_F(OrientationView, CtrlWheelNormalisesWithoutTurning) {
  const TObjRef ref = Select(ObjKind::Lever, 0);
  StoreRotation(shell.mob, ref, {2, 0, 0, 0});
  Select(ObjKind::Lever, 1);
  Select(ObjKind::Lever, 0);
  Wheel(*View(), kNotch, Qt::ControlModifier);
  EXPECT_EQ(RecordRotation(shell.mob, ref), TQuaternion(1, 0, 0, 0));
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(OrientationView, MiddleButtonResetsShiftMiddleCancelsCtrlMiddleResetsCamera) {
  TOrientatorFr& view = *View();
  const TObjRef ref = Select(ObjKind::Trap, 0);
  const TQuaternion atSelection = RecordRotation(shell.mob, ref);
  for (int i = 0; i < 9; ++i) Wheel(view, kNotch);  // three turns
  ASSERT_NE(RecordRotation(shell.mob, ref), atSelection);

  view.FrameMouseDown(Qt::ShiftModifier, Qt::MiddleButton);
  EXPECT_EQ(RecordRotation(shell.mob, ref), atSelection);
  EXPECT_TRUE(shell.session.Modified());

  view.FrameMouseDown(Qt::NoModifier, Qt::MiddleButton);
  EXPECT_EQ(RecordRotation(shell.mob, ref), TQuaternion(1, 0, 0, 0));
  EXPECT_TRUE(shell.session.Modified());

  view.FrameMouseDown(Qt::NoModifier, Qt::LeftButton);  // not the middle button
  EXPECT_TRUE(shell.session.Modified());

  const Matrix4d start = view.Camera().Projection();
  view.FrameMouseMove(Qt::ControlModifier, Qt::RightButton, 10, 10);
  view.FrameMouseMove(Qt::ControlModifier, Qt::RightButton, 40, 25);
  ASSERT_NE(view.Camera().Projection(), start);
  view.FrameMouseDown(Qt::ControlModifier, Qt::MiddleButton);
  EXPECT_EQ(view.Camera().Projection(), start);
  EXPECT_EQ(RecordRotation(shell.mob, ref), TQuaternion(1, 0, 0, 0));
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(OrientationView, DragsActFromTheirSecondEvent) {
  TOrientatorFr& view = *View();
  const Matrix4d start = view.Camera().Projection();
  view.FrameMouseMove(Qt::NoModifier, Qt::NoButton, 10, 10);
  view.FrameMouseMove(Qt::ControlModifier, Qt::LeftButton, 50, 50);  // first of the drag
  EXPECT_EQ(view.Camera().Projection(), start);
  view.FrameMouseMove(Qt::ControlModifier, Qt::LeftButton, 60, 50);
  EXPECT_NE(view.Camera().Projection(), start);
  const Matrix4d moved = view.Camera().Projection();
  view.FrameMouseMove(Qt::ControlModifier, Qt::RightButton, 90, 90);  // another combination
  EXPECT_EQ(view.Camera().Projection(), moved);
  view.FrameMouseMove(Qt::NoModifier, Qt::LeftButton, 99, 99);  // no Ctrl: no camera move
  view.FrameMouseMove(Qt::NoModifier, Qt::LeftButton, 20, 20);
  EXPECT_EQ(view.Camera().Projection(), moved);
}

TEST_F(OrientationView, ParticleTurnsAreDrawnButNeverStored) {
  TOrientatorFr& view = *View();
  Select(ObjKind::Particle2, 0);
  const TParticle2ObjBlock before = shell.mob.Particles2[0];
  const TQuaternion shown = view.Rotation();
  Wheel(view, kNotch);
  EXPECT_NE(view.Rotation(), shown);
  view.FrameMouseDown(Qt::NoModifier, Qt::MiddleButton);
  EXPECT_FALSE(shell.session.Modified());
  EXPECT_FALSE(view.RotationChanged());
  EXPECT_EQ(shell.mob.Particles2[0], before);
  // A root node likewise.
  page->ObjectsTree()->setCurrentIndex(Model().RootIndex(ObjKind::Unit));
  for (int i = 0; i < 4; ++i) Wheel(view, kNotch);
  EXPECT_FALSE(shell.session.Modified());
}

TEST_F(OrientationView, TurnsDuringAWorkerSaveAreNotStored) {
  TOrientatorFr& view = *View();
  const TObjRef ref = Select(ObjKind::Unit, 0);
  const TQuaternion before = RecordRotation(shell.mob, ref);
  shell.session.BeginBusy();
  Wheel(view, kNotch);
  shell.session.EndBusy();
  EXPECT_EQ(RecordRotation(shell.mob, ref), before);
  EXPECT_FALSE(shell.session.Modified());
}

TEST_F(OrientationView, RotationRowsFollowWithinHalfASecondOnlyWhileShowing) {
  ShowPage();
  TOrientatorFr& view = *View();
  Select(ObjKind::Unit, 0);
  const char sep = LocaleDecimalSeparator();
  const auto shownZ = [&] { return Table().Value(u"RotationZ"_s); };
  const auto expectedZ = [&] { return FromCp1251(FloatToDisplayText(view.Rotation().Z, sep)); };

  Wheel(view, kNotch);
  ASSERT_NE(shownZ(), expectedZ());
  QTRY_COMPARE_WITH_TIMEOUT(shownZ(), expectedZ(), 700);

  shell.active = false;  // another page is showing
  for (int i = 0; i < 4; ++i) Wheel(view, kNotch);
  const QString stale = shownZ();
  ASSERT_NE(stale, expectedZ());
  QTest::qWait(700);
  EXPECT_EQ(shownZ(), stale);
  shell.active = true;
  QTRY_COMPARE_WITH_TIMEOUT(shownZ(), expectedZ(), 700);
}

TEST_F(OrientationView, HoveringTakesTheFocusAndAppliesTheTableRow) {
  ShowPage();
  const TObjRef ref = Select(ObjKind::Object, 0);
  Table().setFocus();
  TypeInto(u"LoadZ"_s, u"12.5"_s);
  QCoreApplication::processEvents();
  ASSERT_TRUE(page->ValuesEditorFocused());
  QTest::mouseMove(View(), QPoint(50, 60));
  QTRY_VERIFY(View()->hasFocus());
  EXPECT_FALSE(page->ValuesEditorFocused());
  EXPECT_EQ(shell.mob.Objects[ref.index].LoadZ, 12.5f);
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(ViewSlot, DrawsTheSceneOrShowsANotice) {
  ShowPage();
  const bool offscreen = QGuiApplication::platformName() == u"offscreen"_s;
  if (offscreen) {
    // No display driver: the notice stands in and the rest of the page works.
    EXPECT_TRUE(page->OrientatorNotice()->isVisible());
    EXPECT_EQ(View(), nullptr);
    Select(ObjKind::Unit, 0);
    EXPECT_EQ(Table().rowCount(), 31);
    return;
  }
  ASSERT_NE(View(), nullptr);
  EXPECT_TRUE(View()->isVisible());
  EXPECT_FALSE(page->OrientatorNotice()->isVisible());
  TOrientatorFr& view = *View();
  const auto litPixels = [&] {
    const QImage image = view.grabFramebuffer();
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) lit += (image.pixel(x, y) & 0xFFFFFF) != 0;
    return lit;
  };
  EXPECT_GT(litPixels(), 200);
  // A zero rotation, which a record may hold, still draws the cross.
  view.SetRotation({0, 0, 0, 0});
  EXPECT_GT(litPixels(), 200);
}

TEST_F(ViewSlot, HelpTextHasItsEighteenLines) {
  const QStringList lines = page->OrientatorHelpMemo()->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 18);
  EXPECT_EQ(lines[0], u"Оси:"_s);
  EXPECT_EQ(lines[4], QString());
  EXPECT_EQ(lines[7], u"    Правый мЫш - крутить"_s);
  EXPECT_EQ(lines[17], u"  Shift + средний мЫш - отменить"_s);
  EXPECT_TRUE(page->OrientatorHelpMemo()->isReadOnly());
}

}  // namespace
}  // namespace kelvarin
