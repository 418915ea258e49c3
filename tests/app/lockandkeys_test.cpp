#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>

#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using Kind = TScriptedPrompts::Kind;

// Records the keys that reach it.
class KeyRecorder : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  QList<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt) keys << key;
    QLineEdit::keyPressEvent(event);
  }
};

class LockAndKeysTest : public MainWindowTest {
 protected:
  // Stand-ins for mass-change controls, as the mass-change page names them; those
  // with a mass-change name are handed to the lock as the page hands its own.
  template <class W> W* AddControl(const QString& name, QWidget* parent = nullptr) {
    auto* w = new W(parent ? parent : m_window->MassChangesSheet());
    w->setObjectName(name);
    if (!parent) m_window->MassChangesSheet()->layout()->addWidget(w);
    if (name.startsWith(u"MC_"_s)) m_controlsPage->controls.push_back(w);
    return w;
  }
  // Stand-ins for the script page's Edit menu items.
  QAction* AddEditItem(const QString& name, int* counter) { return m_scriptPage->AddEditItem(name, counter); }
  void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
    if (key < 0x80 || key >= Qt::Key_Escape) {
      QTest::keyClick(target, Qt::Key(key), modifiers);
      return;
    }
    // QTest only knows Latin keys: a Cyrillic one is sent as plain events.
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &release);
  }
};

TEST_F(LockAndKeysTest, LockRestoresEachControlsOwnState) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  auto* enabledEd = AddControl<QLineEdit>(u"MC_KR_Param_Name1Ed"_s);
  auto* disabledCb = AddControl<QCheckBox>(u"MC_KR_Param_Name2CB"_s);
  disabledCb->setEnabled(false);
  // A control that is enabled itself but sits in a disabled group.
  auto* group = AddControl<QGroupBox>(u"SomeGroup"_s);
  group->setLayout(new QVBoxLayout);
  auto* inGroup = AddControl<QLineEdit>(u"MC_AS_Params_OffsetXEd"_s, group);
  group->layout()->addWidget(inGroup);
  group->setEnabled(false);
  QMenu* fileMenu = m_window->findChild<QMenu*>(u"FileMenu"_s);
  QMenu* editMenu = m_window->EditMenuWidget();
  QAction* saveItem = m_window->findChild<QAction*>(u"SaveMob_menu"_s);

  m_window->LockControls();
  EXPECT_TRUE(m_window->LockHeld());
  for (QWidget* w : std::initializer_list<QWidget*>{enabledEd, disabledCb, m_scriptEd, fileMenu})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_FALSE(fileMenu->menuAction()->isEnabled());  // the menu bar entry too
  EXPECT_TRUE(saveItem->isEnabled());                 // items keep their own state
  EXPECT_TRUE(editMenu->isEnabled());                 // not on the list
  EXPECT_TRUE(m_window->Pages()->isEnabled());

  // A nested lock (a mass change around its saves) changes nothing on release.
  m_window->LockControls();
  m_window->UnlockControls();
  EXPECT_FALSE(enabledEd->isEnabled());

  m_window->UnlockControls();
  EXPECT_FALSE(m_window->LockHeld());
  EXPECT_TRUE(enabledEd->isEnabled());
  EXPECT_FALSE(disabledCb->isEnabled());
  EXPECT_TRUE(fileMenu->isEnabled());
  EXPECT_TRUE(fileMenu->menuAction()->isEnabled());
  group->setEnabled(true);
  EXPECT_TRUE(inGroup->isEnabled());
}

TEST_F(LockAndKeysTest, WindowStateEnablesTheListedControlsThenThePagesRules) {
  auto* ed = AddControl<QLineEdit>(u"MC_AS_Params_Name1Ed"_s);
  auto* dependent = AddControl<QLineEdit>(u"MC_KR_Coords_Krug_XEd"_s);
  m_controlsPage->onControlsEnabled = [&] { dependent->setEnabled(false); };
  m_window->UpdateWindowState();
  EXPECT_FALSE(ed->isEnabled());
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  EXPECT_TRUE(ed->isEnabled());
  EXPECT_FALSE(dependent->isEnabled());
}

TEST_F(LockAndKeysTest, LockKeepsTheFocusedEditorInMind) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  auto* other = AddControl<QLineEdit>(u"NotLocked"_s);
  m_scriptEd->setFocus();
  QTest::qWait(10);
  ASSERT_TRUE(m_scriptEd->hasFocus());
  m_window->LockControls();
  EXPECT_FALSE(m_scriptEd->hasFocus());
  EXPECT_EQ(m_window->LastEditor(), m_scriptEd);
  m_window->UnlockControls();
  EXPECT_TRUE(m_scriptEd->hasFocus());

  // Leaving the editor for another control forgets it.
  other->setFocus();
  EXPECT_EQ(m_window->LastEditor(), nullptr);
}

