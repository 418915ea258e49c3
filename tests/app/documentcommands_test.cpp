#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <cerrno>
#include <sys/stat.h>

#include "program/appinfo.h"
#include "common/inifile.h"
#include "common/qt/qtext.h"
#include "mainf_fixture.h"
#include "mob/filelog.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

using Answer = TPrompts::Answer;
using Kind = TScriptedPrompts::Kind;
using namespace Qt::StringLiterals;

const QString kSeparator = u"------------------------------"_s;

QAction* Item(TMainF& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

TEST_F(MainWindowTest, LayoutCaptionsAndStateWithoutDocument) {
  ShowWindow();
  TMainF& w = *m_window;
  EXPECT_EQ(w.windowTitle(), u"Kelvarin"_s);

  const std::pair<const char*, QString> pages[] = {
      {"ScriptSh", u"Скрипт"_s},   {"BlocksSh", u"Блоки"_s},
      {"ObjectsSh", u"Объекты"_s}, {"DiplomacySh", u"Дипломатия"_s},
      {"MassChangesSh", u"Массовые измененя"_s}, {"LogSh", u"Лог"_s}};
  QTabWidget* tabs = w.Pages();
  ASSERT_EQ(tabs->count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(pages[i].first));
    EXPECT_EQ(tabs->tabText(i), pages[i].second);
  }
  EXPECT_EQ(tabs->currentWidget()->objectName(), u"ScriptSh"_s);
  EXPECT_EQ(LogLines(), QStringList{u"По идее, сюда должен впечатываться лог всякий..."_s});

  QStringList menus;
  for (QAction* a : w.menuBar()->actions()) menus << a->menu()->objectName() + u'=' + a->text();
  EXPECT_EQ(menus, (QStringList{u"FileMenu=Файл"_s, u"EditMenu=Правка"_s, u"HelpMenu=Справка"_s, u"ToolsMenu=Сервис"_s}));

  QStringList fileItems;
  for (QAction* a : w.findChild<QMenu*>(u"FileMenu"_s)->actions())
    fileItems << a->objectName() + u'=' + (a->isSeparator() ? u"-"_s : a->text()) + u'=' +
                     (!a->isVisible() ? u"hidden"_s : a->isEnabled() ? u"on"_s : u"off"_s);
  EXPECT_EQ(fileItems, (QStringList{
                           u"OpenMobMenu=Открыть mob...                              Ctrl+O=on"_s,
                           u"N5=-=on"_s,
                           u"SaveMob_menu=Сохранить mob                               Ctrl+S=off"_s,
                           u"SaveAsMobMenu=Сохранить mob как...          Ctrl+Shift+S=off"_s,
                           u"N8=-=on"_s,
                           u"CloseMobMenu=Закрыть моб=off"_s,
                           u"N1=-=on"_s,
                           u"BackupMobMenu=Сделать бекап=off"_s,
                           u"N3=-=on"_s,
                           u"ProgSettsMenu=Настройки...=on"_s,
                           u"N6=-=on"_s,
                           u"TestMenuMenu=TESTMENU (не жмать если не знаеш нафига!)=hidden"_s,
                           u"N4=-=on"_s,
                           u"RecentFilesMenu=Недавние файлы=off"_s,  // nothing opened yet
                           u"N9=-=on"_s,
                           u"CompareWithFileMenu=Сравнить с файлом...=off"_s,
                           u"NewWindowMenu=Новое окно=on"_s,
                           u"ExitMenu=Выход=on"_s,
                       }));
  EXPECT_EQ(Item(w, "ReadmeMenu")->text(), u"Прочитать Readme.txt"_s);
  EXPECT_EQ(Item(w, "AboutMenu")->text(), u"О программе..."_s);
  EXPECT_FALSE(m_scriptEd->isEnabled());

  // Readme.txt beside the executable, in the desktop's viewer.
  QStringList opened;
  w.SetFileOpener([&](const QString& path) { opened << path; });
  Item(w, "ReadmeMenu")->trigger();
  EXPECT_EQ(opened, QStringList{TempPath(u"Readme.txt"_s)});

  // Another editor is started; one that cannot be says so.
  int started = 0;
  bool starts = true;
  w.SetWindowLauncher([&] { return ++started, starts; });
  Item(w, "NewWindowMenu")->trigger();
  starts = false;
  Item(w, "NewWindowMenu")->trigger();
  EXPECT_EQ(started, 2);
  EXPECT_EQ(w.statusBar()->currentMessage(), u"Не удалось запустить новое окно редактора."_s);
}

