#include "script/ui/scriptpage.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/cp1251.h"
#include "common/qt/qtext.h"
#include "support/fakeshell.h"
#include "mob/generator.h"
#include "script/ui/keychangerf.h"
#include "script/ui/scripteditor.h"
#include "script/ui/searchrepf.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

std::string Cp(const char* utf8) { return *Utf8ToCp1251(utf8); }

class ScriptPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    m_shell.session.Adopt("zone.mob");
    m_page = std::make_unique<TScriptPage>(m_shell);
    m_page->resize(600, 400);
    m_page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
  }

  TScriptEditor& Ed() { return *m_page->ScriptEd(); }
  QAction& Item(const char* name) { return *m_page->EditMenuItem(QString::fromLatin1(name)); }

  void Open(const std::string& cp1251) {
    m_shell.mob.ScriptText = cp1251;
    m_page->MobToScript();
  }
  // The script as the next save writes it; empty when the save is refused.
  std::string Saved() {
    m_shell.mob.ScriptText = "(unchanged)";
    return m_page->ScriptToMob() ? m_shell.mob.ScriptText : std::string();
  }
  void Search(const char* text) { m_shell.settings.SearchStr = Cp(text); }
  void Replace(const char* text, const char* by) {
    Search(text);
    m_shell.settings.RepStr = Cp(by);
    m_shell.settings.MakeReplace = true;
  }
  QString Selection() { return Ed().selectedText(); }
  int CaretPos() { return int(Ed().SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)); }
  void SetCaret(int pos) { Ed().SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(pos)); }

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

TEST_F(ScriptPageTest, OpenedScriptIsShownUnmodifiedWithNothingToUndo) {
  GenerateZone(m_shell.mob, {.records = 8, .seed = 3, .scriptLines = 50});
  const std::string script = m_shell.mob.ScriptText;
  m_page->MobToScript();
  EXPECT_EQ(Ed().text(), FromCp1251(script));
  EXPECT_EQ(Ed().lines(), 50 + 7);  // header, body, closing brace and the empty last line
  EXPECT_FALSE(Ed().isUndoAvailable());
  EXPECT_FALSE(m_shell.session.Modified());
  EXPECT_EQ(Saved(), script);
}

TEST_F(ScriptPageTest, TypingMarksModifiedAndUndoDoesNotClearIt) {
  Open("Sleep(1);\n");
  Ed().setFocus();
  QTest::keyClicks(&Ed(), u"abc"_s);
  EXPECT_TRUE(m_shell.session.Modified());
  EXPECT_EQ(Ed().text(), u"abcSleep(1);\n"_s);
  m_page->UpdateEditMenu(true);
  Item("UndoMenu").trigger();
  EXPECT_EQ(Ed().text(), u"Sleep(1);\n"_s);
  EXPECT_FALSE(Ed().isUndoAvailable());
  EXPECT_TRUE(m_shell.session.Modified());
}

TEST_F(ScriptPageTest, EveryKindOfLineBreakShowsTheSameLinesAndSavesAsLf) {
  for (const char* script : {"a\nb\n\nc", "a\r\nb\r\n\r\nc", "a\rb\r\rc"}) {
    Open(script);
    EXPECT_EQ(Ed().lines(), 4) << script;
    EXPECT_EQ(Ed().text(2), u"\n"_s) << script;
    EXPECT_EQ(Saved(), "a\nb\n\nc") << script;
  }
  Ed().SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(3), "\r\nd");
  EXPECT_EQ(Saved(), "a\nb\n\nc\nd");
}

TEST_F(ScriptPageTest, EveryByteOfTheScriptSurvivesASave) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    if (b != '\r') all.push_back(char(b));  // NUL and 0x98 included
  Open(all);
  EXPECT_EQ(Saved(), all);
}

