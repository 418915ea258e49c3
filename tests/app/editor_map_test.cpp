// The map page in the editor's window: its place after the Log page, the
// selection it shares with the Objects page, and its drag taken back by the
// window's undo key.
#include <QTabWidget>
#include <QTest>
#include <cmath>

#include "editor_fixture.h"
#include "blocks/ui/blockspage.h"
#include "common/qt/qtext.h"
#include "map/ui/mappage.h"
#include "mob/blocklayout.h"
#include "objects/core/objectparams.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using test::EditorTest;

QPoint PixelOf(TMapPage& map, TObjRef ref) {
  const auto pos = map.Zone().Position(ref).value();
  const TPlanePoint p = map.Canvas()->View().ToPixel(pos.x, pos.y);
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

  const TPlanePosition before = ReadPlanePosition(m_window->Mob(), *selected).value();
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

// The tree holds every record of the open document in the rows a fill on this
// thread gives, and the map knows where each record stands.
void ExpectTreeAndMapShow(const TMob& mob, TObjectsTreeModel& tree, const TZoneIndex& zone) {
  TObjectsTreeModel direct;
  direct.Fill(&mob);
  for (ObjKind kind : kAllObjKinds) {
    const int rows = tree.rowCount(tree.RootIndex(kind));
    ASSERT_EQ(std::size_t(rows), mob.Count(kind)) << int(kind);
    ASSERT_EQ(zone.Count(kind), mob.Count(kind)) << int(kind);
    for (int row = 0; row < rows; ++row) {
      const QModelIndex node = tree.index(row, 0, tree.RootIndex(kind));
      const TObjRef ref = tree.RecordAt(node).value();
      EXPECT_EQ(ref, direct.RecordAt(direct.index(row, 0, direct.RootIndex(kind)))) << int(kind) << " " << row;
      EXPECT_EQ(tree.data(node).toString(), FromCp1251(RecordCaption(mob, ref)));
      const TPlanePosition at = ReadPlanePosition(mob, ref).value();
      const auto held = zone.Position(ref);
      ASSERT_TRUE(held);
      if (std::isfinite(at.x) && std::isfinite(at.y)) {
        EXPECT_EQ(*held, at);
      }
    }
  }
}

// The Blocks page's picture is the layout of the file the document was read from
// or has written, which for a file the writer wrote is the writer's.
void ExpectBlocksShow(const TMob& mob, TBlocksPage& blocks) {
  EXPECT_EQ(blocks.TableModel()->Layout(), mob.FileLayout);
  EXPECT_EQ(blocks.TableModel()->Layout(), MobBlockLayout(mob));
}

TEST_F(EditorTest, AThreadedOpenShowsTheNewZoneInTheTreeAndOnTheMapAndASaveKeepsTheView) {
  ShowWindow();
  m_state->Settings.UseTMobThreads = true;
  m_state->Settings.MakeAutoBackups = true;
  auto* map = m_window->findChild<TMapPage*>();
  ASSERT_NE(map, nullptr);
  TObjectsTreeModel& tree = *Objects()->TreeModel();
  auto* blocks = m_window->findChild<TBlocksPage*>();
  ASSERT_NE(blocks, nullptr);

  // The worker works the rows, the index and the picture out; the window takes them.
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"first.mob"_s, 300, 3)));
  ExpectTreeAndMapShow(m_window->Mob(), tree, map->Zone());
  ExpectBlocksShow(m_window->Mob(), *blocks);

  // A save changes no record: the map keeps the user's view and what it holds.
  map->Canvas()->View().ZoomAbout(10, 10, 3.0);
  const TMapTransform view = map->Canvas()->View();
  m_window->Session().NoteScriptEdited();
  ASSERT_TRUE(m_window->SaveMob());
  EXPECT_EQ(map->Canvas()->View().Scale(), view.Scale());
  EXPECT_EQ(map->Canvas()->View().ToPixel(0, 0), view.ToPixel(0, 0));
  ExpectTreeAndMapShow(m_window->Mob(), tree, map->Zone());
  // The save's picture: of the file as written, a record longer than it was.
  m_window->Mob().Units[0].Name1 += "-longer";
  m_window->Session().NoteScriptEdited();
  ASSERT_TRUE(m_window->SaveMob());
  ExpectBlocksShow(m_window->Mob(), *blocks);

  // Another file: nothing of the first stays in the tree or on the map.
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"second.mob"_s, 170, 9)));
  ExpectTreeAndMapShow(m_window->Mob(), tree, map->Zone());

  ASSERT_TRUE(m_window->CloseMob());
  EXPECT_EQ(tree.rowCount(), 0);
  EXPECT_EQ(map->Zone().TotalCount(), 0u);
  ASSERT_TRUE(m_window->OpenMob(TempPath(u"first.mob"_s)));
  ExpectTreeAndMapShow(m_window->Mob(), tree, map->Zone());
}

}  // namespace
}  // namespace kelvarin
