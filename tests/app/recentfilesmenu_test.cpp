// The File menu's recent zones through the real window: what opening and saving
// put there, what a click does (the same as File > Open, with its question about
// unsaved changes), what goes when a file has gone, and what the next start
// finds.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QStatusBar>
#include <QTest>

#include "program/settingsfile.h"
#include "common/inifile.h"
#include "common/qt/qtext.h"
#include "mainf_fixture.h"

namespace kelvarin {
namespace {

using Answer = TPrompts::Answer;
using namespace Qt::StringLiterals;

class RecentFilesMenuTest : public MainWindowTest {
 protected:
  // The entries as the menu shows them when it opens.
  QStringList Entries() {
    emit m_window->findChild<QMenu*>(u"FileMenu"_s)->aboutToShow();
    QStringList texts;
    for (QAction* item : m_window->RecentFilesMenuWidget()->actions()) texts << item->text();
    return texts;
  }
  QAction* Entry(int index) { return m_window->RecentFilesMenuWidget()->actions().value(index); }
  static QString Label(int number, const QString& path) {
    QString n = QString::number(number);
    return n.insert(n.size() - 1, u'&') + u"  "_s + path;
  }
};

TEST_F(RecentFilesMenuTest, OpenedAndSavedZonesComeFirstAndAClickOpensAsFileOpenDoes) {
  const QString a = MakeZone(u"a.mob"_s), b = MakeZone(u"b.mob"_s), saved = TempPath(u"c & d.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(a));
  ASSERT_TRUE(m_window->OpenMob(b));
  EXPECT_EQ(Entries(), (QStringList{Label(1, b), Label(2, a)}));

  m_prompts.ChooseFile(saved);
  ASSERT_TRUE(m_window->SaveMobAs());
  // An ampersand in a name is shown, not taken for a mnemonic.
  EXPECT_EQ(Entries(), (QStringList{u"&1  "_s + TempPath(u"c && d.mob"_s), Label(2, b), Label(3, a)}));
  EXPECT_TRUE(m_window->RecentFilesMenuWidget()->menuAction()->isEnabled());

  // A changed document: the click asks first, and Cancel keeps it.
  EditScript(u"// changed"_s);
  m_prompts.Answer(Answer::Cancel);
  Entry(2)->trigger();
  EXPECT_EQ(m_window->CurMobFile(), saved);
  EXPECT_TRUE(m_window->MobModified());
  ASSERT_EQ(m_prompts.Texts().size(), 1);
  EXPECT_EQ(m_prompts.Texts().front(), u"Файл c & d.mob не был сохранен. Сохранить его перед закрытием?"_s);

  m_prompts.Answer(Answer::No);
  Entry(2)->trigger();
  EXPECT_EQ(m_window->CurMobFile(), a);
  EXPECT_EQ(Entries(), (QStringList{Label(1, a), Label(2, saved).replace(u"& d"_s, u"&& d"_s), Label(3, b)}));
  EXPECT_TRUE(m_prompts.AllAnswersUsed());

  // The list is in the settings file at once, newest first.
  TIniFile ini(m_state->IniFile().Path());
  EXPECT_EQ(ini.ReadString(kRecentFilesSection, "File1", ""), ToUtf8(a));
  EXPECT_EQ(ini.ReadString(kRecentFilesSection, "File3", ""), ToUtf8(b));
  EXPECT_FALSE(ini.KeyExists(kRecentFilesSection, "File4"));
}

TEST_F(RecentFilesMenuTest, GoneFilesLeaveTheMenuAndTenAreKept) {
  QStringList zones;
  for (int i = 0; i < 12; ++i) zones << MakeZone(u"zone%1.mob"_s.arg(i), 4, i + 1);
  for (const QString& zone : zones) ASSERT_TRUE(m_window->OpenMob(zone));
  QStringList entries = Entries();
  ASSERT_EQ(entries.size(), 10);
  EXPECT_EQ(entries.front(), Label(1, zones[11]));
  EXPECT_EQ(entries.back(), Label(10, zones[2]));

  // Deleted (or moved away) since: gone from the menu the next time it shows.
  ASSERT_TRUE(QFile::remove(zones[10]));
  ASSERT_TRUE(QFile::remove(zones[5]));
  entries = Entries();
  ASSERT_EQ(entries.size(), 8);
  EXPECT_EQ(entries[0], Label(1, zones[11]));
  EXPECT_EQ(entries[1], Label(2, zones[9]));
  EXPECT_EQ(entries[7], Label(8, zones[2]));  // renumbered

  // Every one gone: the submenu has nothing to offer and is off.
  for (const QString& zone : zones) QFile::remove(zone);
  EXPECT_TRUE(Entries().isEmpty());
  EXPECT_FALSE(m_window->RecentFilesMenuWidget()->menuAction()->isEnabled());
}

TEST_F(RecentFilesMenuTest, ARecentFileDoesNotOpenWhileALoadOrSaveHoldsTheDocument) {
  const QString a = MakeZone(u"a.mob"_s), b = MakeZone(u"b.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(a));
  ASSERT_TRUE(m_window->OpenMob(b));
  Entries();
  m_window->LockControls();
  Entry(1)->trigger();
  m_window->UnlockControls();
  EXPECT_EQ(m_window->CurMobFile(), b);
  EXPECT_EQ(m_window->statusBar()->currentMessage(),
            u"Файл не открыт: идёт загрузка, сохранение или массовое изменение."_s);
}

TEST_F(RecentFilesMenuTest, TheNextStartOffersTheSameList) {
  const QString a = MakeZone(u"a.mob"_s), b = MakeZone(u"b.mob"_s);
  ASSERT_TRUE(m_window->OpenMob(a));
  ASSERT_TRUE(m_window->OpenMob(b));
  Restart();
  EXPECT_EQ(Entries(), (QStringList{Label(1, b), Label(2, a)}));
}

}  // namespace
}  // namespace kelvarin
