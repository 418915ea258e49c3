// The main window with the real script, objects and mass-change pages plugged in,
// as the editor runs it: the document commands, the busy lock, the focus memory,
// the Edit menu and the shortcuts working on the pages' own controls.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <optional>

#include "app/ui/resultspanel.h"
#include "blocks/ui/blockspage.h"
#include "common/inifile.h"
#include "common/qt/qtext.h"
#include "editor_fixture.h"
#include "map/ui/mappage.h"
#include "masschange/ui/masschangepage.h"
#include "mob/generator.h"
#include "script/ui/keychangerf.h"
#include "script/ui/searchrepf.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using Answer = TPrompts::Answer;
using test::EditorTest;

TEST_F(EditorTest, TheProgramIconComesInEveryThemeSize) {
  // The pictures are built into the program, so a copy run from the build tree or a
  // portable folder shows its icon too.
  const QList<QSize> sizes = ProgramIcon().availableSizes();
  for (const int size : {16, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

TEST_F(EditorTest, TheStartedEditorSaysWhichSettingsFileItUses) {
  // The editor as main() builds it, on a program folder of its own: the file lies
  // beside the program, and the log says so under its first line.
  ASSERT_TRUE(QDir().mkpath(TempPath(u"program"_s)));
  // Were the user's folder chosen after all, it would be a scratch one.
  const std::optional<QByteArray> configHome =
      qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? std::optional(qgetenv("XDG_CONFIG_HOME")) : std::nullopt;
  qputenv("XDG_CONFIG_HOME", TempPath(u"config"_s).toUtf8());
  TEditor editor(ToUtf8(TempPath(u"program"_s)), QString(), ToUtf8(TempPath(u"recovery"_s)));
  configHome ? qputenv("XDG_CONFIG_HOME", *configHome) : qunsetenv("XDG_CONFIG_HOME");
  const QStringList log = editor.Window().LogView()->toPlainText().split(u'\n');
  ASSERT_GE(log.size(), 2);
  EXPECT_EQ(log[1], u"Файл настроек: "_s + TempPath(u"program/Kelvarin.ini"_s));
}

// The busy lock's list in the order it walks it: the script editor, the two
// menus, the objects tree and table, then the mass-change page's block.
constexpr const char* kLockOrder[] = {
    "ScriptEd", "FileMenu", "HelpMenu", "ObjectsTree", "ValuesEditor",
    "MC_KR_Param_Name1CB", "MC_KR_Param_Name1Ed", "MC_KR_Param_Name2CB", "MC_KR_Param_Name2Ed",
    "MC_KR_Param_ScriptVariableNameCB", "MC_KR_Param_ScriptVariableNameEd",
    "MC_KR_Param_Model3dCB", "MC_KR_Param_Model3dEd", "MC_KR_Param_FirstTextureCB",
    "MC_KR_Param_FirstTextureEd", "MC_KR_Param_SecondTextureCB", "MC_KR_Param_SecondTextureEd",
    "MC_KR_Param_PlayerNumberCB", "MC_KR_Param_PlayerNumberEd", "MC_KR_Coords_PramouglCB",
    "MC_KR_Coords_Pramougl_X1Ed", "MC_KR_Coords_Pramougl_Y1Ed", "MC_KR_Coords_Pramougl_X2Ed",
    "MC_KR_Coords_Pramougl_Y2Ed", "MC_KR_Coords_KrugCB", "MC_KR_Coords_Krug_XEd",
    "MC_KR_Coords_Krug_YEd", "MC_KR_Coords_Krug_RadEd", "MC_KR_Type_UnitCB", "MC_KR_Type_ObjectCB",
    "MC_KR_Type_LeverCB", "MC_KR_Type_TrapCB", "MC_KR_Type_FlameCB", "MC_KR_Type_Particle1CB",
    "MC_KR_Type_Particle2CB", "MC_KR_Type_Particle3CB",
    "MC_AS_Obj_DelRB", "MC_AS_Obj_CopyRB", "MC_AS_Obj_MoveRB", "MC_AS_Obj_TargetMobSelBut",
    "MC_AS_Obj_TargetMobEd", "MC_AS_Obj_ReplaceCB", "MC_AS_Params_Name1CB", "MC_AS_Params_Name1Ed",
    "MC_AS_Params_Name2CB", "MC_AS_Params_Name2Ed", "MC_AS_Params_ScriptVariableNameCB",
    "MC_AS_Params_ScriptVariableNameEd", "MC_AS_Params_Model3dCB", "MC_AS_Params_Model3dEd",
    "MC_AS_Params_FirstTextureCB", "MC_AS_Params_FirstTextureEd", "MC_AS_Params_SecondTextureCB",
    "MC_AS_Params_SecondTextureEd", "MC_AS_Params_OffsetCB", "MC_AS_Params_OffsetXEd",
    "MC_AS_Params_OffsetYEd", "MC_AS_Params_PlayerNumberCB", "MC_AS_Params_PlayerNumberEd",
    "MC_ResetBut", "MC_GoBut", "MC_AS_Obj_OnlyParamsRB",
};

TEST_F(EditorTest, EveryLockedControlExistsOnceAndFollowsTheDocument) {
  // The window opens on the script; the other pages come once its first picture
  // is on the screen, and take their places in the lock's order.
  const auto otherPagesBuilt = [this] {
    return std::vector<bool>{Objects() != nullptr, m_window->findChild<TMassChangePage*>() != nullptr,
                             m_window->findChild<TBlocksPage*>() != nullptr, m_window->findChild<TMapPage*>() != nullptr};
  };
  EXPECT_EQ(otherPagesBuilt(), std::vector<bool>(4, false));
  ShowWindow();
  QTRY_COMPARE(otherPagesBuilt(), std::vector<bool>(4, true));
  const std::vector<QWidget*> list = m_window->LockList();
  ASSERT_EQ(list.size(), std::size(kLockOrder));
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i]->objectName(), QString::fromLatin1(kLockOrder[i])) << i;
    const auto found = m_window->findChildren<QObject*>(QString::fromLatin1(kLockOrder[i]));
    EXPECT_EQ(found.size(), 1) << kLockOrder[i];
  }
  for (QWidget* control : LockedControls()) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();

  // A mass-change option that switches the parameter actions off keeps them off
  // when a document opens.
  Find<QRadioButton>("MC_AS_Obj_DelRB")->setChecked(true);
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  EXPECT_FALSE(Find("MC_AS_Params_Name1Ed")->isEnabled());
  EXPECT_FALSE(Find("MC_AS_Params_Name1CB")->isEnabled());
  for (const char* name : {"ScriptEd", "ObjectsTree", "ValuesEditor", "MC_KR_Param_Name1CB", "MC_GoBut",
                           "MC_AS_Obj_DelRB", "MC_AS_Obj_TargetMobEd"})
    EXPECT_TRUE(Find(name)->isEnabled()) << name;
  // The script page is active: the editor has the focus and drives the Edit menu.
  EXPECT_TRUE(ScriptEdFocused());
  EXPECT_EQ(m_window->LastEditor(), ScriptEd());
  EXPECT_TRUE(EditItem("SearchNextMenu")->isEnabled());

  m_window->CloseMob();
  for (QWidget* control : LockedControls()) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  EXPECT_FALSE(EditItem("SearchNextMenu")->isEnabled());
}

