// The record history in the running editor: the undo keys on every page but the
// Script page, whose editor keeps its own; a mass change taken back from the
// keyboard; the history's end with the document; its bound from the settings.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <QTreeView>
#include <fstream>

#include "program/settings.h"
#include "blocks/ui/blockspage.h"
#include "blocks/ui/hexview.h"
#include "common/qt/qtext.h"
#include "editor_fixture.h"
#include "mob/generator.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class EditorHistoryTest : public test::EditorTest {
 protected:
  const TDocumentSession& Session() const { return m_state->Session; }
  void Press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = Focused() ? Focused() : m_window.get();
    QTest::keyClick(target, Qt::Key(key), modifiers);
  }
  // Types a value into the first unit's row and leaves the table for the tree.
  std::size_t EditUnit(const QString& key, const QString& text) {
    const std::size_t unit = TypeParameter(ObjKind::Unit, key, text);
    QTest::keyClick(Table()->OpenEditor(), Qt::Key_Return);
    Objects()->ObjectsTree()->setFocus();
    return unit;
  }
  float LoadZ(std::size_t unit) const { return m_state->TheMob.Units.at(unit).LoadZ; }
};

TEST_F(EditorHistoryTest, UndoKeysWorkTheRecordsEverywhereButOnTheScriptPage) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 60)));
  const std::size_t unit = TypeParameter(ObjKind::Unit, u"LoadZ"_s, u"7"_s);
  const float original = LoadZ(unit);
  QTest::keyClick(Table()->OpenEditor(), Qt::Key_Return);
  Objects()->ObjectsTree()->setFocus();
  ASSERT_EQ(LoadZ(unit), 7.0f);
  ASSERT_EQ(Session().History().Count(), 1u);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);
  // Undone back to what the file holds, the document is not modified; redone, it is.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob"_s);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);
  Press(Qt::Key_S, Qt::ControlModifier);
  ASSERT_FALSE(m_window->MobModified());

  // After a save the saved point moves: an undo leaves it, a redo comes back to it.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), original);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(LoadZ(unit), 7.0f);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob"_s);
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), 7.0f);

  // The Script page's editor keeps its own history and keys.
  m_window->Pages()->setCurrentWidget(m_window->ScriptSheet());
  ScriptEd()->setFocus();
  const QString script = ScriptEd()->text();
  QTest::keyClicks(ScriptEd(), u"x"_s);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(ScriptEd()->text(), script);
  EXPECT_EQ(LoadZ(unit), 7.0f);

  // A page without an editor of its own: the record history again.
  m_window->Pages()->setCurrentWidget(m_window->MassChangesSheet());
  Find("MC_KR_Type_UnitCB")->setFocus();
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), original);

  // While the lock is held the history is locked like every other command.
  m_window->LockControls();
  Press(Qt::Key_Y, Qt::ControlModifier);
  m_window->UnlockControls();
  EXPECT_EQ(LoadZ(unit), original);
}

TEST_F(EditorHistoryTest, AValueConfirmedWithEnterIsAStepAndIsNotLostOnClose) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 60)));
  const auto confirm = [this](const QString& key, const QString& text) {
    const std::size_t unit = TypeParameter(ObjKind::Unit, key, text);
    QTest::keyClick(Table()->OpenEditor(), Qt::Key_Return);
    QCoreApplication::processEvents();  // the cell editor closes queued
    EXPECT_TRUE(Table()->HoldsFocus());
    return unit;
  };
  const std::size_t unit = confirm(u"PlayerNumber"_s, u"3"_s);
  const TUnitObjBlock& record = m_state->TheMob.Units.at(unit);
  EXPECT_EQ(record.PlayerNumber, 3);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);
  EXPECT_TRUE(Objects()->UndoButton()->isEnabled());
  // The tree's PlayerNumber column shows the value at once.
  TObjectsTreeModel& model = *Objects()->TreeModel();
  EXPECT_EQ(model.index(0, 4, model.RootIndex(ObjKind::Unit)).data().toString(), u"3"_s);

  // Two confirmed values are two steps: one Ctrl+Z takes back the last only.
  const std::uint8_t questBefore = record.IsQuestUnit;
  confirm(u"IsQuestUnit"_s, questBefore == 7 ? u"8"_s : u"7"_s);
  ASSERT_NE(record.IsQuestUnit, questBefore);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(record.IsQuestUnit, questBefore);
  EXPECT_EQ(record.PlayerNumber, 3);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_NE(record.IsQuestUnit, questBefore);

  // Closing asks about the changes.
  m_prompts.Answer(TPrompts::Answer::Cancel);
  EXPECT_FALSE(m_window->close());
  EXPECT_EQ(m_prompts.RecordsOf(TScriptedPrompts::Kind::YesNoCancel).size(), 1u);
}