TEST_F(ScriptPageTest, ACharacterOutsideCodePage1251RefusesTheSaveNamingWhereItIs) {
  Open("first\nsecond\n");
  Ed().setCursorPosition(1, 3);
  Ed().insert(u"☺"_s);
  EXPECT_EQ(Saved(), "");
  EXPECT_EQ(m_shell.mob.ScriptText, "(unchanged)");
  ASSERT_EQ(m_shell.log.size(), 1);
  EXPECT_TRUE(m_shell.log[0].contains(u"«☺» (U+263A)"_s)) << m_shell.log[0].toStdString();
  EXPECT_TRUE(m_shell.log[0].contains(u"строке 2, столбце 4"_s)) << m_shell.log[0].toStdString();
  EXPECT_EQ(m_shell.logPageShown, 1);
  int line, index;
  Ed().getCursorPosition(&line, &index);
  EXPECT_EQ(line, 1);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(Ed().text(1), u"sec☺ond\n"_s);  // nothing was altered
}

TEST_F(ScriptPageTest, CloseEmptiesTheEditorAndItsHistory) {
  Open("abc");
  Ed().insert(u"x"_s);
  m_page->ClearScript();
  EXPECT_EQ(Ed().text(), QString());
  EXPECT_FALSE(Ed().isUndoAvailable());
}

TEST_F(ScriptPageTest, SearchNextIgnoresCaseGoesForwardAndDoesNotWrap) {
  Open(Cp("abc ABC Жук\naBc жУК"));
  m_page->SearchNext();  // no search text: nothing
  EXPECT_EQ(Selection(), QString());
  Search("abc");
  const QStringList expected = {u"abc"_s, u"ABC"_s, u"aBc"_s};
  for (const QString& match : expected) {
    m_page->SearchNext();
    EXPECT_EQ(Selection(), match);
  }
  const int caret = CaretPos();
  m_page->SearchNext();  // past the last one: selection and caret stay
  EXPECT_EQ(Selection(), u"aBc"_s);
  EXPECT_EQ(CaretPos(), caret);

  Search("жук");
  SetCaret(0);
  m_page->SearchNext();
  EXPECT_EQ(Selection(), u"Жук"_s);
  m_page->SearchNext();
  EXPECT_EQ(Selection(), u"жУК"_s);
}

TEST_F(ScriptPageTest, ReplaceNextReplacesOnceAsOneUndoableStep) {
  Open("a := abc; b := ABC;");
  ASSERT_FALSE(m_shell.session.Modified());
  Replace("abc", "abcabc");
  m_page->ReplaceNext();
  EXPECT_EQ(Ed().text(), u"a := abcabc; b := ABC;"_s);
  EXPECT_EQ(CaretPos(), 11);  // after the replacement, so it is not found again
  EXPECT_TRUE(m_shell.session.Modified());
  m_page->ReplaceNext();
  EXPECT_EQ(Ed().text(), u"a := abcabc; b := abcabc;"_s);
  m_page->ReplaceNext();  // nothing left
  EXPECT_EQ(Ed().text(), u"a := abcabc; b := abcabc;"_s);
  Ed().undo();
  EXPECT_EQ(Ed().text(), u"a := abcabc; b := ABC;"_s);
  Ed().undo();
  EXPECT_EQ(Ed().text(), u"a := abc; b := ABC;"_s);
}

TEST_F(ScriptPageTest, ReplaceNextNeedsSearchTextReplacementAndTheReplaceOption) {
  const struct {
    const char* search;
    const char* replacement;
    bool makeReplace;
  } cases[] = {{"", "x", true}, {"abc", "", true}, {"abc", "x", false}};
  for (const auto& c : cases) {
    Open("abc");
    m_shell.settings.SearchStr = c.search;
    m_shell.settings.RepStr = c.replacement;
    m_shell.settings.MakeReplace = c.makeReplace;
    m_page->ReplaceNext();
    EXPECT_EQ(Ed().text(), u"abc"_s) << c.search << '/' << c.replacement << '/' << c.makeReplace;
  }
}

