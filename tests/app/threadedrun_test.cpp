#include <QMenu>
#include <QTest>
#include <new>

#include "common/qt/qtext.h"
#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

// The main window, noting the state of the window as each worker line arrives.
class RecordingMainF : public TMainF {
 public:
  using TMainF::TMainF;
  struct Shown {
    QString line;
    bool lockHeld;
    bool fileMenuEnabled;
  };
  std::vector<Shown> shown;
  std::function<void()> onLine;

  void ShowLogLine(const std::string& line) override {
    shown.push_back({FromUtf8(line), LockHeld(), findChild<QMenu*>(u"FileMenu"_s)->isEnabled()});
    TMainF::ShowLogLine(line);
    if (onLine) onLine();
  }
  QStringList ShownLines() const {
    QStringList lines;
    for (const Shown& s : shown) lines << s.line;
    return lines;
  }
};

QStringList LinesOf(const std::string& logText) {
  QStringList lines = FromUtf8(logText).split(u"\r\n"_s);
  lines.removeLast();  // every line ends with CR LF
  return lines;
}

class ThreadedRunTest : public MainWindowTest {
 protected:
  void CreateWindow() override {
    m_window = std::make_unique<RecordingMainF>(*m_state, m_prompts);
    MainWindowTest::CreateWindow();
    m_state->Settings.UseTMobThreads = true;
  }
  RecordingMainF& Window() { return static_cast<RecordingMainF&>(*m_window); }
};

TEST_F(ThreadedRunTest, LinesAppearOneByOneUnderTheLockAndInLogTextOrder) {
  ShowWindow();
  m_state->Settings.MakeAutoBackups = true;
  const QString zone = MakeZone(u"zone.mob"_s, 200);

  ASSERT_TRUE(m_window->OpenMob(zone));
  const QStringList loadLines = LinesOf(m_state->TheMob.LogText);
  ASSERT_GT(loadLines.size(), 5);
  EXPECT_EQ(Window().ShownLines(), loadLines);
  EXPECT_EQ(LogLinesFrom(1), loadLines);  // shown once, not appended again afterwards

  ASSERT_TRUE(m_scriptEd->hasFocus());
  EditScript(u"-- edited"_s);
  Window().shown.clear();
  const qsizetype before = LogLines().size();
  ASSERT_TRUE(m_window->SaveMob());

  const QStringList saveLines = LinesOf(m_state->TheMob.LogText);
  EXPECT_EQ(Window().ShownLines(), saveLines);
  for (const auto& s : Window().shown) {
    EXPECT_TRUE(s.lockHeld) << s.line.toStdString();
    EXPECT_FALSE(s.fileMenuEnabled) << s.line.toStdString();
  }
  // The automatic backup's lines come first (the copy runs on a worker too), then the
  // save's lines.
  EXPECT_EQ(LogLinesFrom(before), (QStringList{u"------------------------------"_s,
                                               u"Успешно сделан бекап в файл "_s + zone + u".auto.bak.mob"_s,
                                               QString()} + saveLines));
  EXPECT_FALSE(m_window->LockHeld());
  EXPECT_TRUE(m_window->findChild<QMenu*>(u"FileMenu"_s)->isEnabled());
  EXPECT_TRUE(m_scriptEd->hasFocus());
  EXPECT_FALSE(m_window->MobModified());
}

TEST_F(ThreadedRunTest, AnExceptionOfTheWorkerReachesTheWindowAndReleasesTheLock) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  EditScript(u"-- edited"_s);
  // Writing the file runs out of memory.
  test::TFaultyFiles files;
  files.write.Fail(ENOMEM);
  SetFiles(&files);
  EXPECT_THROW(m_window->SaveMob(), std::bad_alloc);
  SetFiles(&m_files);
  EXPECT_FALSE(m_window->LockHeld());
  EXPECT_TRUE(m_window->findChild<QMenu*>(u"FileMenu"_s)->isEnabled());
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_TRUE(m_window->SaveMob());  // the document is still there to be saved
}

TEST_F(ThreadedRunTest, TheWindowCannotBeClosedWhileAWorkerRuns) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  EditScript(u"-- edited"_s);
  Window().shown.clear();
  int closeAttempts = 0;
  bool closed = false;
  Window().onLine = [&] {
    if (closeAttempts++ == 0) closed = m_window->close();
  };
  EXPECT_TRUE(m_window->SaveMob());
  EXPECT_EQ(closeAttempts, int(Window().shown.size()));
  EXPECT_FALSE(closed);
  EXPECT_TRUE(m_window->isVisible());
  EXPECT_TRUE(m_prompts.Records().empty());  // not even the unsaved-changes question
}

TEST_F(ThreadedRunTest, AnOuterLockIsNotTakenAgain) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  Window().shown.clear();
  m_window->SetLockOnLoadSave(false);
  EditScript(u"-- edited"_s);
  ASSERT_TRUE(m_window->SaveMob());
  ASSERT_FALSE(Window().shown.empty());
  for (const auto& s : Window().shown) EXPECT_FALSE(s.lockHeld);
}

}  // namespace
}  // namespace kelvarin
