// What the editor shows a new user at its default size: a script in one
// fixed-width font, an orientation view that costs nothing while still, a
// parameter table that keeps its names in sight, a mass change that says what it
// did, Russian standard dialogs, status messages that go away, and fields a
// screen reader can tell apart.
#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <fstream>
#include <map>

#include "app/ui/qtprompts.h"
#include "app/ui/resultspanel.h"
#include "common/qt/qtext.h"
#include "editor_fixture.h"
#include "masschange/ui/masschangepage.h"
#include "script/ui/linenumbergutter.h"
#include "script/ui/zonescriptlexer.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using test::EditorTest;

// The width the editor draws `text` with in `style`, in pixels.
long TextWidth(TScriptEditor& ed, int style, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return ed.SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, static_cast<unsigned long>(style), utf8.constData());
}

QString TenOf(QChar c) { return QString(10, c); }

TEST_F(EditorTest, ScriptGutterAndLogDrawOneFixedWidthFamily) {
  ShowWindow();
  TScriptEditor& ed = *ScriptEd();
  const QString family = ed.Lexer().font(0).family();
  for (int style = 0; style < TZoneScriptLexer::kStyleCount; ++style) {
    // Every highlighting style keeps the columns: narrow and wide letters of both
    // alphabets take the same room.
    const long width = TextWidth(ed, style, TenOf(u'i'));
    EXPECT_GT(width, 0) << style;
    for (const QChar c : {u'M', u'W', u'0', u'Ж', u'ш'})
      EXPECT_EQ(TextWidth(ed, style, TenOf(c)), width) << "style " << style << " char " << QString(c).toStdString();
    EXPECT_EQ(ed.Lexer().font(style).family(), family) << style;
  }
  // 13 pixels: a line is about that high whatever the family's leading.
  const long lineHeight = ed.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0);
  EXPECT_GE(lineHeight, 13);
  EXPECT_LE(lineHeight, 19);

  const QFont gutter = ed.Gutter().NumberFont();
  EXPECT_EQ(gutter.family(), family);
  EXPECT_EQ(QFontInfo(gutter).pixelSize(), 15);
  EXPECT_EQ(QFontMetrics(gutter).horizontalAdvance(TenOf(u'i')), QFontMetrics(gutter).horizontalAdvance(TenOf(u'M')));

  const QFont log = m_window->LogView()->font();
  EXPECT_EQ(QFontInfo(log).family(), family);
  EXPECT_EQ(QFontInfo(log).pixelSize(), 13);
  EXPECT_EQ(QFontMetrics(log).horizontalAdvance(TenOf(u'i')), QFontMetrics(log).horizontalAdvance(TenOf(u'Ж')));
}

TEST_F(EditorTest, OrientationViewDrawsOnlyWhenItsPictureChanges) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s)));
  // The view is made when its page first shows, and the window stays the window
  // it was (an OpenGL widget would have it made anew, losing its place and focus).
  EXPECT_EQ(Objects()->ObjectOrientator(), nullptr);
  const WId nativeWindow = m_window->winId();
  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  TOrientatorFr* view = Objects()->ObjectOrientator();
  if (!view) GTEST_SKIP() << "no OpenGL context: the view is replaced by its notice";
  QSignalSpy frames(view, &TOrientatorFr::FrameDrawn);
  QTRY_VERIFY(frames.count() > 0);  // shown: drawn once
  EXPECT_EQ(m_window->winId(), nativeWindow);
  const QModelIndex unit = Objects()->TreeModel()->index(0, 0, Objects()->TreeModel()->RootIndex(ObjKind::Unit));
  Objects()->ObjectsTree()->setCurrentIndex(unit);
  // The selection's picture comes when it comes (a sanitized build on a busy
  // machine is slow): wait until the view has been quiet for a moment.
  for (int tries = 0; tries < 20; ++tries) {
    frames.clear();
    QTest::qWait(150);
    if (frames.isEmpty()) break;
  }

  // Still: no frame at all, and coming back to the page shows the last one again.
  frames.clear();
  QTest::qWait(500);
  m_window->Pages()->setCurrentWidget(m_window->ScriptSheet());
  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  QTest::qWait(50);
  EXPECT_EQ(frames.count(), 0);

  // A turn is drawn at once, and the picture changes.
  const QImage before = view->grabFramebuffer();
  const QPointF at(87, 87);
  QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120 * 20), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
  QTRY_VERIFY(frames.count() > 0);
  EXPECT_NE(view->grabFramebuffer(), before);

  // A camera move too.
  frames.clear();
  view->FrameMouseMove(Qt::ControlModifier, Qt::RightButton, 10, 10);
  view->FrameMouseMove(Qt::ControlModifier, Qt::RightButton, 40, 10);
  QTRY_VERIFY(frames.count() > 0);
}