TEST_F(EditorTest, SaveTakesTheScriptAndTheValueBeingTyped) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s, 60);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob"_s);
  EXPECT_FALSE(m_window->MobModified());

  ASSERT_TRUE(ScriptEdFocused());
  QTest::keyClicks(ScriptEd(), u"-- edited"_s);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob *"_s);

  const std::size_t unit = TypeParameter(ObjKind::Unit, u"PlayerNumber"_s, u"7"_s);
  // Ctrl+S from the open cell: the value is written into its record first.
  QTest::keyClick(Table()->OpenEditor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob"_s);

  TMob saved;
  ASSERT_TRUE(saved.Load(ToUtf8(zone))) << saved.LogText;
  EXPECT_EQ(saved.Units.at(unit).PlayerNumber, 7);
  EXPECT_NE(FromCp1251(saved.ScriptText).indexOf(u"-- edited"_s), -1);
  EXPECT_EQ(saved.ScriptText.find('\r'), std::string::npos);

  // The value that was being typed is written, and the table keeps the focus.
  EXPECT_TRUE(Objects()->ValuesEditorFocused());
  EXPECT_TRUE(Table()->HoldsFocus());
}

TEST_F(EditorTest, ClosingTheWindowStoresTheMassChangeOptions) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  Find<QCheckBox>("MC_KR_Type_TrapCB")->setChecked(true);
  ScriptEd()->setFocus();
  QTest::keyClicks(ScriptEd(), u"x"_s);

  m_prompts.Answer(Answer::Cancel);
  EXPECT_FALSE(m_window->close());
  EXPECT_TRUE(m_window->MobOpened());
  TIniFile ini(ToUtf8(TempPath(u"Kelvarin.ini"_s)));
  EXPECT_FALSE(ini.ReadBool("MassChangeOpts", "MC_KR_Type_TrapCB_ini", false));

  m_prompts.Answer(Answer::No);
  EXPECT_TRUE(m_window->close());
  EXPECT_FALSE(m_window->MobOpened());
  TIniFile reread(ToUtf8(TempPath(u"Kelvarin.ini"_s)));
  EXPECT_TRUE(reread.ReadBool("MassChangeOpts", "MC_KR_Type_TrapCB_ini", false));
  EXPECT_TRUE(m_prompts.AllAnswersUsed());
}

