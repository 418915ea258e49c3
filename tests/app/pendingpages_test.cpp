// Pages added for later (the window opens on one page; the others need not hold up
// its first picture): built once that picture is on the screen, or at once when
// the window needs them, always in the order the pages were added, and brought
// to the state the window gave the pages before them.
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

// Counts the paints of the window it watches.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class PendingPagesTest : public MainWindowTest {
 protected:
  // A page for `sheet` with one control the busy lock takes, named `control`.
  void AddLater(QWidget* sheet, const QString& control) {
    m_window->AddPageLater(sheet, [this, control]() -> TPage& {
      auto* page = new StandInControlsPage;
      auto* box = new QCheckBox(page);
      box->setObjectName(control);
      page->controls.push_back(box);
      built.push_back(page);
      return *page;
    });
  }

  // The names of the lock list's controls after the two menus.
  std::vector<std::string> PageControlNames() {
    std::vector<std::string> names;
    bool afterMenus = false;
    for (QWidget* w : m_window->LockList()) {
      if (afterMenus) names.push_back(w->objectName().toStdString());
      afterMenus = afterMenus || w->objectName() == u"HelpMenu"_s;
    }
    return names;
  }

  std::vector<StandInControlsPage*> built;
};

TEST_F(PendingPagesTest, AreBuiltAfterTheFirstPictureBeforeWhatElseWaitsForIt) {
  AddLater(m_window->ObjectsSheet(), u"LaterA"_s);
  AddLater(m_window->BlocksSheet(), u"LaterB"_s);
  PaintCounter counter;
  m_window->installEventFilter(&counter);
  int paintsBeforeWork = -1;
  std::size_t builtBeforeWork = 0;
  m_window->AfterFirstPicture([&] {
    paintsBeforeWork = counter.paints;
    builtBeforeWork = built.size();
  });

  m_window->show();
  EXPECT_TRUE(built.empty());  // shown, but not yet drawn
  ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
  QTRY_COMPARE(builtBeforeWork, 2u);
  EXPECT_GT(paintsBeforeWork, 0);

  // Each is told of the showing once and follows the document's state: none is open.
  for (StandInControlsPage* page : built) {
    EXPECT_EQ(page->windowShows, 1);
    EXPECT_FALSE(page->controls.front()->isEnabled());
  }
  EXPECT_EQ(PageControlNames(), (std::vector<std::string>{"LaterA", "LaterB"}));
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  for (StandInControlsPage* page : built) EXPECT_TRUE(page->controls.front()->isEnabled());

  // Asked for once the picture is there, work runs at once.
  bool ranAtOnce = false;
  m_window->AfterFirstPicture([&] { ranAtOnce = true; });
  EXPECT_TRUE(ranAtOnce);
}

TEST_F(PendingPagesTest, AreBuiltAtOnceWhenTheWindowNeedsThem) {
  const struct {
    const char* need;
    std::function<void(TMainF&, const QString& zone)> act;
    bool controlEnabled;  // afterwards
  } cases[] = {
      {"a document opening", [](TMainF& w, const QString& zone) { ASSERT_TRUE(w.OpenMob(zone)); }, true},
      {"the busy lock", [](TMainF& w, const QString&) { w.LockControls(); }, false},
      {"the page's sheet coming up", [](TMainF& w, const QString&) { w.Pages()->setCurrentWidget(w.ObjectsSheet()); },
       true},
  };
  const QString zone = MakeZone(u"zone.mob"_s);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.need);
    m_window.reset();
    built.clear();
    CreateWindow();
    AddLater(m_window->ObjectsSheet(), u"LaterA"_s);
    EXPECT_TRUE(built.empty());
    c.act(*m_window, zone);
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(built.front()->controls.front()->isEnabled(), c.controlEnabled);
    if (m_window->LockHeld()) m_window->UnlockControls();
  }
}

TEST_F(PendingPagesTest, KeepTheirPlaceBeforeAPageAddedAfterThem) {
  AddLater(m_window->ObjectsSheet(), u"LaterA"_s);
  auto* now = new StandInControlsPage;
  auto* box = new QCheckBox(now);
  box->setObjectName(u"Now"_s);
  now->controls.push_back(box);
  m_window->AddPage(m_window->AddSheet("NowSh", u"Now"_s), *now);
  EXPECT_EQ(built.size(), 1u);
  EXPECT_EQ(PageControlNames(), (std::vector<std::string>{"LaterA", "Now"}));
}

}  // namespace
}  // namespace kelvarin
