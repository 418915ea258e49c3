// Python scripts run in the editor: one undoable step, a failure or an
// interruption leaves the document exactly as it was, what the editor refuses is
// refused, and a missing Python is named.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>

#include "app/ui/pythonscripts.h"
#include "common/bytes.h"
#include "common/qt/qtext.h"
#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

// The main window, with a hook on every line a worker shows.
class LineHookMainF : public TMainF {
 public:
  using TMainF::TMainF;
  std::function<void(const QString&)> onLine;
  void ShowLogLine(const std::string& line) override {
    TMainF::ShowLogLine(line);
    if (onLine) onLine(FromUtf8(line));
  }
};

class PythonScriptsTest : public MainWindowTest {
 protected:
  void CreateWindow() override {
    m_window = std::make_unique<LineHookMainF>(*m_state, m_prompts);
    MainWindowTest::CreateWindow();
  }
  void SetUp() override {
    MainWindowTest::SetUp();
    ShowWindow();
    ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 4000)));
  }
  LineHookMainF& Window() { return static_cast<LineHookMainF&>(*m_window); }
  TPythonScripts& Scripts() { return *m_window->findChild<TPythonScripts*>(); }
  TDocumentSession& Session() { return m_state->Session; }
  Bytes Image() {
    Bytes image;
    EXPECT_TRUE(Session().Mob().BuildImage(image));
    return image;
  }
  QString Script(const QString& name, const QString& text) {
    const QString path = TempPath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
    return path;
  }
  bool LogHas(const QString& text) const { return LogLines().join(u'\n').contains(text); }
};

TEST_F(PythonScriptsTest, AScriptsChangesAreOneStepThatUndoesAndRedoes) {
  const Bytes before = Image();
  const QString script = Script(u"edit.py"_s, uR"(import kelvarin
doc = kelvarin.document
edited = [r for r in doc.records() if hasattr(r, "LoadX")][:1000]
for r in edited:
    r.LoadX += 1.5
doc.flames.append(LoadX=7.0, ObjectID=doc.free_id())
del doc.units[0]
print("edited", len(edited))
print("script starts with", repr(doc.script[:5]))
)"_s);
  EditScript(u"-- typed, not saved"_s);

  ASSERT_TRUE(Scripts().RunScript(script));
  EXPECT_TRUE(LogHas(u"edited 1000"_s));
  // The script sees the text on the Script page, not only what the file holds.
  EXPECT_TRUE(Session().Mob().ScriptText.find("typed") == std::string::npos);
  ASSERT_EQ(Session().History().Count(), 1u);
  EXPECT_EQ(Session().History().NextUndo()->Caption(), "Сценарий edit.py");
  EXPECT_TRUE(m_window->MobModified());
  const Bytes after = Image();
  EXPECT_NE(after, before);

  ASSERT_TRUE(m_window->UndoRecords());
  EXPECT_EQ(Image(), before);
  EXPECT_FALSE(Session().CanUndo());
  ASSERT_TRUE(m_window->RedoRecords());
  EXPECT_EQ(Image(), after);
  EXPECT_EQ(Session().Mob().Flames.back().LoadX, 7.0f);
}