TEST_F(ScriptPageTest, SearchDialogShowsAndTakesOverTheSettings) {
  Open("one two two");
  m_shell.settings = {};
  m_shell.settings.SearchStr = "zzz";
  m_shell.settings.RepStr = "r";
  WithDialog<TSearchRepF>([](TSearchRepF& dialog) {
    EXPECT_EQ(dialog.SearchEd()->text(), u"zzz"_s);
    EXPECT_FALSE(dialog.RepCB()->isChecked());
    EXPECT_FALSE(dialog.RepEd()->isEnabled());
    dialog.RepCB()->click();
    EXPECT_TRUE(dialog.RepEd()->isEnabled());
    dialog.SearchEd()->setText(u"two"_s);
    dialog.RepEd()->setText(u"2"_s);
    dialog.RepCB()->setFocus();  // Enter accepts wherever the focus is
    QTest::keyClick(dialog.RepCB(), Qt::Key_Return);
  });
  m_page->SearchRepMenuClick();
  EXPECT_EQ(m_shell.settings.SearchStr, "two");
  EXPECT_EQ(m_shell.settings.RepStr, "2");
  EXPECT_TRUE(m_shell.settings.MakeReplace);
  EXPECT_EQ(Ed().text(), u"one 2 two"_s);  // accepted with replace on: one replacement
}

TEST_F(ScriptPageTest, SearchDialogEscapeTakesNothingOver) {
  Open("abc");
  Search("abc");
  WithDialog<TSearchRepF>([](TSearchRepF& dialog) {
    dialog.SearchEd()->setText(u"changed"_s);
    QTest::keyClick(dialog.SearchEd(), Qt::Key_Escape);
  });
  m_page->SearchRepMenuClick();
  EXPECT_EQ(m_shell.settings.SearchStr, "abc");
  EXPECT_EQ(Selection(), QString());  // no search after a cancel
}

TEST_F(ScriptPageTest, SearchDialogWithReplaceAndNoReplacementStoresAndDoesNothing) {
  Open("abc");
  WithDialog<TSearchRepF>([](TSearchRepF& dialog) {
    dialog.SearchEd()->setText(u"abc"_s);
    dialog.RepCB()->setChecked(true);
    dialog.RepEd()->clear();
    QTest::keyClick(dialog.SearchEd(), Qt::Key_Enter, Qt::KeypadModifier);
  });
  m_page->SearchRepMenuClick();
  EXPECT_EQ(m_shell.settings.SearchStr, "abc");
  EXPECT_TRUE(m_shell.settings.MakeReplace);
  EXPECT_EQ(Ed().text(), u"abc"_s);
  EXPECT_EQ(Selection(), QString());
}

TEST_F(ScriptPageTest, SearchDialogRefusesTextThatCodePage1251CannotHold) {
  Open("abc");
  WithDialog<TSearchRepF>([this](TSearchRepF& dialog) {
    dialog.SearchEd()->setText(u"a☺"_s);
    dialog.GoBut()->click();
    EXPECT_TRUE(dialog.isVisible());  // still up, to fix the text
    EXPECT_EQ(m_shell.prompts.Texts().size(), 1);
    dialog.SearchEd()->setText(u"Жук"_s);
    dialog.GoBut()->click();
  });
  m_page->SearchRepMenuClick();
  EXPECT_EQ(m_shell.settings.SearchStr, Cp("Жук"));
}

