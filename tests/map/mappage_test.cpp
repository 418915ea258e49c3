// The map page on a fake shell, with the real Objects and Mass-change pages beside
// it where the page works with them: selection both ways, moving as one step of
// the history, the busy lock, areas drawn into the criteria, the live preview,
// hide and show per kind, and the PNG export.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <set>

#include "common/textchecks.h"
#include "map/ui/mappage.h"
#include "masschange/core/masschangeplan.h"
#include "mapzones.h"
#include "masschange/ui/masschangepage.h"
#include "objects/ui/objectspage.h"
#include "objects/ui/objectstreemodel.h"
#include "support/fakeshell.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

class MapPageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    test::Zone(shell.mob, 80, 11);
    // Every record on a grid of 10, away from the others, unless a test puts it elsewhere.
    std::size_t n = 0;
    shell.mob.ForEachList([&](auto& list) {
      for (auto& r : list) {
        PlaneX(r) = float((n % 9) * 10);
        PlaneY(r) = float((n / 9) * 10);
        ++n;
      }
    });
  }

  void TearDown() override {
    map.reset();
    massChange.reset();
    objects.reset();
  }

  // Opens the zone and shows the map page at a fixed size.
  void Open() {
    shell.session.Adopt("zone.mob");
    map = std::make_unique<TMapPage>(shell);
    map->setGeometry(0, 0, 900, 600);
    map->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(map.get()));
    map->Canvas()->FitAll();
    map->RefreshNow();
  }

  void AddMassChangePage() { massChange = std::make_unique<TMassChangePage>(shell); }

  QLineEdit* Edit(const char* name) { return massChange->findChild<QLineEdit*>(QString::fromLatin1(name)); }
  QCheckBox* Box(const char* name) { return massChange->findChild<QCheckBox*>(QString::fromLatin1(name)); }

  QPoint PixelOf(TObjRef ref) {
    const auto pos = map->Zone().Position(ref).value();
    const TPlanePoint p = map->Canvas()->View().ToPixel(pos.x, pos.y);
    return {int(std::lround(p.x)), int(std::lround(p.y))};
  }
  QPoint PixelOf(double x, double y) {
    const TPlanePoint p = map->Canvas()->View().ToPixel(x, y);
    return {int(std::lround(p.x)), int(std::lround(p.y))};
  }

  void Click(QPoint at) { QTest::mouseClick(map->Canvas(), Qt::LeftButton, {}, at); }
  // A left drag in steps, as a hand makes it.
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}, bool release = true) {
    QWidget* canvas = map->Canvas();
    QTest::mousePress(canvas, Qt::LeftButton, modifiers, from);
    for (int i = 1; i <= 4; ++i) {
      const QPoint at = from + (to - from) * i / 4;
      QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, modifiers);
      QApplication::sendEvent(canvas, &move);
    }
    if (release) QTest::mouseRelease(canvas, Qt::LeftButton, modifiers, to);
  }

  TFakeShell shell;
  std::unique_ptr<TObjectsPage> objects;
  std::unique_ptr<TMassChangePage> massChange;
  std::unique_ptr<TMapPage> map;
};

// ---- legend and unplaced records ----------------------------------------------

TEST_F(MapPageTest, LegendCountsEachKindAndHidesIt) {
  Open();
  for (ObjKind kind : kAllObjKinds)
    EXPECT_TRUE(map->LegendEntry(kind)->text().endsWith(u"(%1)"_s.arg(shell.mob.Count(kind))))
        << map->LegendEntry(kind)->text().toStdString();
  const TObjRef unit{ObjKind::Unit, 0};
  ASSERT_EQ(map->Canvas()->HitsAt(PixelOf(unit).x(), PixelOf(unit).y()), std::vector<TObjRef>{unit});

  map->LegendEntry(ObjKind::Unit)->setChecked(false);
  EXPECT_FALSE(map->Canvas()->VisibleKinds().Has(ObjKind::Unit));
  EXPECT_TRUE(map->Canvas()->HitsAt(PixelOf(unit).x(), PixelOf(unit).y()).empty());
  map->Canvas()->repaint();
  EXPECT_EQ(map->Canvas()->Renderer().LastVisibleCount(), shell.mob.TotalRecordCount() - shell.mob.Count(ObjKind::Unit));

  map->LegendEntry(ObjKind::Unit)->setChecked(true);
  EXPECT_EQ(map->Canvas()->HitsAt(PixelOf(unit).x(), PixelOf(unit).y()), std::vector<TObjRef>{unit});
}

