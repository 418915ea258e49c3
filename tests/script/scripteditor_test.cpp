#include "script/ui/scripteditor.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "support/fakeshell.h"
#include "script/ui/linenumbergutter.h"
#include "script/ui/zonescriptlexer.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;
using K = TtkTokenKind;

class ScriptEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ed.resize(600, 300);
    m_ed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_ed));
    m_ed.setFocus();
  }
  void Load(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    m_ed.LoadText({utf8.constData(), std::size_t(utf8.size())});
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&m_ed, key, mods);
    QTest::qWait(50);  // lets the trim of a left line run
  }
  QString Line(int line) { return m_ed.text(line).remove(u'\n'); }
  std::string Styles() {
    m_ed.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    return ShownStyles();
  }
  // The styles as the editor holds them now, without styling anything first.
  std::string ShownStyles() {
    std::string styles;
    const long length = m_ed.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    for (long pos = 0; pos < length; ++pos)
      styles.push_back(char('0' + m_ed.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, static_cast<unsigned long>(pos))));
    return styles;
  }

  struct App {
    App() { EnsureApplication(); }
  } m_app;
  TScriptEditor m_ed;
};

char S(K kind) { return char('0' + TZoneScriptLexer::StyleOf(kind)); }
std::string Span(K kind, std::size_t bytes) { return std::string(bytes, S(kind)); }

TEST_F(ScriptEditorTest, StylesFollowTheScannerPerCharacterAcrossUtf8Bytes) {
  // "Жук" is three characters of two bytes each in the editor.
  Load(u"Жук(1) \"Жук\" // Жук\nGetX2"_s);
  const std::string expected = Span(K::tkUnknown, 6) + Span(K::tkSkobki, 1) + Span(K::tkNumber, 1) +
                               Span(K::tkSkobki, 1) + Span(K::tkUnknown, 1) + Span(K::tkStringValues, 8) +
                               Span(K::tkUnknown, 1) + Span(K::tkComment, 9) + Span(K::tkUnknown, 1) +
                               Span(K::tkFunctions, 5);
  EXPECT_EQ(Styles(), expected);
}

TEST_F(ScriptEditorTest, TheSameTextGetsTheSameStylesHoweverItArrived) {
  // Cyrillic before the keywords, and braces: the fold levels set while the
  // text is styled make the editor lay lines out and ask for styles again.
  const QString text =
      u"// Зона: начало\nDeclareScript Zone\nGlobalVars\n  float alarm; // тревога\n"
      u"Script Main\n{\n  if (IsAlive(GetObjectByID(7))) then\n  {\n    Sleep(10);\n  }\n}\n"_s;
  Load(text);
  m_ed.repaint();  // styled for the paint, as a file opens
  const std::string opened = ShownStyles();

  // Styled afresh as a whole, and typed in one character at a time with a paint
  // after each.
  m_ed.SendScintilla(QsciScintillaBase::SCI_CLEARDOCUMENTSTYLE);
  EXPECT_EQ(Styles(), opened);
  Load(QString());
  for (const QChar c : text) {
    const QByteArray utf8 = QString(c).toUtf8();
    m_ed.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.constData());
    m_ed.repaint();
  }
  EXPECT_EQ(ShownStyles(), opened);
  // And what the scanner says of the opening lines.
  const std::size_t comment = QStringView(u"// Зона: начало").toUtf8().size();
  EXPECT_EQ(opened.substr(0, comment + 1 + 13), Span(K::tkComment, comment) + Span(K::tkUnknown, 1) + Span(K::tkKey, 13));
}

TEST_F(ScriptEditorTest, AttributesAreTheSourceOfTheStyles) {
  TZoneScriptLexer& lexer = m_ed.Lexer();
  const int number = TZoneScriptLexer::StyleOf(K::tkNumber);
  EXPECT_EQ(lexer.description(number), u"Number"_s);
  EXPECT_EQ(lexer.color(number), QColor(255, 0, 255));
  EXPECT_TRUE(lexer.font(number).bold());
  EXPECT_TRUE(lexer.font(TZoneScriptLexer::StyleOf(K::tkComment)).italic());
  lexer.Syn().NumberAttri().SetForeground(TRgb{1, 2, 3});
  lexer.Syn().NumberAttri().SetStyle(fsItalic);
  EXPECT_EQ(lexer.color(number), QColor(1, 2, 3));
  EXPECT_EQ(QColor(QRgb(m_ed.SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, number))).rgb() & 0xFFFFFF,
            QColor(3, 2, 1).rgb() & 0xFFFFFF);  // Scintilla keeps BGR
  EXPECT_FALSE(lexer.font(number).bold());
}

TEST_F(ScriptEditorTest, NewLineKeepsTheIndentationOfTheLineAbove) {
  Load(u"\t  if x\nz"_s);
  m_ed.setCursorPosition(0, 7);
  Key(Qt::Key_Return);
  QTest::keyClicks(&m_ed, u"y"_s);
  EXPECT_EQ(Line(1), u"\t  y"_s);
  m_ed.undo();
  m_ed.undo();  // typing, then the new line with its indentation as one step
  EXPECT_EQ(m_ed.text(), u"\t  if x\nz"_s);
}