TEST_F(EditorTest, ParameterTableKeepsItsNamesInSightWhileValuesAreEdited) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 200)));
  m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
  QTest::qWait(10);
  TValuesEditor& table = *Table();
  // The starting layout of the default window.
  EXPECT_EQ(Objects()->ObjectsTree()->width(), 320);
  EXPECT_EQ(table.width(), 325);
  EXPECT_EQ(table.columnWidth(0), 150);

  for (const ObjKind kind : {ObjKind::Unit, ObjKind::Trap}) {
    const QModelIndex node = Objects()->TreeModel()->index(0, 0, Objects()->TreeModel()->RootIndex(kind));
    Objects()->ObjectsTree()->setCurrentIndex(node);
    for (int row = 0; row < table.rowCount(); ++row) {
      const QString key = table.Key(row);
      table.scrollToItem(table.item(row, 1));
      QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.visualItemRect(table.item(row, 1)).center());
      ASSERT_NE(table.OpenEditor(), nullptr) << key.toStdString();
      EXPECT_EQ(table.horizontalScrollBar()->value(), 0) << key.toStdString();
      // The name column starts at the left edge and holds the longest name whole.
      const QRect keyCell = table.visualItemRect(table.item(row, 0));
      EXPECT_EQ(keyCell.left(), 0) << key.toStdString();
      const int needed = table.fontMetrics().horizontalAdvance(u"ComplectionStrength"_s) +
                         2 * table.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &table) + 2;
      EXPECT_GE(keyCell.width(), needed);
      // The value cell, and the editor in it, end inside the visible area.
      const QRect editor = table.OpenEditor()->geometry();
      EXPECT_LE(editor.right(), table.viewport()->width() - 1) << key.toStdString();
      EXPECT_GE(editor.width(), 60) << key.toStdString();
      if (auto* button = table.OpenEditor()->findChild<QToolButton*>()) {
        const QRect inViewport(button->mapTo(table.viewport(), QPoint(0, 0)), button->size());
        EXPECT_TRUE(table.viewport()->rect().contains(inViewport)) << key.toStdString();
        EXPECT_TRUE(editor.contains(inViewport)) << key.toStdString();
      }
    }
  }
}

TEST_F(EditorTest, MassChangeEndsWithItsSummaryInTheLogAndTheStatusBar) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 80)));
  const qsizetype units = qsizetype(m_state->TheMob.Units.size());
  const qsizetype levers = qsizetype(m_state->TheMob.Levers.size());
  ASSERT_GT(units, 0);
  m_window->Pages()->setCurrentWidget(m_window->MassChangesSheet());

  // Criteria that select nothing say so.
  Find<QCheckBox>("MC_KR_Type_UnitCB")->setChecked(true);
  Find<QLineEdit>("MC_KR_Param_Name2Ed")->setText(u"no such name"_s);
  qsizetype from = LogLines().size();
  Find<QPushButton>("MC_GoBut")->click();
  const QString nothing = u"Итог: под критерии не попал ни один объект."_s;
  EXPECT_EQ(LogLinesFrom(from).mid(LogLinesFrom(from).size() - 2),
            (QStringList{u"Массовые изменения успешно завершены."_s, nothing}));
  EXPECT_EQ(m_window->statusBar()->currentMessage(), nothing);

  // A delete of every unit and lever counts them.
  Find<QLineEdit>("MC_KR_Param_Name2Ed")->clear();
  Find<QCheckBox>("MC_KR_Type_LeverCB")->setChecked(true);
  Find<QRadioButton>("MC_AS_Obj_DelRB")->setChecked(true);
  from = LogLines().size();
  Find<QPushButton>("MC_GoBut")->click();
  QString kinds = u"юнитов %1"_s.arg(units);
  if (levers > 0) kinds += u", рычагов %1"_s.arg(levers);
  const QString summary = u"Итог: отобрано %1 (%2); удалено %1."_s.arg(units + levers).arg(kinds);
  EXPECT_EQ(LogLinesFrom(from).last(), summary);
  EXPECT_EQ(m_window->statusBar()->currentMessage(), summary);
  EXPECT_TRUE(m_state->TheMob.Units.empty());
}

