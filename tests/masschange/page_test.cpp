// The mass-change page over a small stand-in for the main window: names and
// captions, the ticking and enabling rules, the stored options, the target choice
// and a run started from the page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "program/appstate.h"
#include "shell/pagelinks.h"
#include "shell/shellservices.h"
#include "common/qt/qtext.h"
#include "masschange/ui/masschangepage.h"
#include "mob/generator.h"
#include "support/scriptedprompts.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// The main window as the page sees it: a program folder with its settings file,
// the document's session, scripted prompts and the log.
class FakeShell : public TShellServices, private TLogSink {
 public:
  explicit FakeShell(const QString& folder) : state(ToUtf8(folder)) {
    state.StartUp();
    state.Session.SetLogSink(this);
    state.Session.Adopt(ToUtf8(folder) + "/open.mob");  // a document is open
  }

  TDocumentSession& Session() override { return state.Session; }
  void AppendLog(const QString& text) override { log << text; }
  void ShowLogPage() override {}
  void ShowStatusMessage(const QString& text) override { statusMessages << text; }
  void ShowCaretStatus(const QString&) override {}
  void ShowResults(const QString&, std::vector<TResultEntry>) override {}
  bool IsActivePage(const QWidget*) const override { return false; }
  void GoToResult(const TResultEntry&) override {}
  TPageLinks& Links() override { return links; }
  std::string EditedScript() override { return state.TheMob.ScriptText; }
  TPrompts& Prompts() override { return prompts; }
  TSettings& Settings() override { return state.Settings; }
  void SaveSettings() override {
    ++settingsSaves;
    state.SaveSettings();
  }
  bool OpenMob(const QString& path) override { return state.Session.Load(ToUtf8(path)); }
  bool SaveMob() override { return state.Session.Save(state.Session.Path()); }
  void CommitEdits() override { ++commitCalls; }

  TAppState state;
  TScriptedPrompts prompts;
  TPageLinks links;
  QStringList statusMessages;
  QStringList log;
  int settingsSaves = 0;
  int commitCalls = 0;

 private:
  // The session's lines, one entry per line as the window shows them.
  void AppendLog(const std::string& text) override {
    for (const QString& line : FromUtf8(text).split(u"\r\n"_s, Qt::SkipEmptyParts)) log << line;
  }
};

class MassChangePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_shell = std::make_unique<FakeShell>(m_dir.path());
    m_page = std::make_unique<TMassChangePage>(*m_shell);
  }
  // A new program run over the same settings file.
  void Restart() {
    m_page.reset();
    m_shell = std::make_unique<FakeShell>(m_dir.path());
    m_page = std::make_unique<TMassChangePage>(*m_shell);
    m_page->MassChangeOptsToPage();
  }

  template <class W = QWidget> W* Control(const char* name) const {
    W* w = m_page->findChild<W*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
  }
  QCheckBox* Box(const char* name) const { return Control<QCheckBox>(name); }
  QLineEdit* Edit(const char* name) const { return Control<QLineEdit>(name); }
  QAbstractButton* Button(const char* name) const { return Control<QAbstractButton>(name); }

  QTemporaryDir m_dir;
  std::unique_ptr<FakeShell> m_shell;
  std::unique_ptr<TMassChangePage> m_page;
};

