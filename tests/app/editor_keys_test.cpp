// Keys and focus in the editor as a new user meets them: the script's commands act
// only where the script can be seen, the busy lock hands the focus back to a
// control that is showing, and a save clears the mark whatever had the focus.
#include <QTabBar>
#include <QTest>

#include "program/settings.h"
#include "common/qt/qtext.h"
#include "editor_fixture.h"
#include "mob/generator.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class EditorKeysTest : public test::EditorTest {
 protected:
  // A zone whose script holds the search text on its first line.
  QString ZoneWithScript(const char* script) {
    TMob mob;
    GenerateZone(mob, {.records = 30, .seed = 3, .scriptLines = 5});
    mob.ScriptText = script;
    const QString path = TempPath(u"zone.mob"_s);
    EXPECT_TRUE(mob.SaveFile(ToUtf8(path)));
    return path;
  }

  void ClickTab(QWidget* sheet) {
    QTabBar* bar = m_window->Pages()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(m_window->Pages()->indexOf(sheet)).center());
    ASSERT_EQ(m_window->Pages()->currentWidget(), sheet);
  }

  // The window loses the activation for a while, as when the editor starts with a
  // file on its command line before the desktop hands it the focus: focus moves
  // then raise no focus notices.
  template <class F> void WhileInactive(F&& f) {
    QApplication::setActiveWindow(nullptr);
    f();
    QApplication::setActiveWindow(m_window.get());
    QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
  }

  void PressOnFocused(int key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* target = Focused() ? Focused() : m_window.get();
    QTest::keyClick(target, Qt::Key(key), modifiers);
  }
};

TEST_F(EditorKeysTest, KeysOnAnotherPageNeverEditTheScript) {
  m_state->Settings.SearchStr = "needle";
  m_state->Settings.RepStr = "pin";
  m_state->Settings.MakeReplace = true;
  ShowWindow();
  const QString zone = ZoneWithScript("a needle\nanother needle\n");
  ASSERT_TRUE(m_window->OpenMob(zone));
  ASSERT_EQ(m_window->LastEditor(), ScriptEd());
  const QString script = ScriptEd()->text();

  WhileInactive([&] { ClickTab(m_window->ObjectsSheet()); });
  EXPECT_EQ(m_window->LastEditor(), nullptr);
  for (const char* item : {"UndoMenu", "PasteMenu", "SearchNextMenu", "ReplaceNextMenu", "SearchRepMenu"})
    EXPECT_FALSE(EditItem(item)->isEnabled()) << item;

  PressOnFocused(Qt::Key_R, Qt::ControlModifier);
  PressOnFocused(Qt::Key_F3);
  EditItem("PasteMenu")->trigger();
  EXPECT_EQ(ScriptEd()->text(), script);
  EXPECT_FALSE(ScriptEd()->hasSelectedText());
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob"_s);

  // Back on the Script page the editor takes the keys again.
  ClickTab(m_window->ScriptSheet());
  ScriptEd()->setFocus();
  QTRY_VERIFY(EditItem("ReplaceNextMenu")->isEnabled());
  QTest::keyClick(ScriptEd(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(ScriptEd()->text(), u"a pin\nanother needle\n"_s);
}

TEST_F(EditorKeysTest, ThreadedSaveFromTheTableLeavesItCleanAndTheScriptAlone) {
  m_state->Settings.UseTMobThreads = true;
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(ZoneWithScript("first line\n")));
  WhileInactive([&] { ClickTab(m_window->ObjectsSheet()); });

  // Select a unit, edit LoadZ, Enter, Down, Ctrl+S.
  const std::size_t unit = TypeParameter(ObjKind::Unit, u"LoadZ"_s, u"7"_s);
  QTest::keyClick(Table()->OpenEditor(), Qt::Key_Return);
  PressOnFocused(Qt::Key_Down);
  ASSERT_TRUE(m_window->MobModified());
  PressOnFocused(Qt::Key_S, Qt::ControlModifier);
  EXPECT_FALSE(m_window->LockHeld());
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob"_s);
  EXPECT_EQ(m_state->TheMob.Units.at(unit).LoadZ, 7.0f);

  // The focus is back on the page that shows, in the table.
  ASSERT_NE(Focused(), nullptr);
  EXPECT_TRUE(Focused()->isVisible());
  EXPECT_TRUE(Table()->HoldsFocus());
  EXPECT_FALSE(ScriptEdFocused());
  PressOnFocused(Qt::Key_Q);
  EXPECT_EQ(ScriptEd()->text(), u"first line\n"_s);

  // Nothing the lock did marked the document: closing asks nothing.
  m_window->close();
  EXPECT_TRUE(m_prompts.Records().empty());
  EXPECT_FALSE(m_window->MobOpened());
}

TEST_F(EditorKeysTest, RedoAnswersTheKeyItsItemShows) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(ZoneWithScript("")));
  ASSERT_TRUE(ScriptEdFocused());
  QTest::keyClicks(ScriptEd(), u"abc"_s);
  QTest::keyClick(ScriptEd(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(ScriptEd()->text(), QString());
  ASSERT_TRUE(EditItem("RedoMenu")->text().endsWith(u"Shift+Ctrl+Z"_s));
  QTest::keyClick(ScriptEd(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(ScriptEd()->text(), u"abc"_s);
  // The editor's own redo key keeps working.
  QTest::keyClick(ScriptEd(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(ScriptEd(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(ScriptEd()->text(), u"abc"_s);
}

}  // namespace
}  // namespace kelvarin