TEST_F(EditorHistoryTest, ATypedValueIsTakenBeforeACommandAndAnUntouchedOneIsNot) {
  ShowWindow();
  const QString zone = MakeZone(u"zone.mob"_s, 60);
  ASSERT_TRUE(m_window->OpenMob(zone));

  // The cell open and nothing typed: closing asks nothing.
  TypeParameter(ObjKind::Unit, u"LoadZ"_s, QString());
  Table()->OpenEditor()->setText(Table()->Value(u"LoadZ"_s));  // what it showed
  ASSERT_TRUE(Table()->HoldsFocus());
  EXPECT_TRUE(m_window->close());
  EXPECT_TRUE(m_prompts.Records().empty());
  EXPECT_FALSE(m_window->MobModified());

  // A typed value and Ctrl+Z: the value goes in as a step, which is taken back.
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(zone));
  const std::size_t unit = TypeParameter(ObjKind::Unit, u"LoadZ"_s, u"7"_s);
  const float original = LoadZ(unit);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), original);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), 7.0f);
  EXPECT_EQ(Session().History().Count(), 1u);

  // Ctrl+S takes a typed value; so does closing the window, whose question
  // comes, and Yes saves it.
  TypeParameter(ObjKind::Unit, u"LoadZ"_s, u"9"_s);
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(LoadZ(unit), 9.0f);
  ASSERT_FALSE(m_window->MobModified());
  TypeParameter(ObjKind::Unit, u"LoadY"_s, u"11"_s);
  m_prompts.Answer(TPrompts::Answer::Yes);
  EXPECT_TRUE(m_window->close());
  EXPECT_TRUE(m_prompts.AllAnswersUsed());
  TMob saved;
  ASSERT_TRUE(saved.Load(ToUtf8(zone))) << saved.LogText;
  EXPECT_EQ(saved.Units.at(unit).LoadZ, 9.0f);
  EXPECT_EQ(saved.Units.at(unit).LoadY, 11.0f);
}