TEST_F(MassChangePageTest, ControlsCarryTheirNamesAndCaptions) {
  const std::pair<const char*, QString> buttons[] = {
      {"MC_KR_Param_Name1CB", u"Prototype"_s},
      {"MC_KR_Param_Name2CB", u"Name"_s},
      {"MC_KR_Coords_PramouglCB", u"В прямоугольнике с координатами:"_s},
      {"MC_KR_Coords_KrugCB", u"В круге с координатами:"_s},
      {"MC_KR_Type_FlameCB", u"Огонь (Flame)"_s},
      {"MC_KR_Type_Particle3CB", u"Партикл 3-го типа"_s},
      {"MC_AS_Obj_OnlyParamsRB", u"Только изменить параметры"_s},
      {"MC_AS_Obj_DelRB", u"Удалять"_s},
      {"MC_AS_Obj_CopyRB", u"Копировать в целевой моб"_s},
      {"MC_AS_Obj_MoveRB", u"Переносить в целевой моб"_s},
      {"MC_AS_Obj_TargetMobSelBut", u"Выбрать..."_s},
      {"MC_AS_Obj_ReplaceCB", u"Заменять при совпадении ID"_s},
      {"MC_AS_Params_Name1CB", u"Name1"_s},
      {"MC_AS_Params_OffsetCB", u"Смещать по координатам:"_s},
      {"MC_ResetBut", u"Сбросить"_s},
      {"MC_GoBut", u"Выполнить изменения!"_s},
  };
  for (const auto& [name, caption] : buttons)
    if (auto* b = Button(name)) {
      EXPECT_EQ(b->text(), caption) << name;
    }
  const std::pair<const char*, QString> groups[] = {
      {"MC_KR_ParamGB", u"По параметрам:"_s},
      {"MC_KR_CoordsGB", u"По расположению на зоне:"_s},
      {"MC_KR_TypeGB", u"По типу объекта:"_s},
      {"MC_AS_ObjGB", u"Действия над самими объектами:"_s},
      {"MC_AS_ParamsGB", u"Изменять параметры на:"_s},
  };
  for (const auto& [name, caption] : groups)
    if (auto* g = Control<QGroupBox>(name)) {
      EXPECT_EQ(g->title(), caption) << name;
    }
  for (const auto& field : MassChangeBoolFields()) Button(field.name);
  for (const auto& field : MassChangeTextFields()) Edit(field.name);
  auto* tabs = Control<QTabWidget>("MassChangePK");
  ASSERT_TRUE(tabs);
  EXPECT_EQ(tabs->tabText(0), u"Критерии отбора объектов"_s);
  EXPECT_EQ(tabs->widget(1)->objectName(), u"MC_ActionsSh"_s);
  EXPECT_EQ(Control("MC_DownPanel")->height(), 40);
}

TEST_F(MassChangePageTest, FilledEditsTickTheirCheckboxes) {
  QCheckBox* name = Box("MC_KR_Param_Name2CB");
  QTest::keyClicks(Edit("MC_KR_Param_Name2Ed"), u"orc"_s);
  EXPECT_TRUE(name->isChecked());
  Edit("MC_KR_Param_Name2Ed")->clear();
  EXPECT_FALSE(name->isChecked());
  name->setChecked(true);  // by hand over an empty edit: selects empty names
  EXPECT_TRUE(m_page->PageOptions().MC_KR_Param_Name2CB);

  struct Group {
    const char* box;
    std::vector<const char*> edits;
  };
  const Group groups[] = {
      {"MC_KR_Coords_PramouglCB",
       {"MC_KR_Coords_Pramougl_X1Ed", "MC_KR_Coords_Pramougl_Y1Ed", "MC_KR_Coords_Pramougl_X2Ed",
        "MC_KR_Coords_Pramougl_Y2Ed"}},
      {"MC_KR_Coords_KrugCB", {"MC_KR_Coords_Krug_XEd", "MC_KR_Coords_Krug_YEd", "MC_KR_Coords_Krug_RadEd"}},
      {"MC_AS_Params_OffsetCB", {"MC_AS_Params_OffsetXEd", "MC_AS_Params_OffsetYEd"}},
  };
  for (const Group& g : groups) {
    for (std::size_t i = 0; i < g.edits.size(); ++i) {
      EXPECT_FALSE(Box(g.box)->isChecked()) << g.box << " before edit " << i;
      Edit(g.edits[i])->setText(u"1"_s);
    }
    EXPECT_TRUE(Box(g.box)->isChecked()) << g.box;
    Edit(g.edits[1])->clear();
    EXPECT_FALSE(Box(g.box)->isChecked()) << g.box;
  }
}