TEST_F(EditorTest, StandardDialogsSpeakRussian) {
  ASSERT_TRUE(InstallQtTranslations());
  ShowWindow();
  TQtPrompts prompts(m_window.get());
  QStringList buttons;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* b : box->buttons()) buttons << b->text().remove(u'&');
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(prompts.AskYesNoCancel(u"Сохранить?"_s, TPrompts::Icon::Question), TPrompts::Answer::Cancel);
  buttons.sort();
  EXPECT_EQ(buttons, (QStringList{u"Да"_s, u"Нет"_s, u"Отмена"_s}));

  // The file dialog is Qt's own here (no desktop dialog under test): its labels
  // and buttons are translated too.
  QStringList texts;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) texts << b->text();
    dialog->reject();
  });
  prompts.ChooseOpenFile(m_dir.path());
  EXPECT_FALSE(texts.isEmpty());
  for (const QString& english : {u"Look in:"_s, u"File name:"_s, u"&Open"_s, u"Cancel"_s})
    EXPECT_FALSE(texts.contains(english)) << english.toStdString();
  EXPECT_TRUE(texts.contains(u"Отмена"_s)) << texts.join(u" | "_s).toStdString();
}

TEST_F(EditorTest, StatusMessagesGoAfterTenSeconds) {
  ShowWindow();
  EXPECT_EQ(m_window->StatusMessageMs(), 10'000);
  // The same rule with a shorter stay: the message lasts it out, then goes.
  constexpr int kStayMs = 300;
  m_window->SetStatusMessageMs(kStayMs);
  QElapsedTimer shown;
  shown.start();
  m_window->ShowStatusMessage(u"сообщение"_s);
  EXPECT_EQ(m_window->statusBar()->currentMessage(), u"сообщение"_s);
  QTRY_VERIFY_WITH_TIMEOUT(m_window->statusBar()->currentMessage().isEmpty(), 5'000);
  EXPECT_GE(shown.elapsed(), kStayMs - 20);
}

TEST_F(EditorTest, EveryMassChangeFieldHasANameOfItsOwn) {
  ShowWindow();
  auto* page = m_window->findChild<TMassChangePage*>();
  ASSERT_NE(page, nullptr);
  std::map<QString, QStringList> namesByGroup;
  for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
    ASSERT_NE(accessible, nullptr);
    const QString name = accessible->text(QAccessible::Name);
    const QString id = edit->objectName();
    auto* group = qobject_cast<QGroupBox*>(edit->parentWidget());
    ASSERT_NE(group, nullptr) << id.toStdString();
    EXPECT_FALSE(name.isEmpty()) << id.toStdString();
    EXPECT_NE(name, group->title()) << id.toStdString();
    namesByGroup[group->objectName()] << name;
  }
  EXPECT_EQ(namesByGroup.size(), 4u);  // the kinds group has no fields
  for (auto& [group, names] : namesByGroup) {
    const qsizetype count = names.size();
    names.removeDuplicates();
    EXPECT_EQ(names.size(), count) << group.toStdString() << ": " << names.join(u", "_s).toStdString();
  }
  EXPECT_EQ(Find<QLineEdit>("MC_KR_Param_Name1Ed")->accessibleName(), u"Prototype"_s);
  EXPECT_EQ(Find<QLineEdit>("MC_KR_Coords_Krug_RadEd")->accessibleName(), u"Радиус"_s);
  EXPECT_EQ(Find<QLineEdit>("MC_AS_Params_OffsetYEd")->accessibleName(), u"Y"_s);
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using test::EditorTest;

TEST_F(EditorTest, ZoneCheckListsFindingsThatLeadToTheScriptAndTheRecord) {
  ShowWindow();
  ASSERT_TRUE(m_window->OpenMob(MakeZone(u"zone.mob"_s, 80)));
  TMob& mob = m_state->TheMob;
  ASSERT_GE(mob.Objects.size(), 2u);
  mob.Objects[1].ObjectID = mob.Objects[0].ObjectID;  // a duplicate
  ScriptEd()->setText(ScriptEd()->text() + u"\nGetObjectByID(-777);\n"_s);  // edited, not saved

  Find<QAction>("CheckZoneMenu")->trigger();
  const auto& entries = m_window->Results()->Entries();
  const auto byCode = [&](const char* code) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const TResultEntry& e) { return e.text.find(code) != std::string::npos; });
  };
  const auto duplicate = byCode("[duplicate-id]");
  const auto dangling = byCode("[dangling-id]");
  ASSERT_NE(duplicate, entries.end());
  ASSERT_NE(dangling, entries.end());
  EXPECT_EQ(duplicate->severity, TSeverity::Error);
  EXPECT_TRUE(m_window->statusBar()->currentMessage().startsWith(u"Проверка зоны: ошибок"_s));

  const TResultEntry record = *duplicate;
  const TResultEntry place = *dangling;
  m_window->GoToResult(record);
  EXPECT_EQ(m_window->Pages()->currentWidget(), m_window->ObjectsSheet());
  EXPECT_EQ(Objects()->ShownRecord(), std::get<TObjRef>(record.target));
  m_window->GoToResult(place);
  EXPECT_EQ(m_window->Pages()->currentWidget(), m_window->ScriptSheet());
  EXPECT_EQ(long(ScriptEd()->CaretPlace().line), long(std::get<TScriptPlace>(place.target).line));
}