TEST_F(EditorHistoryTest, ABlockReplacedOnTheBlocksPageIsTakenBackThereOrOnTheObjectsPage) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 60)));
  auto* blocks = m_window->findChild<TBlocksPage*>();
  ASSERT_NE(blocks, nullptr);
  m_window->Pages()->setCurrentWidget(m_window->BlocksSheet());
  ASSERT_EQ(m_window->Pages()->tabText(m_window->Pages()->currentIndex()), u"Блоки"_s);
  ASSERT_EQ(blocks->TableModel()->rowCount(), 6);
  blocks->BlocksTable()->setCurrentIndex(blocks->TableModel()->index(1, 0));
  blocks->BlocksTable()->setFocus();
  const Bytes original = m_state->TheMob.UnknownBlocks[0].Data;

  Bytes replacement = original;
  replacement.push_back(0x5A);
  replacement[4] = std::uint8_t(replacement.size());  // sizes stay far below 256 here
  ASSERT_LT(original.size(), 255u);
  const QString file = TempPath(u"new.bin"_s);
  std::ofstream(ToUtf8(file), std::ios::binary)
      .write(reinterpret_cast<const char*>(replacement.data()), std::streamsize(replacement.size()));
  m_prompts.ChooseFile(file);
  blocks->ReplaceBut()->click();
  ASSERT_EQ(m_state->TheMob.UnknownBlocks[0].Data, replacement);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone.mob *"_s);

  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m_state->TheMob.UnknownBlocks[0].Data, original);
  EXPECT_EQ(blocks->HexView()->Data(), original);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(m_state->TheMob.UnknownBlocks[0].Data, replacement);

  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  Objects()->ObjectsTree()->setFocus();
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m_state->TheMob.UnknownBlocks[0].Data, original);

  // Saved and read again: the table is the file's and nothing is marked.
  Press(Qt::Key_Y, Qt::ControlModifier);
  Press(Qt::Key_S, Qt::ControlModifier);
  ASSERT_FALSE(m_window->MobModified());
  EXPECT_FALSE(blocks->TableModel()->Changed({TBlockRow::Kind::Block, 1}));
  EXPECT_EQ(blocks->TableModel()->Layout().blocks[1].size, replacement.size());
}

TEST_F(EditorHistoryTest, AMassChangeIsTakenBackAsOneStep) {
  ShowWindow();
  const QString zone = MakeZone(u"zone.mob"_s, 200);
  const std::string before = FileBytes(zone);
  ASSERT_TRUE(m_window->OpenMob(zone));
  const std::size_t units = m_state->TheMob.Units.size();
  ASSERT_GT(units, 0u);

  m_window->Pages()->setCurrentWidget(m_window->MassChangesSheet());
  Find<QCheckBox>("MC_KR_Type_UnitCB")->setChecked(true);
  Find<QRadioButton>("MC_AS_Obj_DelRB")->setChecked(true);
  Find<QPushButton>("MC_GoBut")->click();
  ASSERT_TRUE(m_state->TheMob.Units.empty());
  EXPECT_FALSE(m_window->MobModified());
  EXPECT_TRUE(Objects()->UndoButton()->isEnabled());
  EXPECT_TRUE(Objects()->UndoButton()->toolTip().startsWith(u"Отменить: Массовое удаление"_s));

  Find("MC_GoBut")->setFocus();
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m_state->TheMob.Units.size(), units);
  EXPECT_TRUE(m_window->MobModified());
  // The tree shows the records that came back.
  EXPECT_EQ(Objects()->TreeModel()->rowCount(Objects()->TreeModel()->RootIndex(ObjKind::Unit)), int(units));
  ASSERT_TRUE(m_window->SaveMob());
  EXPECT_EQ(FileBytes(zone), before);
}

TEST_F(EditorHistoryTest, TheHistoryEndsWithTheDocumentAndKeepsToItsBound) {
  ShowWindow();
  const QString zone = MakeZone(u"zone.mob"_s, 60);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditUnit(u"LoadZ"_s, u"7"_s);
  ASSERT_TRUE(Session().CanUndo());
  m_prompts.Answer(TPrompts::Answer::No);  // closing without saving
  ASSERT_TRUE(m_window->CloseMob());
  EXPECT_EQ(Session().History().Count(), 0u);
  EXPECT_FALSE(Objects()->UndoButton()->isEnabled());

  // Another file: the history starts afresh.
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditUnit(u"LoadZ"_s, u"8"_s);
  ASSERT_TRUE(m_window->SaveMob());
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"other.mob"_s, 60, 2)));
  EXPECT_EQ(Session().History().Count(), 0u);

  // UndoLimitMB 0: no history at all.
  m_state->Settings.UndoLimitMB = 0;
  EditUnit(u"LoadZ"_s, u"9"_s);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_FALSE(Session().CanUndo());
}

}  // namespace
}  // namespace kelvarin