TEST_F(LockAndKeysTest, ShortcutRows) {
  ShowWindow();
  auto* target = AddControl<KeyRecorder>(u"FocusTarget"_s);
  int searchRep = 0, searchNext = 0, replaceNext = 0;
  const int& keyDialog = m_scriptPage->keyDialogs;
  QAction* searchRepItem = AddEditItem(u"SearchRepMenu"_s, &searchRep);
  AddEditItem(u"SearchNextMenu"_s, &searchNext);
  AddEditItem(u"ReplaceNextMenu"_s, &replaceNext);
  m_window->Pages()->setCurrentWidget(m_window->MassChangesSheet());
  target->setFocus();
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;

  // Without a document: Save, Save as and the key dialog are consumed and do nothing.
  Press(target, Qt::Key_S, ctrl);
  Press(target, Qt::Key_S, ctrl | shift);
  Press(target, Qt::Key_K, ctrl | shift | alt);
  EXPECT_TRUE(m_prompts.Records().empty());
  EXPECT_EQ(keyDialog, 0);
  EXPECT_TRUE(target->keys.isEmpty());

  // Ctrl+O opens (the dialog is cancelled here).
  m_prompts.ChooseFile(QString());
  Press(target, Qt::Key_O, ctrl);
  EXPECT_EQ(m_prompts.RecordsOf(Kind::OpenFile).size(), 1u);

  const QString zone = MakeZone(u"zone.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  m_window->Pages()->setCurrentWidget(m_window->MassChangesSheet());
  target->setFocus();
  m_prompts.Clear();
  m_scriptPage->commitCalls = 0;  // Ctrl+O committed too, as every command does

  // Ctrl+S saves (Save falls back to the dialog when the file is gone, which
  // makes the row visible); Ctrl+Alt+S is Save too; Ctrl+Shift+S is Save as.
  QFile::remove(zone);
  m_prompts.ChooseFile(QString()).ChooseFile(QString()).ChooseFile(QString());
  Press(target, Qt::Key_S, ctrl);
  Press(target, Qt::Key_S, ctrl | alt);
  Press(target, Qt::Key_S, ctrl | shift);
  EXPECT_EQ(m_prompts.RecordsOf(Kind::SaveFile).size(), 3u);
  EXPECT_EQ(m_scriptPage->commitCalls, 3);
  // With a Russian layout the same key arrives as Ы.
  m_prompts.ChooseFile(QString());
  Press(target, Qt::Key(0x042B), ctrl);
  EXPECT_EQ(m_prompts.RecordsOf(Kind::SaveFile).size(), 4u);
  EXPECT_TRUE(target->keys.isEmpty());

  // Rows 4 to 6 run the Edit items when they are enabled, and are consumed when not.
  Press(target, Qt::Key_F, ctrl);
  Press(target, Qt::Key_F3, Qt::NoModifier);
  Press(target, Qt::Key_F3, shift);
  Press(target, Qt::Key_R, ctrl);
  EXPECT_EQ(searchRep, 1);
  EXPECT_EQ(searchNext, 2);
  EXPECT_EQ(replaceNext, 1);
  searchRepItem->setEnabled(false);
  Press(target, Qt::Key_F, ctrl);
  EXPECT_EQ(searchRep, 1);

  // Row 7 needs a document and all three modifiers.
  Press(target, Qt::Key_K, ctrl | shift);
  EXPECT_EQ(keyDialog, 0);
  Press(target, Qt::Key_K, ctrl | shift | alt);
  EXPECT_EQ(keyDialog, 1);
  EXPECT_EQ(target->keys, QList<int>{Qt::Key_K});  // only the unmatched Ctrl+Shift+K got through

  // Other keys pass on.
  Press(target, Qt::Key_A, Qt::NoModifier);
  Press(target, Qt::Key_S, Qt::NoModifier);
  EXPECT_EQ(target->text(), u"as"_s);

  // While the lock is held no command starts from the keyboard.
  m_prompts.Clear();
  m_window->LockControls();
  Press(target, Qt::Key_O, ctrl);
  Press(target, Qt::Key_S, ctrl | shift);
  Press(target, Qt::Key_F3, Qt::NoModifier);
  Press(target, Qt::Key_K, ctrl | shift | alt);
  m_window->UnlockControls();
  EXPECT_TRUE(m_prompts.Records().empty());
  EXPECT_EQ(searchNext, 2);
  EXPECT_EQ(keyDialog, 1);
}

}  // namespace
}  // namespace kelvarin