// The zone as edited, a parameter still being typed and the script's unsaved
// text included, against the file it was opened from.
TEST_F(EditorTest, CompareWithFileListsTheEditsAndLeadsToThem) {
  ShowWindow();
  const QString zone = MakeZone(u"zone.mob"_s, 80);
  ASSERT_TRUE(m_window->OpenMob(zone));
  const std::int32_t lever = m_state->TheMob.Levers[0].ObjectID;
  const std::int32_t before = m_state->TheMob.Levers[0].Key;
  ScriptEd()->setText(ScriptEd()->text() + u"Новая строка;"_s);
  TypeParameter(ObjKind::Lever, u"Key"_s, u"31337"_s);

  m_prompts.ChooseFile(zone);
  Find<QAction>("CompareWithFileMenu")->trigger();
  const auto& entries = m_window->Results()->Entries();
  ASSERT_EQ(entries.size(), 2u) << (entries.empty() ? "" : entries[0].text);
  EXPECT_EQ(entries[0].text, "Рычаги " + std::to_string(lever) + ": Key: в зоне 31337, в файле " + std::to_string(before));
  EXPECT_EQ(entries[0].target, TResultTarget(TObjRef{ObjKind::Lever, 0}));
  EXPECT_NE(entries[1].text.find(": только в зоне: Новая строка;"), std::string::npos) << entries[1].text;
  EXPECT_EQ(m_window->statusBar()->currentMessage(), u"Отличия от файла zone.mob: 2"_s);

  const TResultEntry line = entries[1];
  m_window->GoToResult(line);
  EXPECT_EQ(m_window->Pages()->currentWidget(), m_window->ScriptSheet());
  EXPECT_EQ(long(ScriptEd()->CaretPlace().line), long(std::get<TScriptPlace>(line.target).line));

  // A file that is no zone: its load lines go to the log, the list stays.
  std::ofstream(ToUtf8(TempPath(u"text.mob"_s))) << "no zone";
  m_prompts.ChooseFile(TempPath(u"text.mob"_s));
  Find<QAction>("CompareWithFileMenu")->trigger();
  EXPECT_EQ(m_window->Results()->Entries().size(), 2u);
  EXPECT_EQ(m_window->Pages()->currentWidget()->objectName(), u"LogSh"_s);
  EXPECT_TRUE(m_window->statusBar()->currentMessage().startsWith(u"Не удалось прочитать"_s));

  // Nothing while the busy lock is held.
  m_window->LockControls();
  Find<QAction>("CompareWithFileMenu")->trigger();
  m_window->UnlockControls();
  EXPECT_EQ(m_prompts.RecordsOf(TScriptedPrompts::Kind::OpenFile).size(), 2u);
}

}  // namespace
}  // namespace kelvarin