TEST_F(MainWindowTest, OpenFromDialogLogsTitlesAndRemembersTheFolder) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s);
  m_prompts.ChooseFile(zone);
  Item(*m_window, "OpenMobMenu")->trigger();

  const auto dialogs = m_prompts.RecordsOf(Kind::OpenFile);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, m_dir.path() + u'/');  // WorkPath: the program's folder
  EXPECT_TRUE(m_window->MobOpened());
  EXPECT_EQ(m_window->CurMobFile(), zone);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob"_s);
  EXPECT_EQ(m_window->windowIconText(), u"zone12.mob"_s);
  EXPECT_TRUE(Item(*m_window, "SaveMob_menu")->isEnabled());
  EXPECT_TRUE(Item(*m_window, "BackupMobMenu")->isEnabled());
  EXPECT_TRUE(m_scriptEd->isEnabled());
  EXPECT_EQ(m_window->LastEditor(), m_scriptEd);
  EXPECT_EQ(m_scriptPage->fillCalls, 1);

  // The script went into the editor without marking the document.
  EXPECT_EQ(ToCp1251(m_scriptEd->toPlainText()), m_state->TheMob.ScriptText);
  EXPECT_FALSE(m_window->MobModified());

  // The direct load's log was appended in one piece and shows as its lines.
  const QStringList expected = FromUtf8(m_state->TheMob.LogText).split(u"\r\n"_s);
  EXPECT_EQ(LogLinesFrom(1), expected.mid(0, expected.size() - 1));

  // The folder of the file becomes the dialogs' folder, in the settings file too.
  EXPECT_EQ(TIniFile(ToUtf8(TempPath(u"Kelvarin.ini"_s))).ReadString("Main", "WorkPath", ""),
            ToUtf8(m_dir.path() + u'/'));

  EditScript(u"-- edited"_s);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob *"_s);
}

TEST_F(MainWindowTest, OpenAppendsMobOnlyWhenTheNameIsMissing) {
  const QString zone = MakeZone(u"zone12.mob"_s);
  const QString plain = MakeZone(u"plainzone"_s);
  struct Case {
    QString argument;
    QString opened;
  } cases[] = {{TempPath(u"zone12"_s), zone}, {plain, plain}, {zone, zone}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument.toStdString());
    EXPECT_TRUE(m_window->OpenMob(c.argument));
    EXPECT_EQ(m_window->CurMobFile(), c.opened);
  }
  EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(MainWindowTest, OpenOfAMissingFileKeepsTheModifiedDocument) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);
  const qsizetype before = LogLines().size();

  EXPECT_FALSE(m_window->OpenMob(TempPath(u"nothere"_s)));
  EXPECT_EQ(LogLinesFrom(before), (QStringList{QString(), u"Не удалось обнаружить файло "_s + TempPath(u"nothere.mob"_s),
                                               u"Типо аблом, не загрузилося нихера."_s}));
  EXPECT_TRUE(LogPageActive());
  EXPECT_TRUE(m_prompts.Records().empty());
  EXPECT_EQ(m_window->CurMobFile(), zone);
  EXPECT_TRUE(m_window->MobModified());
}

TEST_F(MainWindowTest, CancellingTheClosePromptLoadsNothingButKeepsTheNewFolder) {
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"other"_s));
  const QString other = MakeZone(u"other/zone7.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);

  m_prompts.ChooseFile(other).Answer(Answer::Cancel);
  EXPECT_FALSE(m_window->OpenMob(TMainF::AskForPath()));
  const auto questions = m_prompts.RecordsOf(Kind::YesNoCancel);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text, u"Файл zone12.mob не был сохранен. Сохранить его перед закрытием?"_s);
  EXPECT_EQ(questions[0].icon, TPrompts::Icon::Question);
  EXPECT_EQ(m_window->CurMobFile(), zone);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_EQ(TIniFile(ToUtf8(TempPath(u"Kelvarin.ini"_s))).ReadString("Main", "WorkPath", ""),
            ToUtf8(TempPath(u"other/"_s)));
}

