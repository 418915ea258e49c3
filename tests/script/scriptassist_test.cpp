// The script page's help with writing: completion, go to line, replace all, find
// all, the status bar's caret place and "not found", occurrence marks and folding.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/cp1251.h"
#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "script/core/bracefold.h"
#include "script/core/scriptcompletion.h"
#include "script/ui/gotolinef.h"
#include "script/ui/linenumbergutter.h"
#include "script/ui/occurrencemarker.h"
#include "script/ui/scriptcompleter.h"
#include "script/ui/scripteditor.h"
#include "script/ui/scriptpage.h"
#include "support/fakeshell.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using Sci = QsciScintillaBase;

std::string Cp(const char* utf8) { return *Utf8ToCp1251(utf8); }

class ScriptAssistTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    m_shell.session.Adopt("zone.mob");
    m_page = std::make_unique<TScriptPage>(m_shell);
    m_page->resize(700, 400);
    m_page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
    m_page->UpdateEditMenu(true);  // the editor is LastEditor
    Ed().setFocus();
  }

  TScriptEditor& Ed() { return *m_page->ScriptEd(); }
  TScriptCompleter& Completer() { return m_page->Completer(); }

  void Open(const char* utf8) {
    m_shell.mob.ScriptText = Cp(utf8);
    m_page->MobToScript();
  }
  // Puts the caret on 0-based `line` at character `column`.
  void Caret(int line, int column) { Ed().GoTo(line, column); }
  long CaretPos() { return Ed().SendScintilla(Sci::SCI_GETCURRENTPOS); }
  QString Line(int line) { return Ed().text(line).remove(u'\n'); }
  // Typed character by character, Cyrillic too (which QTest::keyClicks cannot type).
  void Type(const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, c.unicode() < 0x80 ? int(c.toUpper().unicode()) : 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(&Ed(), &press);
    }
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(&Ed(), Qt::Key(key), mods); }
  void Search(const char* text) { m_shell.settings.SearchStr = Cp(text); }
  void Replace(const char* text, const char* by) {
    Search(text);
    m_shell.settings.RepStr = Cp(by);
    m_shell.settings.MakeReplace = true;
  }
  bool Marked(long position) {
    return Ed().SendScintilla(Sci::SCI_INDICATORVALUEAT, TOccurrenceMarker::kIndicator, position) != 0;
  }

  // Runs `interact` on the modal dialog of type D once it is up.
  template <class D> void WithDialog(std::function<void(D&)> interact) {
    QTimer::singleShot(0, [interact] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      interact(*dialog);
    });
  }

  TFakeShell m_shell;
  std::unique_ptr<TScriptPage> m_page;
};

constexpr const char* kScript =
    "DeclareScript Zone\n"
    "GlobalVars\n"
    "  float sleepy;\n"
    "Script Main\n"
    "{\n"
    "  \n"
    "}\n";

TEST_F(ScriptAssistTest, CompletionOpensAfterThreeLettersAndEnterOrTabTakesTheChoice) {
  Open(kScript);
  Caret(5, 2);
  Type(u"Sl"_s);
  EXPECT_FALSE(Completer().IsActive());
  Type(u"e"_s);
  ASSERT_TRUE(Completer().IsActive());
  // Functions first, then the script's own names.
  EXPECT_EQ(Completer().Entries(), (QStringList{u"Sleep"_s, u"SleepUntil"_s, u"SleepUntilIdle"_s, u"sleepy"_s}));
  Type(u"epu"_s);  // narrows as typing goes on
  EXPECT_EQ(Completer().Entries(), (QStringList{u"SleepUntil"_s, u"SleepUntilIdle"_s}));
  Key(Qt::Key_Return);
  EXPECT_FALSE(Completer().IsActive());
  EXPECT_EQ(Line(5), u"  SleepUntil"_s);
  EXPECT_EQ(Ed().lines(), 8);  // Enter took the entry and started no line

  Type(u"(sle"_s);
  ASSERT_TRUE(Completer().IsActive());
  Key(Qt::Key_Down);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Line(5), u"  SleepUntil(SleepUntil"_s);

  Type(u"; gsg"_s);
  ASSERT_TRUE(Completer().IsActive());
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Completer().IsActive());
  EXPECT_EQ(Line(5), u"  SleepUntil(SleepUntil; gsg"_s);
}