TEST_F(ScriptEditorTest, TabLinesUpWithTheNextWordOfTheLineAbove) {
  Load(u"Sleep  (GetX  (u));\n\nab"_s);
  m_ed.setCursorPosition(2, 2);
  Key(Qt::Key_Tab);  // skips the blank line: under "(GetX"
  EXPECT_EQ(Line(2), u"ab     "_s);
  Key(Qt::Key_Tab);  // under "(u));"
  EXPECT_EQ(Line(2), u"ab            "_s);
  Key(Qt::Key_Tab);  // nothing further up the line above: an ordinary tab
  EXPECT_EQ(Line(2), u"ab            \t"_s);
}

TEST_F(ScriptEditorTest, BackspaceInTheIndentationGoesBackToAnEarlierIndent) {
  Load(u"a\n  b\n      c\n      "_s);
  m_ed.setCursorPosition(3, 6);
  Key(Qt::Key_Backspace);
  EXPECT_EQ(m_ed.text(3), u"  "_s);
  Key(Qt::Key_Backspace);
  EXPECT_EQ(m_ed.text(3), QString());
  Load(u"  x = y"_s);  // a non-blank left of the caret: one character
  m_ed.setCursorPosition(0, 4);
  Key(Qt::Key_Backspace);
  EXPECT_EQ(m_ed.text(0), u"  x= y"_s);
}

TEST_F(ScriptEditorTest, TrailingBlanksOfEditedLinesGoWhenTheCaretLeaves) {
  Load(u"keep   \nedit\nlast"_s);
  m_ed.setCursorPosition(1, 4);
  QTest::keyClicks(&m_ed, u"ed  "_s);
  QCoreApplication::processEvents();
  EXPECT_EQ(Line(1), u"edited  "_s);  // the caret is still on it
  Key(Qt::Key_Down);
  EXPECT_EQ(Line(1), u"edited"_s);
  EXPECT_EQ(Line(0), u"keep   "_s);  // never edited, kept as loaded

  m_ed.setCursorPosition(2, 4);
  QTest::keyClicks(&m_ed, u"  "_s);
  Key(Qt::Key_Return);  // the split line loses its blanks, the new one keeps the indent
  EXPECT_EQ(Line(2), u"last"_s);
}

TEST_F(ScriptEditorTest, LoadingIsNoChangeAndEmptiesTheUndoHistory) {
  QSignalSpy changed(&m_ed, &TScriptEditor::Changed);
  Load(u"a\nb"_s);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_FALSE(m_ed.isUndoAvailable());
  int line, index;
  m_ed.getCursorPosition(&line, &index);
  EXPECT_EQ(line, 0);
  EXPECT_EQ(index, 0);
  QTest::keyClicks(&m_ed, u"x"_s);
  EXPECT_EQ(changed.count(), 1);
  m_ed.undo();
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(ScriptEditorTest, ContextHelpIsOnCtrlF1) {
  QSignalSpy help(&m_ed, &TScriptEditor::ContextHelpRequested);
  Load(u"Sleep(1)"_s);
  m_ed.setCursorPosition(0, 2);
  Key(Qt::Key_F1);
  EXPECT_EQ(help.count(), 0);
  Key(Qt::Key_F1, Qt::ControlModifier);
  ASSERT_EQ(help.count(), 1);
  EXPECT_EQ(help[0][0].toString(), u"Sleep"_s);
}

TEST_F(ScriptEditorTest, GutterNumbersHaveLeadingZerosAndAtLeastFiveDigits) {
  EXPECT_EQ(TLineNumberGutter::LineNumberText(1, 1), u"00001"_s);
  EXPECT_EQ(TLineNumberGutter::LineNumberText(42, 99999), u"00042"_s);
  EXPECT_EQ(TLineNumberGutter::LineNumberText(7, 100000), u"000007"_s);
  Load(QString(100000, u'\n'));
  EXPECT_EQ(m_ed.Gutter().DigitCount(), 6);
  EXPECT_GT(m_ed.marginWidth(0), 0);
  EXPECT_EQ(m_ed.Gutter().geometry().width(), m_ed.marginWidth(0));
}

TEST_F(ScriptEditorTest, FontIsThirteenPixelsMonospaced) {
  // Measured as the editor draws: a run of narrow letters is as wide as a run of
  // wide ones, whatever fonts the machine has.
  const auto width = [&](const char* utf8) {
    return m_ed.SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH, 0ul, utf8);
  };
  EXPECT_GT(width("iiiiiiiiii"), 0);
  EXPECT_EQ(width("iiiiiiiiii"), width("MMMMMMMMMM"));
  const long height = m_ed.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0);
  EXPECT_GE(height, 13);
  EXPECT_LE(height, 19);
}

}  // namespace
}  // namespace kelvarin