TEST_F(MainWindowTest, SaveWritesTheDocumentWithAnAutomaticBackupFirst) {
  ShowWindow();
  m_state->Settings.MakeAutoBackups = true;
  const QString zone = MakeZone(u"zone12.mob"_s);
  const std::string original = FileBytes(zone);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);
  const qsizetype before = LogLines().size();

  Item(*m_window, "SaveMob_menu")->trigger();
  EXPECT_EQ(m_scriptPage->commitCalls, 1);
  EXPECT_FALSE(m_window->MobModified());
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin zone12.mob"_s);
  const QString backup = zone + u".auto.bak.mob"_s;
  EXPECT_EQ(FileBytes(backup), original);
  EXPECT_NE(FileBytes(zone), original);
  TMob saved;
  ASSERT_TRUE(saved.LoadFile(ToUtf8(zone)));
  EXPECT_TRUE(saved.ScriptText.ends_with("-- edited")) << saved.ScriptText;
  const QStringList log = LogLinesFrom(before);
  ASSERT_GE(log.size(), 4);
  EXPECT_EQ(log.mid(0, 3), (QStringList{kSeparator, u"Успешно сделан бекап в файл "_s + backup, QString()}));
  EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(MainWindowTest, SaveAsPathsAndOverwriteQuestion) {
  const QString zone = MakeZone(u"zone12.mob"_s);
  const QString existing = MakeZone(u"existing.mob"_s, 10, 9);
  const std::string existingBytes = FileBytes(existing);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);

  // No: nothing written, the document keeps its file.
  m_prompts.ChooseFile(existing).AnswerYesNo(false);
  EXPECT_FALSE(m_window->SaveMobAs());
  EXPECT_EQ(m_prompts.Texts(),
            QStringList{u"Указанный Вами файл "_s + existing + u" уже существует. Перезаписать его?"_s});
  EXPECT_EQ(m_prompts.RecordsOf(Kind::YesNo)[0].icon, TPrompts::Icon::Warning);
  EXPECT_EQ(FileBytes(existing), existingBytes);
  EXPECT_EQ(m_window->CurMobFile(), zone);
  EXPECT_TRUE(m_window->MobModified());

  // Yes: written there, and that file becomes the document's.
  m_prompts.Clear();
  m_prompts.ChooseFile(existing).AnswerYesNo(true);
  EXPECT_TRUE(m_window->SaveMobAs());
  EXPECT_NE(FileBytes(existing), existingBytes);
  EXPECT_EQ(m_window->CurMobFile(), existing);
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin existing.mob"_s);

  // A name without extension gets .mob; an unmodified document still moves.
  m_prompts.Clear();
  m_prompts.ChooseFile(TempPath(u"newzone"_s));
  EXPECT_TRUE(m_window->SaveMobAs());
  EXPECT_TRUE(QFile::exists(TempPath(u"newzone.mob"_s)));
  EXPECT_FALSE(QFile::exists(TempPath(u"newzone"_s)));
  EXPECT_EQ(m_window->windowTitle(), u"Kelvarin newzone.mob"_s);

  // Cancelling the dialog does nothing.
  m_prompts.Clear();
  m_prompts.ChooseFile(QString());
  EXPECT_FALSE(m_window->SaveMobAs());
  EXPECT_EQ(m_window->CurMobFile(), TempPath(u"newzone.mob"_s));
}

TEST_F(MainWindowTest, SaveAsOntoAFifoIsRefusedAndTouchesNothing) {
  ShowWindow();
  m_state->Settings.MakeAutoBackups = true;
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);
  const std::string fifo = ToUtf8(TempPath(u"pipe.mob"_s));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  const qsizetype before = LogLines().size();
  m_prompts.ChooseFile(FromUtf8(fifo)).AnswerYesNo(true);
  EXPECT_FALSE(m_window->SaveMobAs());
  const QStringList lines = LogLinesFrom(before);
  EXPECT_TRUE(lines.contains(FromUtf8(NotRegularFileLine(fifo, FileKind::Fifo)))) << ToUtf8(lines.join(u'\n'));
  EXPECT_EQ(lines.last(), u"Моб нихрена не сохранен :(."_s);
  EXPECT_EQ(m_window->CurMobFile(), zone);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_TRUE(LogPageActive());
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_FALSE(QFile::exists(TempPath(u"pipe.mob.auto.bak.mob"_s)));  // its backup was not made either
}

TEST_F(MainWindowTest, SaveAsToANewNameReportsTheFailedAutomaticBackupAndSaves) {
  ShowWindow();
  m_state->Settings.MakeAutoBackups = true;
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone12.mob"_s)));
  const qsizetype before = LogLines().size();
  const QString target = TempPath(u"fresh.mob"_s);
  m_prompts.ChooseFile(target);
  EXPECT_TRUE(m_window->SaveMobAs());
  EXPECT_TRUE(QFile::exists(target));
  EXPECT_EQ(LogLinesFrom(before).mid(0, 4),
            (QStringList{kSeparator, u"Сделать бекап в файл "_s + target + u".auto.bak.mob не удалось!"_s,
                         FromUtf8(ReasonLine(ENOENT)), QString()}));
  EXPECT_TRUE(LogPageActive());
}