TEST_F(MapPageTest, LegendEntriesOfALargeZoneAreNotCut) {
  shell.mob.Particles1.resize(100'000);
  Open();
  QCheckBox* particles = map->LegendEntry(ObjKind::Particle1);
  ASSERT_TRUE(particles->text().endsWith(u"(100000)"));
  for (ObjKind kind : kAllObjKinds)
    EXPECT_GE(map->LegendEntry(kind)->width(), map->LegendEntry(kind)->sizeHint().width())
        << map->LegendEntry(kind)->text().toStdString();
}

TEST_F(MapPageTest, ZoomButtonsAndKeysKeepTheMiddleOfTheViewWhereverThePointerIs) {
  Open();
  const TMapTransform& view = map->Canvas()->View();
  const TPlanePoint middle = view.ToWorld(view.Width() / 2.0, view.Height() / 2.0);
  QTest::mouseMove(map->Canvas(), QPoint(15, 20));
  const double scale = view.Scale();
  QTest::mouseClick(map->findChild<QPushButton*>(u"MapZoomInBut"_s), Qt::LeftButton);
  QTest::keyClick(map->Canvas(), Qt::Key_Plus);
  QTest::mouseClick(map->findChild<QPushButton*>(u"MapZoomOutBut"_s), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(view.Scale(), scale / 1.25);
  const TPlanePoint now = view.ToWorld(view.Width() / 2.0, view.Height() / 2.0);
  EXPECT_NEAR(now.x, middle.x, 1e-9);
  EXPECT_NEAR(now.y, middle.y, 1e-9);
}

TEST_F(MapPageTest, RecordsWithoutAPlaceAreListedNotDrawn) {
  PlaneX(shell.mob.Objects[1]) = std::numeric_limits<float>::quiet_NaN();
  PlaneY(shell.mob.Flames[0]) = -std::numeric_limits<float>::infinity();
  Open();
  ASSERT_EQ(map->UnplacedList()->count(), 2);
  EXPECT_TRUE(map->UnplacedList()->item(0)->text().contains(u"NAN"_s));
  EXPECT_TRUE(map->UnplacedList()->item(1)->text().contains(u"-INF"_s));
  map->Canvas()->repaint();
  EXPECT_EQ(map->Canvas()->Renderer().LastVisibleCount(), shell.mob.TotalRecordCount() - 2);
  // Activating one opens it on the Objects page.
  emit map->UnplacedList()->itemActivated(map->UnplacedList()->item(0));
  ASSERT_EQ(shell.goneTo.size(), 1u);
  EXPECT_EQ(std::get<TObjRef>(shell.goneTo[0].target), (TObjRef{ObjKind::Object, 1}));
}

// ---- selection shared with the Objects page -------------------------------------

TEST_F(MapPageTest, ClickSelectsInTheTreeAndTreeSelectionCentresTheMap) {
  objects = std::make_unique<TObjectsPage>(shell);
  objects->FillObjectsTree();
  Open();
  const TObjRef lever{ObjKind::Lever, 1};
  Click(PixelOf(lever));
  EXPECT_EQ(map->Canvas()->Selected(), lever);
  EXPECT_EQ(shell.links.SelectedRecord(), lever);
  EXPECT_EQ(objects->TreeModel()->RecordAt(objects->ObjectsTree()->currentIndex()), lever);

  // The other way: a node chosen in the tree is selected and centred on the map.
  const TObjRef trap{ObjKind::Trap, 2};
  objects->ObjectsTree()->setCurrentIndex(objects->TreeModel()->IndexOf(trap));
  EXPECT_EQ(map->Canvas()->Selected(), trap);
  const auto pos = map->Zone().Position(trap).value();
  EXPECT_NEAR(map->Canvas()->View().Centre().x, pos.x, 1e-9);
  EXPECT_NEAR(map->Canvas()->View().Centre().y, pos.y, 1e-9);
}

TEST_F(MapPageTest, ClickingTheSameRecordAgainBringsTheTreeBackToIt) {
  objects = std::make_unique<TObjectsPage>(shell);
  objects->FillObjectsTree();
  Open();
  const TObjRef lever{ObjKind::Lever, 0};
  Click(PixelOf(lever));
  // The tree shows another record without selecting it for every page (as an
  // undo does); a click on the same marker brings it back.
  objects->ShowResult({"", std::nullopt, TObjRef{ObjKind::Unit, 1}});
  ASSERT_EQ(objects->TreeModel()->RecordAt(objects->ObjectsTree()->currentIndex()), (TObjRef{ObjKind::Unit, 1}));
  QTest::qWait(QApplication::doubleClickInterval() + 20);
  Click(PixelOf(lever));
  EXPECT_EQ(objects->TreeModel()->RecordAt(objects->ObjectsTree()->currentIndex()), lever);
}

TEST_F(MapPageTest, ClicksWhereMarkersOverlapCycleThroughThem) {
  const TObjRef a{ObjKind::Unit, 0}, b{ObjKind::Object, 0}, c{ObjKind::Flame, 0};
  for (auto* r : {&shell.mob.Units[0].LoadX, &shell.mob.Objects[0].LoadX, &shell.mob.Flames[0].LoadX}) *r = 44;
  for (auto* r : {&shell.mob.Units[0].LoadY, &shell.mob.Objects[0].LoadY, &shell.mob.Flames[0].LoadY}) *r = 44;
  Open();
  const QPoint at = PixelOf(44, 44);
  std::vector<TObjRef> seen;
  for (int i = 0; i < 4; ++i) {
    Click(at);
    seen.push_back(map->Canvas()->Selected().value());
    QTest::qWait(QApplication::doubleClickInterval() + 20);  // clicks, not a double click
  }
  EXPECT_EQ(seen[0], a);
  EXPECT_EQ(seen[1], b);
  EXPECT_EQ(seen[2], c);
  EXPECT_EQ(seen[3], a);  // round again
}

TEST_F(MapPageTest, DoubleClickAndEnterSwitchToTheObjectsPage) {
  Open();
  const TObjRef particle{ObjKind::Particle2, 0};
  QTest::mouseDClick(map->Canvas(), Qt::LeftButton, {}, PixelOf(particle));
  ASSERT_EQ(shell.goneTo.size(), 1u);
  EXPECT_EQ(std::get<TObjRef>(shell.goneTo[0].target), particle);

  map->Canvas()->setFocus();
  QTest::keyClick(map->Canvas(), Qt::Key_Return);
  ASSERT_EQ(shell.goneTo.size(), 2u);
  EXPECT_EQ(std::get<TObjRef>(shell.goneTo[1].target), particle);
}

TEST_F(MapPageTest, TooltipNamesTheRecord) {
  shell.mob.Particles1[0].NameStr = "fx_smoke";
  shell.mob.Particles1[0].ID = 4321;
  Open();
  const QString text = map->Describe({ObjKind::Particle1, 0});
  EXPECT_TRUE(text.contains(u"Партиклы 1 типа"_s)) << text.toStdString();
  EXPECT_TRUE(text.contains(u"fx_smoke"_s));
  EXPECT_TRUE(text.contains(u"ID 4321"_s));
  EXPECT_TRUE(text.contains(u"X "_s));
}

TEST_F(MapPageTest, ShiftAndCtrlClicksAddAndRemoveRecordsAndTheTreeFollows) {
  objects = std::make_unique<TObjectsPage>(shell);
  objects->FillObjectsTree();
  Open();
  const TObjRef lever{ObjKind::Lever, 1}, unit{ObjKind::Unit, 2}, flame{ObjKind::Flame, 0};
  Click(PixelOf(lever));
  const auto wait = [] { QTest::qWait(QApplication::doubleClickInterval() + 20); };
  wait();
  QTest::mouseClick(map->Canvas(), Qt::LeftButton, Qt::ShiftModifier, PixelOf(unit));
  wait();
  QTest::mouseClick(map->Canvas(), Qt::LeftButton, Qt::ControlModifier, PixelOf(flame));
  wait();
  EXPECT_EQ(map->Canvas()->Selection(), (std::vector<TObjRef>{lever, unit, flame}));
  EXPECT_EQ(shell.links.SelectedRecords().size(), 3u);
  EXPECT_FALSE(map->Canvas()->DrawnShape().has_value());  // a click draws no area
  std::set<std::pair<int, std::size_t>> inTree, wanted;
  for (TObjRef r : objects->SelectedRecords()) inTree.insert({int(r.kind), r.index});
  for (TObjRef r : {lever, unit, flame}) wanted.insert({int(r.kind), r.index});
  EXPECT_EQ(inTree, wanted);
  // A second Shift+click takes it out again.
  QTest::mouseClick(map->Canvas(), Qt::LeftButton, Qt::ShiftModifier, PixelOf(unit));
  EXPECT_EQ(map->Canvas()->Selection(), (std::vector<TObjRef>{lever, flame}));

  // The tree's selection of several comes onto the map.
  objects->SelectRecords({unit, lever});
  objects->ObjectsTree()->selectionModel()->select(objects->TreeModel()->IndexOf(flame),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(map->Canvas()->Selection().size(), 3u);
}

TEST_F(MapPageTest, DraggingOneOfSeveralMovesThemAllAsOneStep) {
  Open();
  const TObjRef a{ObjKind::Unit, 3}, b{ObjKind::Particle1, 0};
  const TPlanePosition beforeA = ReadPlanePosition(shell.mob, a).value();
  const TPlanePosition beforeB = ReadPlanePosition(shell.mob, b).value();
  shell.links.SelectRecords({a, b}, nullptr);
  ASSERT_EQ(map->Canvas()->Selection().size(), 2u);
  Drag(PixelOf(a), PixelOf(a) + QPoint(50, 0));
  const TPlanePosition afterA = ReadPlanePosition(shell.mob, a).value();
  const TPlanePosition afterB = ReadPlanePosition(shell.mob, b).value();
  EXPECT_GT(afterA.x, beforeA.x);
  EXPECT_FLOAT_EQ(afterB.x - beforeB.x, afterA.x - beforeA.x);
  EXPECT_EQ(afterB.y, beforeB.y);
  EXPECT_EQ(shell.session.History().Count(), 1u);
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(ReadPlanePosition(shell.mob, a), beforeA);
  EXPECT_EQ(ReadPlanePosition(shell.mob, b), beforeB);
  EXPECT_EQ(map->Zone().Position(b), beforeB);
}

TEST_F(MapPageTest, AreaSelectsItsRecordsAndPasteHerePutsTheGroupsMiddleThere) {
  Open();
  // Shift+drag draws a rectangle round the first row of the grid (y = 0).
  Drag(PixelOf(-5, 5), PixelOf(85, -5), Qt::ShiftModifier);
  ASSERT_TRUE(map->Canvas()->DrawnShape().has_value());
  ASSERT_TRUE(map->SelectDrawnArea());
  EXPECT_EQ(map->Canvas()->Selection().size(), 9u);
  EXPECT_EQ(shell.links.SelectedRecords().size(), 9u);

  QApplication::setActiveWindow(map.get());
  map->Canvas()->setFocus();
  ASSERT_TRUE(map->KeyDown(Qt::Key_C, Qt::ControlModifier));
  const std::size_t total = shell.mob.TotalRecordCount();
  ASSERT_TRUE(map->PasteAt({1000, 2000}));
  EXPECT_EQ(shell.mob.TotalRecordCount(), total + 9);
  const auto pasted = shell.links.SelectedRecords();
  ASSERT_EQ(pasted.size(), 9u);
  float minX = 1e9f, maxX = -1e9f;
  for (TObjRef ref : pasted) {
    const TPlanePosition at = ReadPlanePosition(shell.mob, ref).value();
    minX = std::min(minX, at.x), maxX = std::max(maxX, at.x);
    EXPECT_EQ(at.y, 2000.f);
  }
  EXPECT_EQ((minX + maxX) / 2, 1000.f);
  EXPECT_EQ(map->Canvas()->Selection().size(), 9u);
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.mob.TotalRecordCount(), total);
}

// ---- moving ------------------------------------------------------------------

TEST_F(MapPageTest, ADragIsOneUndoableStepThatMarksTheDocument) {
  Open();
  const TObjRef unit{ObjKind::Unit, 3};
  const TPlanePosition before = ReadPlanePosition(shell.mob, unit).value();
  Click(PixelOf(unit));
  ASSERT_EQ(map->Canvas()->Selected(), unit);
  QTest::qWait(QApplication::doubleClickInterval() + 20);
  Drag(PixelOf(unit), PixelOf(unit) + QPoint(60, -40));

  const TPlanePosition after = ReadPlanePosition(shell.mob, unit).value();
  const double scale = map->Canvas()->View().Scale();
  EXPECT_NEAR(after.x - before.x, 60 * scale, scale);
  EXPECT_NEAR(after.y - before.y, 40 * scale, scale);  // up the screen is up the plane
  EXPECT_EQ(map->Zone().Position(unit), after);
  EXPECT_TRUE(shell.session.Modified());
  ASSERT_TRUE(shell.session.CanUndo());
  EXPECT_EQ(shell.session.History().Count(), 1u);

  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(ReadPlanePosition(shell.mob, unit), before);
  EXPECT_EQ(map->Zone().Position(unit), before);
  ASSERT_TRUE(shell.session.Redo());
  EXPECT_EQ(ReadPlanePosition(shell.mob, unit), after);
}

TEST_F(MapPageTest, EscapeDuringADragPutsTheRecordBack) {
  Open();
  const TObjRef object{ObjKind::Object, 2};
  const TPlanePosition before = ReadPlanePosition(shell.mob, object).value();
  Click(PixelOf(object));
  QTest::qWait(QApplication::doubleClickInterval() + 20);
  const QPoint from = PixelOf(object);
  Drag(from, from + QPoint(50, 50), {}, false);
  EXPECT_NE(map->Zone().Position(object), before);  // shown where the hand is
  QTest::keyClick(map->Canvas(), Qt::Key_Escape);
  QTest::mouseRelease(map->Canvas(), Qt::LeftButton, {}, from + QPoint(50, 50));
  EXPECT_EQ(ReadPlanePosition(shell.mob, object), before);
  EXPECT_EQ(map->Zone().Position(object), before);
  EXPECT_FALSE(shell.session.CanUndo());
  EXPECT_FALSE(shell.session.Modified());
}

TEST_F(MapPageTest, WhileBusyThePageKeepsItsPictureGreyedAndTakesNoInput) {
  Open();
  const TObjRef unit{ObjKind::Unit, 1};
  shell.session.BeginBusy();
  EXPECT_TRUE(map->Canvas()->Frozen());
  EXPECT_FALSE(map->LegendEntry(ObjKind::Unit)->isEnabled());
  // The holder changes the document; the page does not look.
  PlaneX(shell.mob.Units[1]) = 555;
  Click(PixelOf(unit));
  EXPECT_EQ(map->Canvas()->Selected(), std::nullopt);
  Drag(PixelOf(unit), PixelOf(unit) + QPoint(30, 0));
  EXPECT_FALSE(shell.session.CanUndo());

  shell.session.EndBusy();
  EXPECT_FALSE(map->Canvas()->Frozen());
  EXPECT_TRUE(map->LegendEntry(ObjKind::Unit)->isEnabled());
  EXPECT_EQ(map->Zone().Position(unit)->x, 555.0f);  // read again at the release
}

// ---- areas and the mass-change criteria -----------------------------------------

TEST_F(MapPageTest, ADrawnRectangleFillsTheCriteriaInTheOrderTheEngineReadsThem) {
  AddMassChangePage();
  Box("MC_KR_Type_UnitCB")->setChecked(true);
  Box("MC_KR_Type_ObjectCB")->setChecked(true);
  // A circle already there stays; a rectangle already there is replaced.
  Edit("MC_KR_Coords_Pramougl_X1Ed")->setText(u"1"_s);
  Edit("MC_KR_Coords_Pramougl_Y1Ed")->setText(u"1"_s);
  Edit("MC_KR_Coords_Pramougl_X2Ed")->setText(u"2"_s);
  Edit("MC_KR_Coords_Pramougl_Y2Ed")->setText(u"2"_s);
  Open();
  // Drawn from the lower left to the upper right: Y grows upwards on the map.
  map->Canvas()->SetMode(TMapCanvas::Mode::Rectangle);
  Drag(PixelOf(-5, -5), PixelOf(45, 35));
  map->RefreshNow();
  ASSERT_TRUE(map->DrawnSelection());
  const std::vector<TObjRef> shown = map->DrawnSelection()->records;
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(map->Canvas()->Highlighted(), shown);
  EXPECT_TRUE(map->Info()->text().contains(QString::number(shown.size()))) << map->Info()->text().toStdString();

  ASSERT_TRUE(map->FillCriteria());
  const char sep = LocaleDecimalSeparator();
  const auto number = [&](const char* name) {
    const std::string text = ToUtf8(Edit(name)->text());
    EXPECT_TRUE(CheckStrFloat(text, sep)) << name << " = " << text;
    return QString::fromStdString(text).replace(QLatin1Char(sep), QLatin1Char('.')).toDouble();
  };
  const double x1 = number("MC_KR_Coords_Pramougl_X1Ed"), y1 = number("MC_KR_Coords_Pramougl_Y1Ed");
  const double x2 = number("MC_KR_Coords_Pramougl_X2Ed"), y2 = number("MC_KR_Coords_Pramougl_Y2Ed");
  EXPECT_LE(x1, x2);
  EXPECT_GE(y1, y2);  // Y1 is the upper bound
  EXPECT_LE(x1, -5);
  EXPECT_GE(x2, 45);
  EXPECT_GE(y1, 35);
  EXPECT_LE(y2, -5);
  EXPECT_TRUE(Box("MC_KR_Coords_PramouglCB")->isChecked());
  EXPECT_FALSE(map->Canvas()->DrawnShape());

  // A run with the page's options selects exactly what the map showed.
  const auto criteria = ParseCriteria(massChange->PageOptions(), sep).criteria;
  ASSERT_TRUE(criteria);
  EXPECT_EQ(SelectByCriteria(shell.mob, map->Zone(), *criteria).records, shown);
  map->RefreshNow();
  EXPECT_EQ(map->CriteriaPreview().records, shown);
}

TEST_F(MapPageTest, ADrawnCircleFillsTheCircleAndLeavesTheRectangle) {
  AddMassChangePage();
  Box("MC_KR_Type_FlameCB")->setChecked(true);
  Edit("MC_KR_Coords_Pramougl_X1Ed")->setText(u"-1000"_s);
  Edit("MC_KR_Coords_Pramougl_Y1Ed")->setText(u"1000"_s);
  Edit("MC_KR_Coords_Pramougl_X2Ed")->setText(u"1000"_s);
  Edit("MC_KR_Coords_Pramougl_Y2Ed")->setText(u"-1000"_s);
  Open();
  const TObjRef flame{ObjKind::Flame, 0};
  const auto centre = map->Zone().Position(flame).value();
  map->Canvas()->SetMode(TMapCanvas::Mode::Circle);
  Drag(PixelOf(centre.x, centre.y), PixelOf(centre.x + 3, centre.y));
  ASSERT_TRUE(map->FillCriteria());
  EXPECT_TRUE(Box("MC_KR_Coords_KrugCB")->isChecked());
  EXPECT_TRUE(Box("MC_KR_Coords_PramouglCB")->isChecked());
  EXPECT_EQ(Edit("MC_KR_Coords_Pramougl_X1Ed")->text(), u"-1000"_s);
  map->RefreshNow();
  EXPECT_EQ(map->CriteriaPreview().records, std::vector<TObjRef>{flame});
}

TEST_F(MapPageTest, TheLivePreviewFollowsTheCriteriaAndRefusedOnesGiveAStatusLine) {
  AddMassChangePage();
  Open();
  Box("MC_KR_Type_TrapCB")->setChecked(true);
  Edit("MC_KR_Coords_Krug_XEd")->setText(u"0"_s);
  Edit("MC_KR_Coords_Krug_YEd")->setText(u"0"_s);
  Edit("MC_KR_Coords_Krug_RadEd")->setText(u"1000"_s);
  QTest::qWait(60);  // the preview follows a burst of edits on its own
  const auto criteria = ParseCriteria(massChange->PageOptions(), LocaleDecimalSeparator()).criteria;
  ASSERT_TRUE(criteria);
  const auto expected = SelectByCriteria(shell.mob, map->Zone(), *criteria);
  EXPECT_EQ(map->CriteriaPreview().records, expected.records);
  EXPECT_EQ(map->CriteriaPreview().selected[int(ObjKind::Trap)], shell.mob.Count(ObjKind::Trap));
  EXPECT_EQ(map->Canvas()->Highlighted(), expected.records);

  Edit("MC_KR_Coords_Krug_RadEd")->setText(u"1e3"_s);
  map->RefreshNow();
  EXPECT_TRUE(map->CriteriaPreview().records.empty());
  EXPECT_TRUE(map->Canvas()->Highlighted().empty());
  ASSERT_FALSE(shell.statusMessages.isEmpty());
  EXPECT_TRUE(shell.statusMessages.back().contains(u"MC_KR_Coords_Krug_RadEd"_s))
      << shell.statusMessages.back().toStdString();
  EXPECT_TRUE(shell.prompts.Records().empty());  // no message box
}

// ---- export ---------------------------------------------------------------------

TEST_F(MapPageTest, ExportWritesAPngOfTheViewsSize) {
  Open();
  QTemporaryDir dir;
  const QString path = dir.filePath(u"view.png"_s);
  shell.prompts.ChooseFile(dir.filePath(u"view"_s));
  map->ExportPngAsked();  // the suffix is added
  const QImage image(path);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), map->Canvas()->size());

  // A folder in the way: a message, nothing written.
  EXPECT_FALSE(map->ExportPng(dir.path()));
  ASSERT_EQ(shell.prompts.RecordsOf(TScriptedPrompts::Kind::Message).size(), 1u);
}

TEST_F(MapPageTest, ExportNeverWritesOverTheOpenZone) {
  Open();
  EXPECT_FALSE(map->ExportPng(u"zone.mob"_s));
  EXPECT_FALSE(QFileInfo::exists(u"zone.mob"_s));
  EXPECT_EQ(shell.prompts.RecordsOf(TScriptedPrompts::Kind::Message).size(), 1u);
}

}  // namespace
}  // namespace kelvarin