TEST_F(EditorTest, LockKeepsThePagesControlsAndTheFocusedScriptEditor) {
  ShowWindow();
  m_state->Settings.UseTMobThreads = true;
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  Find<QRadioButton>("MC_AS_Obj_DelRB")->setChecked(true);  // the parameter actions go off
  ASSERT_TRUE(ScriptEdFocused());

  // A threaded save under its own lock.
  QTest::keyClicks(ScriptEd(), u"x"_s);
  ASSERT_TRUE(m_window->SaveMob());
  EXPECT_TRUE(ScriptEdFocused());
  EXPECT_TRUE(EditItem("UndoMenu")->isEnabled());
  EXPECT_FALSE(Find("MC_AS_Params_Name1Ed")->isEnabled());
  EXPECT_TRUE(Find("MC_GoBut")->isEnabled());

  // A mass change holds the lock around its own save and reopening: nothing of
  // the list comes back before the lock is released, and the Edit menu is off.
  QTest::keyClicks(ScriptEd(), u"y"_s);
  ASSERT_TRUE(m_window->MobModified());
  const QString file = m_window->CurMobFile();
  m_window->SetLockOnLoadSave(false);
  m_window->LockControls();
  EXPECT_FALSE(EditItem("UndoMenu")->isEnabled());
  EXPECT_TRUE(m_window->SaveMob());
  EXPECT_TRUE(m_window->OpenMob(file));
  for (QWidget* control : LockedControls()) EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
  m_window->UnlockControls();
  m_window->SetLockOnLoadSave(true);

  EXPECT_TRUE(Find("MC_GoBut")->isEnabled());
  EXPECT_TRUE(Find("ValuesEditor")->isEnabled());
  EXPECT_FALSE(Find("MC_AS_Params_Name1Ed")->isEnabled());
  EXPECT_TRUE(ScriptEdFocused());
  EXPECT_TRUE(EditItem("UndoMenu")->isEnabled());
}

