// The editor at home on the desktop, with the real pages: files dropped on any
// part of the window, and the layout the window and the Objects page had at the
// last close.
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QUrl>

#include "common/qt/qtext.h"
#include "editor_fixture.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using Answer = TPrompts::Answer;
using test::EditorTest;

class EditorDropTest : public EditorTest {
 protected:
  // Drags `data` onto `target` and lets go, as a file manager does; true when
  // the drop was taken.
  bool Drop(QWidget* target, QMimeData* data) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
      delete data;
      return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents();  // the file opens once the drop is over
    delete data;
    return drop.isAccepted();
  }
  static QMimeData* Files(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
  }
  QWidget* ScriptArea() const { return ScriptEd()->viewport(); }
  QString Status() const { return m_window->statusBar()->currentMessage(); }
};

TEST_F(EditorDropTest, ADroppedZoneOpensAfterTheQuestionAboutUnsavedChanges) {
  const QString a = MakeZone(u"a.mob"_s), b = MakeZone(u"b.mob"_s, 40, 2);
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(a));
  const QString scriptOfA = ScriptEd()->text();
  m_window->Session().NoteScriptEdited();

  // Onto the script editor, which takes dropped text itself: the window gets the file.
  m_prompts.Answer(Answer::Cancel);
  EXPECT_TRUE(Drop(ScriptArea(), Files({b})));
  EXPECT_EQ(m_window->CurMobFile(), a);
  EXPECT_TRUE(m_window->MobModified());
  EXPECT_EQ(ScriptEd()->text(), scriptOfA);  // no path typed into the script
  ASSERT_EQ(m_prompts.Texts().size(), 1);
  EXPECT_EQ(m_prompts.Texts().front(), u"Файл a.mob не был сохранен. Сохранить его перед закрытием?"_s);

  m_prompts.Answer(Answer::No);
  EXPECT_TRUE(Drop(ScriptArea(), Files({b})));
  EXPECT_EQ(m_window->CurMobFile(), b);
  EXPECT_FALSE(m_window->MobModified());
  EXPECT_TRUE(m_prompts.AllAnswersUsed());

  // Onto another page, in upper case: as good.
  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  const QString upper = MakeZone(u"UPPER.MOB"_s, 40, 3);
  EXPECT_TRUE(Drop(Objects()->ObjectsTree()->viewport(), Files({upper})));
  EXPECT_EQ(m_window->CurMobFile(), upper);
}

TEST_F(EditorDropTest, AnythingElseIsRefusedWithAStatusMessage) {
  const QString a = MakeZone(u"a.mob"_s), b = MakeZone(u"b.mob"_s, 40, 2);
  QFile(TempPath(u"notes.txt"_s)).open(QIODevice::WriteOnly);
  ASSERT_TRUE(QDir().mkpath(TempPath(u"folder.mob"_s)));
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(a));

  struct Case {
    const char* what;
    QMimeData* data;
    QWidget* target;
    QString status;
  };
  auto* web = new QMimeData;
  web->setUrls({QUrl(u"https://example.org/zone.mob"_s)});
  auto* text = new QMimeData;
  text->setText(u"just text"_s);
  const Case cases[] = {
      {"another kind of file", Files({TempPath(u"notes.txt"_s)}), ScriptArea(),
       u"Не открыто: notes.txt — не файл зоны .mob."_s},
      {"two zones at once", Files({a, b}), ScriptArea(),
       u"Перетащите один файл .mob: открыта может быть только одна зона."_s},
      {"a folder", Files({TempPath(u"folder.mob"_s)}), m_window->Pages()->tabBar(),
       u"Не открыто: folder.mob — не файл зоны .mob."_s},
      {"a web address", web, ScriptArea(), u"Не открыто: https://example.org/zone.mob — не файл зоны .mob."_s},
      {"text, on the window itself", text, m_window.get(), u"Сюда можно перетащить только файл зоны .mob."_s},
  };
  for (const Case& c : cases) {
    m_window->statusBar()->clearMessage();
    EXPECT_FALSE(Drop(c.target, c.data)) << c.what;
    EXPECT_EQ(Status(), c.status) << c.what;
    EXPECT_EQ(m_window->CurMobFile(), a) << c.what;
  }
  EXPECT_TRUE(m_prompts.Texts().isEmpty());

  // While a load, save or mass change holds the document, a zone is refused too.
  m_window->LockControls();
  EXPECT_FALSE(Drop(m_window->Pages()->tabBar(), Files({b})));
  m_window->UnlockControls();
  EXPECT_EQ(Status(), u"Файл не открыт: идёт загрузка, сохранение или массовое изменение."_s);
  EXPECT_EQ(m_window->CurMobFile(), a);
}