TEST_F(MassChangePageTest, DeleteModeGreysTheParameterChanges) {
  m_page->MassChangeOptsToPage();
  Edit("MC_AS_Params_PlayerNumberEd")->setText(u"3"_s);
  Button("MC_AS_Obj_DelRB")->click();
  for (const char* name : {"MC_AS_Params_Name1CB", "MC_AS_Params_Name1Ed", "MC_AS_Params_PlayerNumberCB",
                           "MC_AS_Params_PlayerNumberEd", "MC_AS_Params_OffsetCB", "MC_AS_Params_OffsetXEd",
                           "MC_AS_Params_OffsetYEd"})
    EXPECT_FALSE(Control(name)->isEnabled()) << name;
  for (const char* name : {"MC_AS_Obj_TargetMobEd", "MC_AS_Obj_TargetMobSelBut", "MC_AS_Obj_ReplaceCB"})
    EXPECT_TRUE(Control(name)->isEnabled()) << name;

  Button("MC_AS_Obj_MoveRB")->click();
  EXPECT_TRUE(Control("MC_AS_Params_PlayerNumberEd")->isEnabled());
  EXPECT_TRUE(Box("MC_AS_Params_PlayerNumberCB")->isChecked());
  EXPECT_EQ(Edit("MC_AS_Params_PlayerNumberEd")->text(), u"3"_s);

  // Without a document the rule leaves the controls to the window.
  m_shell->state.Session.Close();
  Button("MC_AS_Obj_DelRB")->click();
  EXPECT_TRUE(Control("MC_AS_Params_PlayerNumberEd")->isEnabled());
}

TEST_F(MassChangePageTest, StoredStatesWinOverTheTicking) {
  MassChangeOpts& stored = m_shell->state.Settings.MassChange;
  stored.MC_KR_Param_Name2Ed = "\xce\xf0\xea";  // "Орк" in code page 1251
  stored.MC_KR_Param_Name2CB = false;
  stored.MC_AS_Params_Model3dCB = true;  // ticked over an empty edit
  stored.MC_AS_Obj_OnlyParamsRB = false;
  stored.MC_AS_Obj_DelRB = true;
  m_page->MassChangeOptsToPage();
  EXPECT_EQ(Edit("MC_KR_Param_Name2Ed")->text(), u"Орк"_s);
  EXPECT_FALSE(Box("MC_KR_Param_Name2CB")->isChecked());
  EXPECT_TRUE(Box("MC_AS_Params_Model3dCB")->isChecked());
  EXPECT_TRUE(Button("MC_AS_Obj_DelRB")->isChecked());
  EXPECT_FALSE(Control("MC_AS_Params_Model3dEd")->isEnabled());
  EXPECT_EQ(m_page->PageOptions(), stored);

  // A settings file with no mode at all shows none.
  stored.MC_AS_Obj_DelRB = false;
  m_page->MassChangeOptsToPage();
  for (const char* name : {"MC_AS_Obj_OnlyParamsRB", "MC_AS_Obj_DelRB", "MC_AS_Obj_CopyRB", "MC_AS_Obj_MoveRB"})
    EXPECT_FALSE(Button(name)->isChecked()) << name;
}

TEST_F(MassChangePageTest, ResetStoresTheDefaultsAtOnceAndTheySurviveARestart) {
  m_page->MassChangeOptsToPage();
  Edit("MC_KR_Coords_Krug_RadEd")->setText(u"5"_s);
  Box("MC_KR_Type_TrapCB")->setChecked(true);
  Button("MC_AS_Obj_CopyRB")->click();
  Box("MC_AS_Obj_ReplaceCB")->setChecked(false);
  Edit("MC_AS_Obj_TargetMobEd")->setText(u"/somewhere/target.mob"_s);
  m_page->MassChangePageToOpts();
  Restart();
  EXPECT_EQ(Edit("MC_KR_Coords_Krug_RadEd")->text(), u"5"_s);
  EXPECT_TRUE(Button("MC_AS_Obj_CopyRB")->isChecked());
  EXPECT_FALSE(Box("MC_AS_Obj_ReplaceCB")->isChecked());

  const int saves = m_shell->settingsSaves;
  Button("MC_ResetBut")->click();
  EXPECT_EQ(m_shell->settingsSaves, saves + 1);
  EXPECT_EQ(m_shell->state.Settings.MassChange, MassChangeOpts{});
  Restart();
  EXPECT_EQ(m_page->PageOptions(), MassChangeOpts{});
  EXPECT_TRUE(Button("MC_AS_Obj_OnlyParamsRB")->isChecked());
  EXPECT_TRUE(Box("MC_AS_Obj_ReplaceCB")->isChecked());
}