// Whatever ends a script early, the document is exactly as it was and no step is
// left; the log says why, with the script's file and line.
TEST_F(PythonScriptsTest, AFailingScriptLeavesTheDocumentAsItWas) {
  struct Case {
    const char* name;
    const char* body;
    const char* logged;
  } cases[] = {
      {"raises.py", "for u in kelvarin.document.units:\n    u.LoadX = 1.0\nkelvarin.document.units.append()\nraise ValueError('no good')\n",
       "raises.py\", line 5"},
      {"exits.py", "kelvarin.document.units[0].LoadX = 3.0\nimport sys\nsys.exit(2)\n", "SystemExit: 2"},
      {"syntax.py", "kelvarin.document.units[0].LoadX = (\n", "SyntaxError"},
      {"refused_save.py", "kelvarin.document.units[0].LoadX = 3.0\nkelvarin.document.save()\n",
       "save() is not available inside the editor"},
      {"refused_mass_change.py", "kelvarin.document.mass_change({})\n", "mass_change() is not available"},
      {"refused_script.py", "kelvarin.document.script = 'x'\n", "document.script is read-only"},
  };
  const Bytes before = Image();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString script = Script(FromUtf8(c.name), u"import kelvarin\n"_s + FromUtf8(c.body));
    EXPECT_FALSE(Scripts().RunScript(script));
    EXPECT_EQ(Image(), before);
    EXPECT_EQ(Session().History().Count(), 0u);
    EXPECT_TRUE(LogHas(FromUtf8(c.logged))) << LogLines().join(u'\n').toStdString();
    EXPECT_TRUE(LogHas(u"Сценарий "_s + FromUtf8(c.name) + u" завершился ошибкой, документ оставлен как был."_s));
    EXPECT_TRUE(LogPageActive());
  }
  EXPECT_FALSE(m_window->MobModified());
}

TEST_F(PythonScriptsTest, EscapeInterruptsARunawayScript) {
  const Bytes before = Image();
  const QString script = Script(u"forever.py"_s, uR"(import kelvarin
for u in kelvarin.document.units:
    u.LoadY = -1.0
print("looping")
while True:
    pass
)"_s);
  Window().onLine = [this](const QString& line) {
    if (line == u"looping"_s) {
      EXPECT_TRUE(m_window->findChild<QWidget*>(u"InterruptScriptBut"_s)->isVisible());
      QTest::keyClick(m_window.get(), Qt::Key_Escape);
    }
  };
  EXPECT_FALSE(Scripts().RunScript(script));
  EXPECT_EQ(Image(), before);
  EXPECT_EQ(Session().History().Count(), 0u);
  EXPECT_TRUE(LogHas(u"KeyboardInterrupt"_s));
  EXPECT_TRUE(LogHas(u"Сценарий forever.py прерван, документ оставлен как был."_s));
  EXPECT_FALSE(m_window->findChild<QWidget*>(u"InterruptScriptBut"_s)->isVisible());
  EXPECT_FALSE(m_window->LockHeld());

  // The interpreter is still there for the next script.
  EXPECT_TRUE(Scripts().RunScript(Script(u"next.py"_s, u"print('after')\n"_s)));
  EXPECT_TRUE(LogHas(u"Сценарий next.py выполнен, документ не изменился."_s));
}

TEST_F(PythonScriptsTest, WithoutPythonTheItemSaysWhatIsMissing) {
  TScriptModulePlace place = ScriptModulePlace();
  place.pythonLibrary = "libpython0.0.so.0";
  Scripts().SetModulePlace(place);
  EXPECT_FALSE(Scripts().RunScript(Script(u"any.py"_s, u"print(1)\n"_s)));
  auto* item = m_window->findChild<QAction*>(u"RunPythonScriptMenu"_s);
  EXPECT_TRUE(item->text().contains(u"libpython0.0.so.0"_s)) << item->text().toStdString();
  EXPECT_FALSE(item->isEnabled());
  EXPECT_TRUE(LogHas(u"Python не установлен"_s));
}

TEST_F(PythonScriptsTest, ScriptsRunAreRememberedAndOfferedAgain) {
  const QString script = Script(u"hello.py"_s, u"print('hello')\n"_s);
  ASSERT_TRUE(Scripts().RunScript(script));
  EXPECT_EQ(m_state->Settings.RecentScripts.Paths(), std::vector<std::string>{*ToCp1251(script)});
  auto* recent = m_window->findChild<QMenu*>(u"RecentScriptsMenu"_s);
  m_window->findChild<QMenu*>(u"ToolsMenu"_s)->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 1);
  recent->actions().front()->trigger();
  EXPECT_EQ(LogLines().count(u"hello"_s), 2);
}

}  // namespace
}  // namespace kelvarin