TEST_F(MainWindowTest, SaveOfADeletedFileAsksForAName) {
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  ASSERT_TRUE(QFile::remove(zone));
  m_prompts.ChooseFile(QString());
  EXPECT_FALSE(m_window->SaveMob());
  EXPECT_EQ(m_prompts.RecordsOf(Kind::SaveFile).size(), 1u);
}

// The script page refuses a text that code page 1251 cannot hold (its own tests
// cover the message); the shell must then write nothing and keep the document.
TEST_F(MainWindowTest, ScriptThatCodePage1251CannotHoldIsNotSaved) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s);
  const std::string original = FileBytes(zone);
  ASSERT_TRUE(m_window->OpenMob(zone));
  m_scriptEd->setPlainText(u"Привет\nмир €\nx = \u65E5;"_s);  // Cyrillic and € fit, the ideograph does not
  const qsizetype before = LogLines().size();

  EXPECT_FALSE(m_window->SaveMob());
  EXPECT_EQ(FileBytes(zone), original);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_TRUE(LogPageActive());
  EXPECT_EQ(LogLinesFrom(before), QStringList{u"not in code page 1251"_s});

  m_scriptEd->setPlainText(u"Привет\r\nмир €"_s);
  EXPECT_TRUE(m_window->SaveMob());
  EXPECT_EQ(m_state->TheMob.ScriptText, "\xCF\xF0\xE8\xE2\xE5\xF2\n\xEC\xE8\xF0 \x88");
}

TEST_F(MainWindowTest, ClosePromptAnswers) {
  const QString zone = MakeZone(u"zone12.mob"_s);
  const QString closeQuestion = u"Файл zone12.mob не был сохранен. Сохранить его перед закрытием?"_s;
  const QString retryQuestion = u"Файл zone12.mob сохранить не удалось. Повторить попытку?"_s;
  struct Case {
    const char* what;
    std::vector<Answer> answers;
    bool failingSave;
    bool closed;
    bool saved;
    int questions;
  } cases[] = {
      {"cancel", {Answer::Cancel}, false, false, false, 1},
      {"no", {Answer::No}, false, true, false, 1},
      {"yes", {Answer::Yes}, false, true, true, 1},
      {"yes, failing, retry twice, then no", {Answer::Yes, Answer::Yes, Answer::Yes, Answer::No}, true, true, false, 4},
      {"yes, failing, then cancel", {Answer::Yes, Answer::Cancel}, true, false, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_files.createTemp.Off();
    m_prompts.Clear();
    const std::string original = FileBytes(zone);
    ASSERT_TRUE(m_window->OpenMob(zone));
    EditScript(u"-- edited"_s);
    m_files.createTemp.error = c.failingSave ? ENOSPC : 0;
    m_state->Settings.SaveAttempts = 0;
    for (Answer a : c.answers) m_prompts.Answer(a);

    EXPECT_EQ(m_window->CloseMob(), c.closed);
    EXPECT_TRUE(m_prompts.AllAnswersUsed());
    QStringList expected{closeQuestion};
    for (int i = 1; i < c.questions; ++i) expected << retryQuestion;
    EXPECT_EQ(m_prompts.Texts(), expected);
    if (c.questions > 1) {
      EXPECT_EQ(m_prompts.Records()[1].icon, TPrompts::Icon::Error);
    }
    EXPECT_EQ(m_window->MobOpened(), !c.closed);
    EXPECT_EQ(m_window->MobModified(), !c.closed);
    EXPECT_EQ(FileBytes(zone) != original, c.saved);
    if (c.closed) {
      EXPECT_EQ(m_window->windowTitle(), u"Kelvarin"_s);
      EXPECT_TRUE(m_scriptEd->toPlainText().isEmpty());
      EXPECT_EQ(m_scriptPage->fillCalls, 2 * (&c - cases + 1));  // filled after the open, emptied by the close
      EXPECT_FALSE(Item(*m_window, "CloseMobMenu")->isEnabled());
    }
    m_files.createTemp.Off();
    m_prompts.Clear();
    m_prompts.Answer(Answer::No);
    m_window->CloseMob();
  }
}

TEST_F(MainWindowTest, ClosingTheWindowRetriesAFailingSaveUntilTheUserGivesUp) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- edited"_s);
  m_state->Settings.SaveAttempts = 0;
  m_files.createTemp.Fail(ENOSPC);

  m_prompts.Answer(Answer::Yes).Answer(Answer::Cancel);
  EXPECT_FALSE(m_window->close());
  EXPECT_TRUE(m_window->isVisible());
  EXPECT_EQ(m_controlsPage->windowClosings, 0);

  m_prompts.Answer(Answer::Yes).Answer(Answer::Yes).Answer(Answer::No);
  EXPECT_TRUE(m_window->close());
  EXPECT_FALSE(m_window->isVisible());
  EXPECT_EQ(m_controlsPage->windowClosings, 1);  // the pages store their options, stop their views
  EXPECT_TRUE(m_prompts.AllAnswersUsed());
}