TEST_F(EditorDropTest, TextDraggedIntoTheScriptStaysTheEditorsOwn) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"a.mob"_s)));
  auto* text = new QMimeData;
  text->setText(u"dropped"_s);
  QDragEnterEvent enter(ScriptArea()->rect().center(), Qt::CopyAction, text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ScriptArea(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_TRUE(Status().isEmpty());
  delete text;
}

class EditorLayoutTest : public EditorTest {
 protected:
  // A fresh start with no remembered layout, for the starting values.
  QRect StartingGeometry() {
    TLayoutValues kept = std::exchange(m_state->Settings.Layout, {});
    TMainF plain(*m_state, m_prompts);
    m_state->Settings.Layout = std::move(kept);
    return plain.geometry();
  }
  void ShowObjectsPage() {
    m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
    QApplication::processEvents();
  }
  QSplitter* ObjectsSplitter() const { return Objects()->findChild<QSplitter*>(); }
  int NameColumn() const { return Table()->columnWidth(0); }
};

TEST_F(EditorLayoutTest, TheWindowAndTheObjectsPageComeBackAsTheyWereClosed) {
  ShowWindow();
  m_window->setGeometry(40, 50, 1000, 720);
  ShowObjectsPage();
  const int total = ObjectsSplitter()->sizes()[0] + ObjectsSplitter()->sizes()[1];
  ObjectsSplitter()->setSizes({200, total - 200, ObjectsSplitter()->sizes()[2]});
  const QList<int> sizes = ObjectsSplitter()->sizes();
  Table()->setColumnWidth(0, 181);
  QApplication::processEvents();

  Restart();
  EXPECT_EQ(m_window->geometry(), QRect(40, 50, 1000, 720));
  ShowWindow();
  // The Script page comes first at every start, whatever was showing at the close.
  EXPECT_EQ(m_window->Pages()->currentWidget(), m_window->ScriptSheet());
  ShowObjectsPage();
  EXPECT_EQ(ObjectsSplitter()->sizes(), sizes);
  EXPECT_EQ(NameColumn(), 181);

  // An Objects page not shown in a run keeps what it had.
  Restart();
  ShowWindow();
  Restart();
  ShowWindow();
  ShowObjectsPage();
  EXPECT_EQ(ObjectsSplitter()->sizes(), sizes);
}

TEST_F(EditorLayoutTest, BrokenValuesAndAPlaceOffEveryScreenGiveTheStartingLayout) {
  ShowWindow();
  ShowObjectsPage();
  const QList<int> startingSizes = ObjectsSplitter()->sizes();
  const int startingColumn = NameColumn();
  ASSERT_TRUE(m_window->close());
  m_window.reset();

  TLayoutValues& layout = m_state->Settings.Layout;
  layout.Set("MainWindow", "5000,4000,900,700");  // the screen it stood on is gone
  layout.Set("ObjectsSplitter", "200,abc,300");
  layout.Set("ObjectsTableNameColumn", "-3");
  const QRect starting = StartingGeometry();
  CreateWindow();
  EXPECT_EQ(m_window->geometry(), starting);
  ShowWindow();
  ShowObjectsPage();
  EXPECT_EQ(ObjectsSplitter()->sizes(), startingSizes);
  EXPECT_EQ(NameColumn(), startingColumn);
  // The log says which values were not taken, once each.
  for (const QString& value : {u"[Layout] ObjectsSplitter=200,abc,300 "_s, u"[Layout] ObjectsTableNameColumn=-3 "_s})
    EXPECT_EQ(LogLines().filter(value).size(), 1) << value.toStdString();
  m_window.reset();

  // Half off the screen's corner: moved back on, whole.
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  layout.Set("MainWindow", QString(u"%1,%2,900,700"_s).arg(screen.right() - 300).arg(screen.bottom() - 200).toStdString());
  CreateWindow();
  EXPECT_TRUE(screen.contains(m_window->geometry())) << m_window->geometry().x() << "," << m_window->geometry().y();
  EXPECT_EQ(m_window->size(), QSize(900, 700));
  m_window.reset();

  // Maximised at the close: maximised again, over the place it goes back to.
  layout.Set("MainWindow", "30,40,900,700");
  layout.Set("MainWindowMaximized", "1");
  CreateWindow();
  EXPECT_TRUE(m_window->windowState() & Qt::WindowMaximized);
}

}  // namespace
}  // namespace kelvarin