TEST_F(ScriptAssistTest, CompletionStaysAwayWhereItHasNothingToOffer) {
  Open(kScript);
  Caret(5, 2);
  Type(u"// Sleep"_s);  // in a comment
  EXPECT_FALSE(Completer().IsActive());
  Key(Qt::Key_Return);
  Type(u"x = then"_s);  // a word typed in full needs no list: Enter starts a new line
  EXPECT_FALSE(Completer().IsActive());
  Key(Qt::Key_Return);
  EXPECT_EQ(Ed().lines(), 10);
  Type(u"1234 "_s);
  EXPECT_FALSE(Completer().IsActive());
  // Ctrl+Space follows the Edit items: nothing while the editor is not LastEditor.
  m_page->UpdateEditMenu(false);
  Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(Completer().IsActive());
  m_page->UpdateEditMenu(true);
  Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_TRUE(Completer().IsActive());
  EXPECT_EQ(Completer().Entries().size(), 212 + 3 + 12);  // the declared sleepy, Zone and Main
}

TEST_F(ScriptAssistTest, CtrlSpaceInsideGetObjectByNameOffersTheZonesObjectNames) {
  GenerateZone(m_shell.mob, {.records = 120, .seed = 9, .scriptLines = 3});
  m_shell.mob.Units[0].Name2 = Cp("Жёлудь_7");
  m_page->MobToScript();
  Caret(4, 1);  // after "{"
  Key(Qt::Key_Return);
  Type(u"x = GetObjectByName(\"ж"_s);
  Key(Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(Completer().IsActive());
  EXPECT_EQ(Completer().Entries(), QStringList{u"Жёлудь_7"_s});
  Key(Qt::Key_Return);
  EXPECT_EQ(Line(5), u"x = GetObjectByName(\"Жёлудь_7"_s);

  Type(u"\"); y = GetObjectByName(\"orc"_s);  // opens by itself after three letters
  ASSERT_TRUE(Completer().IsActive());
  QStringList expected;
  for (const std::string& name : ObjectNameCompletions(m_shell.mob, "orc")) expected << FromCp1251(name);
  EXPECT_EQ(Completer().Entries(), expected);
  Key(Qt::Key_Escape);

  m_shell.mob.ForEachList([](auto& list) { list.clear(); });  // no records, no names
  Key(Qt::Key_Space, Qt::ControlModifier);
  EXPECT_FALSE(Completer().IsActive());
}

TEST_F(ScriptAssistTest, GoToLineRefusesPlacesOutsideTheScript) {
  Open("first\nвторая строка\nthird\n");
  Caret(2, 1);
  WithDialog<TGoToLineF>([this](TGoToLineF& dialog) {
    EXPECT_EQ(dialog.LineEd()->text(), u"3"_s);  // the caret's line to start with
    for (const QString& bad : {u"5"_s, u"2:15"_s, u"x"_s, u"0"_s}) {
      dialog.LineEd()->setText(bad);
      dialog.GoBut()->click();
      EXPECT_TRUE(dialog.isVisible()) << bad.toStdString();
    }
    const QStringList texts = m_shell.prompts.Texts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[0], u"Номера строк здесь от 1 до 4."_s);
    EXPECT_EQ(texts[1], u"В строке 2 столбцы от 1 до 14."_s);
    dialog.LineEd()->setText(u"2:14"_s);  // the end of the line is a place
    dialog.GoBut()->click();
  });
  Key(Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(Ed().CaretPlace(), (TCaretPlace{2, 14, 0}));

  WithDialog<TGoToLineF>([](TGoToLineF& dialog) {
    dialog.LineEd()->setText(u"1"_s);
    dialog.CancelBut()->click();
  });
  m_page->GoToLine();
  EXPECT_EQ(Ed().CaretPlace().line, 2);
}

TEST_F(ScriptAssistTest, ReplaceAllReplacesEveryMatchAsOneUndoableStep) {
  Open("abc ABC x\nAbc жук ЖУК abcabc");
  ASSERT_FALSE(m_shell.session.Modified());
  Replace("abc", "abcabc");  // holding the search text: each match is replaced once
  Caret(0, 9);               // after "x"
  Key(Qt::Key_H, Qt::ControlModifier);
  EXPECT_EQ(Ed().text(), u"abcabc abcabc x\nabcabc жук ЖУК abcabcabcabc"_s);
  EXPECT_EQ(m_shell.statusMessages.back(), u"Заменено: 5"_s);
  EXPECT_TRUE(m_shell.session.Modified());
  EXPECT_EQ(Ed().CaretPlace(), (TCaretPlace{1, 16, 0}));  // still after "x"
  Ed().undo();
  EXPECT_EQ(Ed().text(), u"abc ABC x\nAbc жук ЖУК abcabc"_s);
  EXPECT_FALSE(Ed().isUndoAvailable());

  Replace("жук", "бук");
  m_page->ReplaceAll();
  EXPECT_EQ(Ed().text(), u"abc ABC x\nAbc бук бук abcabc"_s);
  EXPECT_EQ(m_shell.statusMessages.back(), u"Заменено: 2"_s);

  // The conditions of ReplaceNext.
  const qsizetype messages = m_shell.statusMessages.size();
  m_shell.settings.MakeReplace = false;
  m_page->ReplaceAll();
  m_shell.settings.MakeReplace = true;
  m_shell.settings.RepStr.clear();
  m_page->ReplaceAll();
  EXPECT_EQ(Ed().text(), u"abc ABC x\nAbc бук бук abcabc"_s);
  EXPECT_EQ(m_shell.statusMessages.size(), messages);
}

TEST_F(ScriptAssistTest, ReplaceAllKeepsTheViewWhereItWas) {
  std::string script;
  for (int i = 0; i < 400; ++i) script += "x = alarm;\n";
  Open(script.c_str());
  Ed().SendScintilla(Sci::SCI_SETFIRSTVISIBLELINE, 250UL);
  Caret(260, 0);
  Replace("alarm", "timer");
  m_page->ReplaceAll();
  EXPECT_EQ(m_shell.statusMessages.back(), u"Заменено: 400"_s);
  EXPECT_EQ(Ed().SendScintilla(Sci::SCI_GETFIRSTVISIBLELINE), 250);
  EXPECT_EQ(Ed().CaretPlace(), (TCaretPlace{261, 1, 0}));
}

TEST_F(ScriptAssistTest, SearchesThatFindNothingSaySoInTheStatusBar) {
  Open("abc abc");
  m_page->SearchNext();  // no search text: nothing at all
  EXPECT_TRUE(m_shell.statusMessages.isEmpty());
  Search("abc");
  m_page->SearchNext();
  m_page->SearchNext();
  EXPECT_TRUE(m_shell.statusMessages.isEmpty());
  m_page->SearchNext();  // past the last one
  EXPECT_EQ(m_shell.statusMessages, QStringList{u"Не найдено: abc"_s});
  EXPECT_EQ(Ed().selectedText(), u"abc"_s);  // selection and caret as they were

  Replace("Жук", "x");
  m_page->ReplaceNext();
  m_page->ReplaceAll();
  m_page->FindAll();
  EXPECT_EQ(m_shell.statusMessages.size(), 4);
  EXPECT_EQ(m_shell.statusMessages.back(), u"Не найдено: Жук"_s);
  EXPECT_TRUE(m_shell.results.empty());
}

TEST_F(ScriptAssistTest, FindAllListsEachMatchingLineAndAnEntryLeadsThere) {
  Open("Script Main\n{\n    Sleep(1); sleep(2);\n  x = 1;\n  Жук = SLEEP;\n}");
  Search("sleep");
  m_page->FindAll();
  EXPECT_EQ(m_shell.resultsTitle, u"Найти все «sleep» — строк: 2"_s);
  ASSERT_EQ(m_shell.results.size(), 2u);
  EXPECT_EQ(m_shell.results[0].text, "00003: Sleep(1); sleep(2);");
  EXPECT_EQ(m_shell.results[0].target, (TResultTarget(TScriptPlace{3, 5})));
  EXPECT_EQ(m_shell.results[1].text, "00005: Жук = SLEEP;");
  EXPECT_EQ(m_shell.results[1].target, (TResultTarget(TScriptPlace{5, 9})));

  m_page->ShowPlace(std::get<TScriptPlace>(m_shell.results[1].target));
  EXPECT_EQ(Ed().CaretPlace(), (TCaretPlace{5, 9, 0}));
  m_page->ShowPlace({99, 99});  // an entry the text has outgrown: its nearest place
  EXPECT_EQ(Ed().CaretPlace(), (TCaretPlace{6, 2, 0}));
}

TEST_F(ScriptAssistTest, TheStatusBarShowsTheCaretPlaceInCharacters) {
  Open("Жук abc\nline two");
  auto status = [this] {
    // The editor reports its changes as it repaints: at once, not whenever a
    // busy display gets round to it.
    Ed().viewport()->repaint();
    QApplication::processEvents();
    return m_shell.caretStatus;
  };
  Caret(0, 4);
  EXPECT_EQ(status(), u"Строка 1, столбец 5"_s);
  Ed().SendScintilla(Sci::SCI_SETSEL, 0UL, 7L);  // "Жук " is 7 bytes
  EXPECT_EQ(status(), u"Строка 1, столбец 5, выделено 4"_s);
  Ed().selectAll(true);
  EXPECT_EQ(status(), u"Строка 1, столбец 1, выделено 16"_s);  // the caret at the start
  m_page->hide();  // another page shows
  EXPECT_EQ(m_shell.caretStatus, QString());
  m_page->show();
  EXPECT_FALSE(status().isEmpty());
  m_shell.session.Close();
  m_page->ClearScript();
  EXPECT_EQ(status(), QString());
}

TEST_F(ScriptAssistTest, OccurrencesOfTheWordAtTheCaretAreMarkedOnScreenOnly) {
  std::string script = "timer = Timer + timer2 + \"timer\"; // timer\n";
  for (int i = 0; i < 300; ++i) script += "x = 1;\n";
  script += "timer;\n";
  Open(script.c_str());
  Caret(0, 2);
  QApplication::processEvents();
  EXPECT_EQ(Ed().Occurrences().Word(), "timer");
  EXPECT_TRUE(Marked(0) && Marked(4));
  EXPECT_TRUE(Marked(8));    // Timer
  EXPECT_FALSE(Marked(16));  // timer2
  EXPECT_FALSE(Marked(26));  // in the string
  EXPECT_FALSE(Marked(37));  // in the comment
  const long farLine = Ed().SendScintilla(Sci::SCI_POSITIONFROMLINE, 301UL);
  EXPECT_FALSE(Marked(farLine));  // not on screen
  EXPECT_EQ(Ed().SendScintilla(Sci::SCI_GETSELECTIONEMPTY), 1);  // marks, not a selection

  Caret(301, 1);  // there: marked now, the first line no longer on screen
  QApplication::processEvents();
  EXPECT_TRUE(Marked(farLine));
  EXPECT_FALSE(Marked(0));
  Caret(1, 2);  // between a blank and "=": no word
  QApplication::processEvents();
  EXPECT_EQ(Ed().Occurrences().Word(), "");
  EXPECT_FALSE(Marked(Ed().SendScintilla(Sci::SCI_POSITIONFROMLINE, 0UL)));
}

TEST_F(ScriptAssistTest, BracePairsFoldWithTheLineNumbersFollowing) {
  const char* script =
      "Script Main\n"
      "{\n"
      "  if (x) then {\n"
      "    Sleep(1);\n"
      "  } else {\n"
      "    s = \"{\"; // }\n"
      "  }\n"
      "}\n"
      "x;";
  Open(script);
  Ed().SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
  const std::vector<TLineBraces> braces = BraceFoldLines(Cp(script));
  for (int line = 0; line < Ed().lines(); ++line) {
    const long level = Ed().SendScintilla(Sci::SCI_GETFOLDLEVEL, static_cast<unsigned long>(line));
    EXPECT_EQ((level & Sci::SC_FOLDLEVELNUMBERMASK) - Sci::SC_FOLDLEVELBASE, braces[std::size_t(line)].minDepth) << line;
    EXPECT_EQ((level & Sci::SC_FOLDLEVELHEADERFLAG) != 0, line == 1 || line == 2 || line == 4) << line;
  }
  EXPECT_GT(Ed().marginWidth(TScriptEditor::kFoldMargin), 0);

  Ed().foldLine(1);  // the block of Main: its closing brace stays in view
  for (int line : {2, 3, 4, 5, 6})
    EXPECT_FALSE(Ed().SendScintilla(Sci::SCI_GETLINEVISIBLE, static_cast<unsigned long>(line))) << line;
  EXPECT_TRUE(Ed().SendScintilla(Sci::SCI_GETLINEVISIBLE, 7UL));
  EXPECT_EQ(Ed().Gutter().ShownLines().front(), 0);
  const std::vector<long> shown = Ed().Gutter().ShownLines();
  EXPECT_EQ(std::vector<long>(shown.begin(), shown.begin() + 4), (std::vector<long>{0, 1, 7, 8}));
  EXPECT_EQ(TLineNumberGutter::LineNumberText(8, Ed().lines()), u"00008"_s);

  // An edit that opens a block further up moves the levels below it.
  Ed().foldLine(1);
  Caret(0, 11);
  Type(u" {"_s);
  Ed().SendScintilla(Sci::SCI_COLOURISE, 0UL, -1L);
  EXPECT_EQ(Ed().SendScintilla(Sci::SCI_GETFOLDLEVEL, 8UL) & Sci::SC_FOLDLEVELNUMBERMASK, Sci::SC_FOLDLEVELBASE + 1);
}

}  // namespace
}  // namespace kelvarin