TEST_F(ScriptPageTest, KeyDialogChangesTheKeyWithoutMarkingTheDocument) {
  Open("abc");
  m_shell.mob.ScriptKey = 0xFFFFFFFFu;
  WithDialog<TKeyChangerF>([this](TKeyChangerF& dialog) {
    EXPECT_EQ(dialog.KeyEditF()->text(), u"-1"_s);  // shown signed
    for (const QString& bad : {u"12x"_s, u"2147483648"_s, u""_s}) {
      dialog.KeyEditF()->setText(bad);
      dialog.OkBut()->click();
      EXPECT_TRUE(dialog.isVisible()) << bad.toStdString();
    }
    ASSERT_EQ(m_shell.prompts.Texts().size(), 3);
    EXPECT_EQ(m_shell.prompts.Records()[0].icon, TPrompts::Icon::Error);
    dialog.KeyEditF()->setText(u" -2147483648 "_s);
    dialog.OkBut()->click();
  });
  m_page->ChangeScriptKey();
  EXPECT_EQ(m_shell.mob.ScriptKey, 0x80000000u);
  EXPECT_FALSE(m_shell.session.Modified());

  WithDialog<TKeyChangerF>([](TKeyChangerF& dialog) {
    dialog.KeyEditF()->setText(u"5"_s);
    dialog.CancelBut()->click();
  });
  m_page->ChangeScriptKey();
  EXPECT_EQ(m_shell.mob.ScriptKey, 0x80000000u);
}

TEST_F(ScriptPageTest, EditMenuKeepsItsElevenItemsFirstAndEnablesOnlyForAUsableLastEditor) {
  QMenu menu;
  m_page->FillEditMenu(&menu);
  const QList<QAction*> items = menu.actions();
  const char* names[] = {"UndoMenu", "RedoMenu", "N2", "CopyMenu", "CutMenu", "PasteMenu",
                         "SelectAllMenu", "N7", "SearchRepMenu", "SearchNextMenu", "ReplaceNextMenu",
                         // the page's own commands, after a separator
                         "N9", "FindAllMenu", "ReplaceAllMenu", "N10", "GoToLineMenu"};
  ASSERT_EQ(items.size(), qsizetype(std::size(names)));
  for (std::size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(items[qsizetype(i)]->objectName(), QString::fromLatin1(names[i]));
  for (int separator : {2, 7, 11, 14}) {
    EXPECT_TRUE(items[separator]->isSeparator());
    EXPECT_TRUE(items[separator]->text().isEmpty());  // no dash drawn
  }
  EXPECT_EQ(items[9]->text(), u"Искать далее                             F3"_s);
  EXPECT_TRUE(items[12]->text().startsWith(u"Найти все"_s));
  EXPECT_TRUE(items[13]->text().startsWith(u"Заменить все"_s) && items[13]->text().endsWith(u"Ctrl+H"_s));
  EXPECT_TRUE(items[15]->text().endsWith(u"Ctrl+G"_s));

  const auto enabledCount = [&] {
    return std::count_if(items.begin(), items.end(), [](QAction* a) { return !a->isSeparator() && a->isEnabled(); });
  };
  m_page->UpdateEditMenu(true);
  EXPECT_EQ(enabledCount(), 12);
  m_page->UpdateEditMenu(false);
  EXPECT_EQ(enabledCount(), 0);
  Ed().setEnabled(false);  // no document, or a load or save running
  m_page->UpdateEditMenu(true);
  EXPECT_EQ(enabledCount(), 0);
}

TEST_F(ScriptPageTest, EditItemsDriveTheEditor) {
  Open("hello");
  m_page->UpdateEditMenu(true);
  Item("SelectAllMenu").trigger();
  EXPECT_EQ(Selection(), u"hello"_s);
  Item("CutMenu").trigger();
  EXPECT_EQ(Ed().text(), QString());
  Item("PasteMenu").trigger();
  Item("PasteMenu").trigger();
  EXPECT_EQ(Ed().text(), u"hellohello"_s);
  Item("UndoMenu").trigger();
  Item("RedoMenu").trigger();
  EXPECT_EQ(Ed().text(), u"hellohello"_s);
  m_shell.settings.SearchStr = "hello";
  SetCaret(1);
  Item("SearchNextMenu").trigger();
  EXPECT_EQ(CaretPos(), 10);
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

// F12 and Ctrl+click on the calls that name placed objects.
class ObjectCallNavigation : public ScriptPageTest {
 protected:
  void SetUp() override {
    ScriptPageTest::SetUp();
    m_shell.mob.Units.resize(2);
    m_shell.mob.Units[0].ObjectID = 4030;
    m_shell.mob.Units[0].ScriptVariableName = "orc_4311";
    m_shell.mob.Units[1].ObjectID = 77;
    m_shell.mob.Levers.resize(1);
    m_shell.mob.Levers[0].ObjectID = 77;  // the same id twice
    Open("Script Main()\n{\n  x = GetObjectByID(4030); y = GetObjectByName(\"orc_4311\");\n"
         "  // GetObjectByID(4030)\n  GetObjectByID(77); GetObjectByID(5);\n}\n");
  }
  // The byte position in the editor of the `nth` occurrence of `text`.
  long PosOf(const char* text, int nth = 0) {
    const QString all = Ed().text();
    qsizetype at = -1;
    for (int i = 0; i <= nth; ++i) at = all.indexOf(QString::fromUtf8(text), at + 1);
    return long(all.left(at).toUtf8().size());
  }
  void PressF12At(long pos) {
    SetCaret(int(pos));
    Ed().setFocus();
    QTest::keyClick(&Ed(), Qt::Key_F12);
  }
};

TEST_F(ObjectCallNavigation, OneRecordIsShownByIdAndByName) {
  PressF12At(PosOf("GetObjectByID(4030)") + 3);
  ASSERT_EQ(m_shell.goneTo.size(), 1u);
  EXPECT_EQ(std::get<TObjRef>(m_shell.goneTo[0].target), (TObjRef{ObjKind::Unit, 0}));

  // Right after the closing bracket still counts; Ctrl+click does the same.
  const long byName = PosOf("GetObjectByName");
  Ed().SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0ul);
  const int x = int(Ed().SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0ul, byName + 2));
  const int y = int(Ed().SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0ul, byName + 2));
  QTest::mouseClick(Ed().viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(x + 1, y + 4));
  ASSERT_EQ(m_shell.goneTo.size(), 2u);
  EXPECT_EQ(std::get<TObjRef>(m_shell.goneTo[1].target), (TObjRef{ObjKind::Unit, 0}));
}