TEST_F(MainWindowTest, ManualBackups) {
  ShowWindow();
  const QString zone = MakeZone(u"zone12.mob"_s);
  const QString backup = zone + u".bak.mob"_s;
  const std::string onDisk = FileBytes(zone);
  ASSERT_TRUE(m_window->OpenMob(zone));
  EditScript(u"-- not saved yet"_s);
  QAction* item = Item(*m_window, "BackupMobMenu");

  qsizetype before = LogLines().size();
  item->trigger();
  EXPECT_EQ(LogLinesFrom(before), (QStringList{kSeparator, u"Успешно сделан бекап в файл "_s + backup, QString()}));
  EXPECT_EQ(FileBytes(backup), onDisk);  // the file as last saved, not the edited document
  EXPECT_TRUE(m_prompts.Records().empty());

  const QString existsQuestion = u"Файл "_s + backup + u" уже существует. Перезаписать его?"_s;
  ASSERT_TRUE(m_window->SaveMob());
  before = LogLines().size();
  m_prompts.AnswerYesNo(false);
  item->trigger();
  EXPECT_EQ(m_prompts.Texts(), QStringList{existsQuestion});
  EXPECT_EQ(LogLinesFrom(before), (QStringList{kSeparator, u"Бекап в файл "_s + backup + u" отменен!"_s, QString()}));
  EXPECT_EQ(FileBytes(backup), onDisk);

  m_prompts.Clear();
  before = LogLines().size();
  m_prompts.AnswerYesNo(true);
  item->trigger();
  EXPECT_EQ(LogLinesFrom(before).value(1), u"Успешно сделан бекап в файл "_s + backup);
  EXPECT_EQ(FileBytes(backup), FileBytes(zone));

  m_files.copy.Fail(ENOSPC);
  m_prompts.Clear();
  m_prompts.AnswerYesNo(true);
  m_window->Pages()->setCurrentIndex(0);
  before = LogLines().size();
  item->trigger();
  EXPECT_EQ(LogLinesFrom(before), (QStringList{kSeparator, u"Сделать бекап в файл "_s + backup + u" не удалось!"_s,
                                               FromUtf8(ReasonLine(ENOSPC)), QString()}));
  EXPECT_TRUE(LogPageActive());
  // The failed copy left the previous backup as it was.
  EXPECT_EQ(FileBytes(backup), FileBytes(zone));
}

TEST_F(MainWindowTest, CommandLineFileOpensOnceTheWindowIsShown) {
  m_window->SetStartupFile(TempPath(u"missing.mob"_s));
  ShowWindow();
  QTest::qWait(20);
  EXPECT_EQ(LogLines().mid(1), (QStringList{QString(), u"Не удалось обнаружить файло "_s + TempPath(u"missing.mob"_s),
                                            u"Типо аблом, не загрузилося нихера."_s}));
  EXPECT_TRUE(LogPageActive());
}

TEST_F(MainWindowTest, AnUnwritableSettingsFileIsReportedOnceInTheLog) {
  m_window.reset();
  m_state = std::make_unique<TAppState>(ToUtf8(TempPath(u"no-such-folder"_s)));
  m_state->StartUp();
  CreateWindow();
  ShowWindow();
  ASSERT_EQ(LogLines().size(), 2);
  EXPECT_TRUE(LogLines()[1].contains(TempPath(u"no-such-folder/Kelvarin.ini"_s)));
  const QString zone = MakeZone(u"zone12.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(zone));  // saves the settings again: no second report
  EXPECT_EQ(LogLines().filter(u"no-such-folder"_s).size(), 1);
}

}  // namespace
}  // namespace kelvarin