TEST_F(MassChangePageTest, TargetSelection) {
  const QString folder = m_dir.filePath(u"zones"_s);
  const QString chosen = folder + u"/target.mob"_s;
  m_shell->prompts.ChooseFile(QString()).ChooseFile(chosen).ChooseFile(folder + u"/✓.mob"_s);
  Button("MC_AS_Obj_TargetMobSelBut")->click();  // cancelled
  EXPECT_EQ(Edit("MC_AS_Obj_TargetMobEd")->text(), QString());

  const int saves = m_shell->settingsSaves;
  Button("MC_AS_Obj_TargetMobSelBut")->click();
  EXPECT_EQ(Edit("MC_AS_Obj_TargetMobEd")->text(), chosen);
  EXPECT_EQ(FromCp1251(m_shell->state.Settings.WorkPath), folder + u'/');
  EXPECT_EQ(m_shell->settingsSaves, saves);  // written with the next save

  // A path the settings file cannot hold is refused, not mangled.
  Button("MC_AS_Obj_TargetMobSelBut")->click();
  EXPECT_EQ(Edit("MC_AS_Obj_TargetMobEd")->text(), chosen);
  ASSERT_EQ(m_shell->prompts.RecordsOf(TScriptedPrompts::Kind::Message).size(), 1u);

  // Typed text that code page 1251 cannot hold does not get in either.
  QLineEdit* name = Edit("MC_AS_Params_Name2Ed");
  name->insert(u"Орк"_s);
  name->insert(u"✓"_s);
  name->insert(u"2"_s);
  EXPECT_EQ(name->text(), u"Орк2"_s);
}

TEST_F(MassChangePageTest, GoRunsTheMassChangeFromThePage) {
  const QString zone = m_dir.filePath(u"zone.mob"_s);
  {
    TMob mob;
    GenerateZone(mob, {.records = 60, .seed = 4});
    ASSERT_TRUE(mob.Save(ToUtf8(zone)));
  }
  ASSERT_TRUE(m_shell->OpenMob(zone));
  ASSERT_FALSE(m_shell->state.TheMob.Units.empty());
  m_page->MassChangeOptsToPage();

  // Refused options: the message names the edit, the log tells the failure.
  Box("MC_KR_Coords_PramouglCB")->setChecked(true);
  Button("MC_GoBut")->click();
  EXPECT_EQ(m_shell->commitCalls, 1);  // the pages' typed values go in first
  ASSERT_EQ(m_shell->prompts.Texts().size(), 1);
  EXPECT_TRUE(m_shell->prompts.Texts()[0].endsWith(u"поля MC_KR_Coords_Pramougl_X1Ed"_s));
  EXPECT_EQ(m_shell->log.last(), u"Выполнить массовые изменения не удалось - АААБЛОМ :(."_s);

  Box("MC_KR_Coords_PramouglCB")->setChecked(false);
  Box("MC_KR_Type_UnitCB")->setChecked(true);
  Button("MC_AS_Obj_DelRB")->click();
  const qsizetype units = qsizetype(m_shell->state.TheMob.Units.size());
  Button("MC_GoBut")->click();
  const QString summary = u"Итог: отобрано %1 (юнитов %1); удалено %1."_s.arg(units);
  EXPECT_EQ(m_shell->log.mid(m_shell->log.size() - 2),
            (QStringList{u"Массовые изменения успешно завершены."_s, summary}));
  EXPECT_EQ(m_shell->statusMessages, QStringList{summary});
  EXPECT_TRUE(m_shell->state.TheMob.Units.empty());
  TMob saved;
  ASSERT_TRUE(saved.Load(ToUtf8(zone)));
  EXPECT_TRUE(saved.Units.empty());
  EXPECT_FALSE(saved.Objects.empty());
}

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