TEST_F(ObjectCallNavigation, NoneAndSeveralAreToldAndSeveralListed) {
  PressF12At(PosOf("GetObjectByID(5)") + 1);
  EXPECT_TRUE(m_shell.goneTo.empty());
  ASSERT_FALSE(m_shell.statusMessages.isEmpty());
  EXPECT_EQ(m_shell.statusMessages.back(), u"Нет объекта с ID 5"_s);

  PressF12At(PosOf("GetObjectByID(77)") + 1);
  EXPECT_TRUE(m_shell.goneTo.empty());
  ASSERT_EQ(m_shell.results.size(), 2u);
  EXPECT_EQ(std::get<TObjRef>(m_shell.results[0].target), (TObjRef{ObjKind::Unit, 1}));
  EXPECT_EQ(std::get<TObjRef>(m_shell.results[1].target), (TObjRef{ObjKind::Lever, 0}));
  EXPECT_TRUE(m_shell.statusMessages.back().startsWith(u"Объектов с ID 77: 2"_s));

  // A call inside a comment is no call; the caret elsewhere neither.
  const std::size_t shown = m_shell.results.size();
  PressF12At(PosOf("GetObjectByID(4030)", 1) + 2);
  PressF12At(PosOf("Main"));
  EXPECT_TRUE(m_shell.goneTo.empty());
  EXPECT_EQ(m_shell.results.size(), shown);
  EXPECT_TRUE(m_shell.statusMessages.back().startsWith(u"Под кареткой нет вызова"_s));
}

TEST_F(ObjectCallNavigation, EditedScriptIsTheEditorsTextAsTheScannersReadIt) {
  Ed().setText(u"a = \"Ω\";\r\nb"_s);
  EXPECT_EQ(m_page->EditedScript(), std::optional<std::string>("a = \"?\";\nb"));
  m_shell.session.Close();
  EXPECT_EQ(m_page->EditedScript(), std::nullopt);
}

}  // namespace
}  // namespace kelvarin
