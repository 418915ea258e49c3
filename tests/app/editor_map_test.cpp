// The map page in the editor's window: its place after the Log page, the
// selection it shares with the Objects page, and its drag taken back by the
// window's undo key.
#include <QTabWidget>
#include <QTest>

#include "editor_fixture.h"
#include "map/ui/mappage.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using test::EditorTest;

QPoint PixelOf(TMapPage& map, ObjRef ref) {
  const auto pos = map.Zone().Position(ref).value();
  const MapPoint p = map.Canvas()->View().ToPixel(pos.x, pos.y);
  return {int(std::lround(p.x)), int(std::lround(p.y))};
}

TEST_F(EditorTest, TheMapComesAfterTheLogPageSharesTheSelectionAndItsDragIsUndoneByCtrlZ) {
  ShowWindow();
  QTabWidget* tabs = m_window->Pages();
  ASSERT_EQ(tabs->count(), 7);
  EXPECT_EQ(tabs->widget(5)->objectName(), u"LogSh"_s);
  EXPECT_EQ(tabs->widget(6)->objectName(), u"MapSh"_s);
  EXPECT_EQ(tabs->tabText(6), u"Карта"_s);
  // The map adds nothing to the busy lock's list: it greys itself.
  EXPECT_EQ(m_window->LockList().size(), 62u);

  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 60)));
  tabs->setCurrentIndex(6);
  auto* map = m_window->findChild<TMapPage*>();
  ASSERT_NE(map, nullptr);
  map->RefreshNow();
  map->Canvas()->FitAll();

  const QPoint at = PixelOf(*map, {ObjKind::Lever, 0});
  QTest::mouseClick(map->Canvas(), Qt::LeftButton, {}, at);
  const auto selected = map->Canvas()->Selected();
  ASSERT_TRUE(selected);
  EXPECT_EQ(Objects()->TreeModel()->RecordAt(Objects()->ObjectsTree()->currentIndex()), selected);

  const PlanePosition before = ReadPlanePosition(m_window->Mob(), *selected).value();
  QTest::qWait(QApplication::doubleClickInterval() + 20);
  const QPoint from = PixelOf(*map, *selected);
  QTest::mousePress(map->Canvas(), Qt::LeftButton, {}, from);
  for (int i = 1; i <= 4; ++i) {
    const QPoint to = from + QPoint(10 * i, 5 * i);
    QMouseEvent move(QEvent::MouseMove, to, map->Canvas()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(map->Canvas(), &move);
  }
  QTest::mouseRelease(map->Canvas(), Qt::LeftButton, {}, from + QPoint(40, 20));
  EXPECT_NE(ReadPlanePosition(m_window->Mob(), *selected), before);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);

  QTest::keyClick(map->Canvas(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(ReadPlanePosition(m_window->Mob(), *selected), before);
  EXPECT_EQ(map->Zone().Position(*selected), before);
}

}  // namespace
}  // namespace kelvarin