TEST_F(EditorTest, ShortcutsRunTheScriptPagesCommands) {
  ShowWindow();
  TGenerateOptions options{.records = 10, .seed = 2, .scriptLines = 20};
  TMob mob;
  GenerateZone(mob, options);
  mob.ScriptText = "first line\nsecond Needle here\nthird needle\n";
  const QString zone = TempPath(u"zone.mob"_s);
  ASSERT_TRUE(mob.SaveFile(ToUtf8(zone)));
  ASSERT_TRUE(m_window->OpenMob(zone));
  ASSERT_TRUE(ScriptEdFocused());

  // Ctrl+F: the search dialog, then the search from the caret.
  WithDialog<TSearchRepF>([](TSearchRepF& d) {
    d.SearchEd()->setText(u"needle"_s);
    d.GoBut()->click();
  });
  QTest::keyClick(ScriptEd(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(ScriptEd()->selectedText(), u"Needle"_s);
  // F3: the next one.
  QTest::keyClick(ScriptEd(), Qt::Key_F3);
  int line = 0, index = 0;
  ScriptEd()->getCursorPosition(&line, &index);
  EXPECT_EQ(line, 2);
  EXPECT_FALSE(m_window->MobModified());

  // F3 while the parameter table has the focus: consumed, nothing searched.
  TypeParameter(ObjKind::Object, u"Name2"_s, QString());
  ASSERT_FALSE(EditItem("SearchNextMenu")->isEnabled());
  QTest::keyClick(Table()->OpenEditor(), Qt::Key_F3);
  ScriptEd()->getCursorPosition(&line, &index);
  EXPECT_EQ(line, 2);

  // Ctrl+Shift+Alt+K: the key dialog; the new key does not mark the document.
  WithDialog<TKeyChangerF>([](TKeyChangerF& d) {
    d.KeyEditF()->setText(u"-5"_s);
    d.OkBut()->click();
  });
  QTest::keyClick(Table()->OpenEditor(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  EXPECT_EQ(std::int32_t(m_state->TheMob.ScriptKey), -5);
  EXPECT_FALSE(m_window->MobModified());
}

TEST_F(EditorTest, FindAllFillsTheResultListWhoseEntriesLeadBackIntoTheScript) {
  ShowWindow();
  TMob mob;
  GenerateZone(mob, {.records = 10, .seed = 2, .scriptLines = 20});
  mob.ScriptText = "first line\nsecond Needle here\nthird\n  needle again\n";
  const QString zone = TempPath(u"zone.mob"_s);
  ASSERT_TRUE(mob.SaveFile(ToUtf8(zone)));
  ASSERT_TRUE(m_window->OpenMob(zone));
  ASSERT_TRUE(ScriptEdFocused());
  TResultsPanel& results = *m_window->Results();
  EXPECT_FALSE(results.isVisible());
  QApplication::processEvents();
  EXPECT_TRUE(m_window->CaretStatus()->isVisible());
  EXPECT_EQ(m_window->CaretStatus()->text(), u"Строка 1, столбец 1"_s);

  m_state->Settings.SearchStr = "needle";
  EditItem("FindAllMenu")->trigger();
  ASSERT_TRUE(results.isVisible());
  ASSERT_EQ(results.Entries().size(), 2u);
  EXPECT_EQ(results.Entries()[1].text, "00004: needle again");

  // From another page, a click on an entry shows the script at that place.
  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  EXPECT_FALSE(m_window->CaretStatus()->isVisible());  // the script's place is not shown there
  QListView& view = *results.View();
  const QRect second = view.visualRect(view.model()->index(1, 0));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(m_window->Pages()->currentWidget(), m_window->ScriptSheet());
  EXPECT_TRUE(ScriptEdFocused());
  EXPECT_EQ(ScriptEd()->CaretPlace(), (TCaretPlace{4, 3, 0}));

  // Ctrl+H through the window replaces them all; closing empties the list.
  m_state->Settings.RepStr = "pin";
  m_state->Settings.MakeReplace = true;
  QTest::keyClick(ScriptEd(), Qt::Key_H, Qt::ControlModifier);
  EXPECT_EQ(ScriptEd()->text(), u"first line\nsecond pin here\nthird\n  pin again\n"_s);
  EXPECT_EQ(m_window->statusBar()->currentMessage(), u"Заменено: 2"_s);
  m_prompts.Answer(Answer::No);
  ASSERT_TRUE(m_window->CloseMob());
  EXPECT_FALSE(results.isVisible());
  EXPECT_TRUE(results.Entries().empty());
}

}  // namespace
}  // namespace kelvarin
