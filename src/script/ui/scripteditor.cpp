#include "script/ui/scripteditor.h"

#include <QAccessibleWidget>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include "common/qt/fixedpitchfont.h"
#include "script/ui/linenumbergutter.h"
#include "script/ui/occurrencemarker.h"
#include "script/ui/zonescriptlexer.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

constexpr int kEditorPixels = 13;
constexpr int kGutterPixels = 15;

// QScintilla sizes its styles in points: give it the points that make `pixels`
// on this screen.
QFont InPoints(QFont font, int pixels) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  font.setPointSizeF(pixels * 72.0 / dpi);
  return font;
}

bool IsBlank(long c) { return c == ' ' || c == '\t'; }

// QScintilla's accessibility object converts the caret's byte position into a
// character offset from the start of the text at every scroll and repaint: with the
// caret near the end of a 100,000-line script each scroll step took 50-80 ms. The
// script editor gets a plain accessible widget instead (role and name, no text).
QAccessibleInterface* PlainAccessibleEditor(const QString& className, QObject* object) {
  if (className != QLatin1String(TScriptEditor::staticMetaObject.className())) return nullptr;
  auto* widget = qobject_cast<QWidget*>(object);
  return widget ? new QAccessibleWidget(widget, QAccessible::EditableText) : nullptr;
}

}  // namespace

TScriptEditor::TScriptEditor(QWidget* parent) : QsciScintilla(parent) {
  static const bool accessibleInstalled = [] {
    QAccessible::installFactory(PlainAccessibleEditor);
    return true;
  }();
  Q_UNUSED(accessibleInstalled);
  setObjectName(u"ScriptEd"_s);
  setUtf8(true);
  setEolMode(EolUnix);
  SendScintilla(SCI_SETPASTECONVERTENDINGS, 1);
  SendScintilla(SCI_SETENDATLASTLINE, 0L);                         // scroll past the last line
  SendScintilla(SCI_SETVIRTUALSPACEOPTIONS, SCVS_USERACCESSIBLE);  // caret past the line end
  // Typing coalesces into one undo step per run and drag and drop moves text:
  // both are Scintilla's own behaviour.
  // Redo answers Shift+Ctrl+Z, the key its menu item shows, besides Ctrl+Y.
  if (QsciCommand* redo = standardCommands()->find(QsciCommand::Redo))
    redo->setAlternateKey(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z).toCombined());

  // Every style draws the one fixed-width family, so columns line up whatever the
  // highlighting.
  const QFont font = InPoints(FixedPitchFont(kEditorPixels), kEditorPixels);
  m_lexer = new TZoneScriptLexer(font, this);
  setLexer(m_lexer);
  m_gutter = new TLineNumberGutter(*this, FixedPitchFont(kGutterPixels));
  // The lexer sets the fold levels; the margin right of the numbers shows them.
  setFolding(BoxedTreeFoldStyle, kFoldMargin);
  // Scintilla itself unfolds a block whose header goes or that an edit reaches;
  // level changes need not reach the widget then, one signal per line styled.
  Sci(SCI_SETAUTOMATICFOLD, SC_AUTOMATICFOLD_SHOW | SC_AUTOMATICFOLD_CHANGE);
  Sci(SCI_SETMODEVENTMASK, Sci(SCI_GETMODEVENTMASK) & ~SC_MOD_CHANGEFOLD);
  m_occurrences = new TOccurrenceMarker(*this);
  setMatchedBraceBackgroundColor(QColor(180, 230, 180));
  setUnmatchedBraceBackgroundColor(QColor(255, 190, 190));
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
    if (updated & (SC_UPDATE_CONTENT | SC_UPDATE_SELECTION)) MatchBraces();
  });

  connect(this, &QsciScintilla::textChanged, this, [this] {
    if (!m_loading) emit Changed();
  });
  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int position, int type, const char*, int, int linesAdded) {
            TrackModification(position, type, linesAdded);
          });
  connect(this, &QsciScintilla::cursorPositionChanged, this, [this](int line, int) {
    const bool leftEditedLine = std::any_of(m_editedLines.begin(), m_editedLines.end(), [&](int l) { return l != line; });
    if (leftEditedLine && !m_trimQueued) {
      // Not from inside Scintilla's own notification: the trim edits the text.
      m_trimQueued = true;
      QTimer::singleShot(0, this, &TScriptEditor::TrimEditedLines);
    }
  });
  // While the thumb is dragged, a tip names the line that will be on top.
  connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, [this](int value) {
    const long line = Sci(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(value));  // folds hide lines
    QToolTip::showText(QCursor::pos(), u"Верхняя строка: %1"_s
                                           .arg(TLineNumberGutter::LineNumberText(int(line) + 1, lines())),
                       this);
  });
}

void TScriptEditor::LoadText(std::string_view utf8) {
  m_loading = true;
  m_editedLines.clear();
  Sci(SCI_SETUNDOCOLLECTION, 0);
  Sci(SCI_CLEARALL);
  // With its length, so a NUL character does not end the text.
  SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
  Sci(SCI_SETUNDOCOLLECTION, 1);
  Sci(SCI_EMPTYUNDOBUFFER);
  Sci(SCI_SETSAVEPOINT);
  Sci(SCI_GOTOPOS, 0);
  Sci(SCI_SETFIRSTVISIBLELINE, 0);
  Sci(SCI_SETXOFFSET, 0);
  m_loading = false;
}

std::string_view TScriptEditor::TextView() const {
  const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
  return {text, std::size_t(Sci(SCI_GETLENGTH))};
}

void TScriptEditor::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods =
      event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  // While a completion list is open, Enter and Tab take its entry and Backspace
  // narrows it again: Scintilla's own handling.
  if (Sci(SCI_AUTOCACTIVE)) return QsciScintilla::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_F1:
      // Context help answers Ctrl+F1; plain F1 is left to the window.
      if (mods == Qt::ControlModifier) {
        int line, index;
        getCursorPosition(&line, &index);
        emit ContextHelpRequested(wordAtLineIndex(line, index));
        event->accept();
      } else {
        event->ignore();
      }
      return;
    case Qt::Key_Tab:
      if (mods == Qt::NoModifier && !hasSelectedText() && !isReadOnly() && SmartTab()) return event->accept();
      break;
    case Qt::Key_Backspace:
      if (mods == Qt::NoModifier && !hasSelectedText() && !isReadOnly() && SmartTabDelete()) return event->accept();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if ((mods == Qt::NoModifier || mods == Qt::ShiftModifier) && !isReadOnly()) return NewLineKeepingIndent(event);
      break;
    default:
      break;
  }
  QsciScintilla::keyPressEvent(event);
}

bool TScriptEditor::IsBlankAt(long position) const { return IsBlank(Sci(SCI_GETCHARAT, static_cast<unsigned long>(position))); }

// Tab moves the caret under the start of the next word of the nearest non-blank
// line above, filling with blanks; without such a word it is an ordinary Tab.
bool TScriptEditor::SmartTab() {
  const long caret = Sci(SCI_GETCURRENTPOS);
  const long line = Sci(SCI_LINEFROMPOSITION, caret);
  const long column = Sci(SCI_GETCOLUMN, caret) + Sci(SCI_GETSELECTIONNCARETVIRTUALSPACE, 0);
  for (long above = line - 1; above >= 0; --above) {
    const long end = Sci(SCI_GETLINEENDPOSITION, above);
    if (Sci(SCI_GETLINEINDENTPOSITION, above) >= end) continue;  // blank line: look further up
    long pos = Sci(SCI_FINDCOLUMN, above, column);
    if (Sci(SCI_GETCOLUMN, pos) < column) return false;  // the line above ends left of the caret
    while (pos < end && !IsBlankAt(pos)) pos = Sci(SCI_POSITIONAFTER, pos);
    while (pos < end && IsBlankAt(pos)) pos = Sci(SCI_POSITIONAFTER, pos);
    if (pos >= end) return false;
    // The blanks also fill any virtual space the caret stands in.
    const long fill = Sci(SCI_GETCOLUMN, pos) - Sci(SCI_GETCOLUMN, caret);
    Sci(SCI_SETEMPTYSELECTION, caret);
    const std::string blanks(std::size_t(fill), ' ');
    SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(blanks.size()), blanks.c_str());
    return true;
  }
  return false;
}

// Backspace with only blanks left of the caret goes back to the indentation of the
// nearest line above that is indented less, or to the line start.
bool TScriptEditor::SmartTabDelete() {
  const long caret = Sci(SCI_GETCURRENTPOS);
  const long line = Sci(SCI_LINEFROMPOSITION, caret);
  const long start = Sci(SCI_POSITIONFROMLINE, line);
  if (caret == start || Sci(SCI_GETSELECTIONNCARETVIRTUALSPACE, 0) > 0) return false;
  for (long pos = start; pos < caret; ++pos)
    if (!IsBlankAt(pos)) return false;
  const long column = Sci(SCI_GETCOLUMN, caret);
  long target = 0;
  for (long above = line - 1; above >= 0; --above) {
    if (Sci(SCI_GETLINEINDENTPOSITION, above) >= Sci(SCI_GETLINEENDPOSITION, above)) continue;
    const long indent = Sci(SCI_GETLINEINDENTATION, above);
    if (indent < column) {
      target = indent;
      break;
    }
  }
  const long from = Sci(SCI_FINDCOLUMN, line, target);
  Sci(SCI_DELETERANGE, static_cast<unsigned long>(from), caret - from);
  return true;
}

// The new line starts with the blanks that begin the line it was split from.
void TScriptEditor::NewLineKeepingIndent(QKeyEvent* event) {
  beginUndoAction();
  QsciScintilla::keyPressEvent(event);
  const long line = Sci(SCI_LINEFROMPOSITION, Sci(SCI_GETCURRENTPOS));
  if (line > 0) {
    const long start = Sci(SCI_POSITIONFROMLINE, line - 1);
    const long end = Sci(SCI_GETLINEENDPOSITION, line - 1);
    std::string indent;
    for (long pos = start; pos < end && IsBlankAt(pos); ++pos) indent.push_back(char(Sci(SCI_GETCHARAT, pos)));
    if (!indent.empty()) SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(indent.size()), indent.c_str());
  }
  endUndoAction();
}

void TScriptEditor::TrackModification(int position, int type, int linesAdded) {
  if (type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT)) ++m_version;
  if (m_loading || m_trimming || !(type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))) return;
  const int line = int(Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position)));
  for (int& edited : m_editedLines) {
    if (linesAdded > 0 && edited > line) edited += linesAdded;
    if (linesAdded < 0 && edited > line) edited = std::max(line, edited + linesAdded);
  }
  if ((type & SC_PERFORMED_USER) && std::find(m_editedLines.begin(), m_editedLines.end(), line) == m_editedLines.end())
    m_editedLines.push_back(line);
}

void TScriptEditor::TrimEditedLines() {
  m_trimQueued = false;
  int caretLine, index;
  getCursorPosition(&caretLine, &index);
  std::vector<int> lines;
  std::swap(lines, m_editedLines);
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  m_trimming = true;
  bool grouped = false;
  for (int line : lines) {
    if (line == caretLine) {
      m_editedLines.push_back(line);
      continue;
    }
    if (line >= this->lines()) continue;
    const long start = Sci(SCI_POSITIONFROMLINE, line);
    const long end = Sci(SCI_GETLINEENDPOSITION, line);
    long from = end;
    while (from > start && IsBlankAt(from - 1)) --from;
    if (from == end) continue;
    if (!grouped) beginUndoAction();
    grouped = true;
    Sci(SCI_DELETERANGE, static_cast<unsigned long>(from), end - from);
  }
  if (grouped) endUndoAction();
  m_trimming = false;
}

long TScriptEditor::CharactersIn(long from, long to) const {
  if (to <= from) return 0;
  // Every byte that does not continue a UTF-8 sequence starts a character. A
  // plain loop over the bytes, many times faster than Scintilla's own count,
  // which steps from character to character.
  const auto* bytes = reinterpret_cast<const unsigned char*>(
      SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
  long count = 0;
  for (long i = 0; i < to - from; ++i) count += (bytes[i] & 0xC0) != 0x80;
  return count;
}

TCaretPlace TScriptEditor::CaretPlace() const {
  const long caret = Sci(SCI_GETCURRENTPOS);
  const long line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
  TCaretPlace place;
  place.line = line + 1;
  place.column = 1 + CharactersIn(Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)), caret) +
                 Sci(SCI_GETSELECTIONNCARETVIRTUALSPACE, 0);
  // A selection grown or shrunk at one end is counted by what changed there, so
  // Shift+arrows on a large selection do not count it all again.
  const long from = Sci(SCI_GETSELECTIONSTART), to = Sci(SCI_GETSELECTIONEND);
  Counted& last = m_counted;
  if (from == last.from && to != last.to)
    last.chars += to > last.to ? CharactersIn(last.to, to) : -CharactersIn(to, last.to);
  else if (to == last.to && from != last.from)
    last.chars += from < last.from ? CharactersIn(from, last.from) : -CharactersIn(last.from, from);
  else if (from != last.from || to != last.to || last.version != m_version)
    last.chars = CharactersIn(from, to);
  last = {from, to, last.chars, m_version};
  place.selected = last.chars;
  return place;
}

void TScriptEditor::GoTo(long line, long column) {
  const long start = Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long position = Sci(SCI_POSITIONRELATIVE, static_cast<unsigned long>(start), column);
  Sci(SCI_ENSUREVISIBLEENFORCEPOLICY, static_cast<unsigned long>(line));
  Sci(SCI_GOTOPOS, static_cast<unsigned long>(position));
  // Shown with some lines of context above it, not on the window's edge.
  const long visible = Sci(SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line));
  const long top = Sci(SCI_GETFIRSTVISIBLELINE), rows = Sci(SCI_LINESONSCREEN);
  if (visible < top || visible >= top + rows) Sci(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(0L, visible - rows / 3)));
}

// The bracket or brace beside the caret and its partner are shown, or the lone
// one in the colour of a mismatch. Square brackets are not the language's.
void TScriptEditor::MatchBraces() {
  auto isBrace = [](long c) { return c == '(' || c == ')' || c == '{' || c == '}'; };
  const long caret = Sci(SCI_GETCURRENTPOS);
  long brace = -1;
  if (caret > 0 && isBrace(Sci(SCI_GETCHARAT, static_cast<unsigned long>(caret - 1))))
    brace = caret - 1;
  else if (isBrace(Sci(SCI_GETCHARAT, static_cast<unsigned long>(caret))))
    brace = caret;
  if (brace < 0) {
    Sci(SCI_BRACEHIGHLIGHT, static_cast<unsigned long>(-1), -1);
    return;
  }
  // Scintilla pairs brackets of the same style only, so one in a string or a
  // comment never pairs with one in the code.
  const long partner = Sci(SCI_BRACEMATCH, static_cast<unsigned long>(brace), 0);
  if (partner < 0)
    Sci(SCI_BRACEBADLIGHT, static_cast<unsigned long>(brace));
  else
    Sci(SCI_BRACEHIGHLIGHT, static_cast<unsigned long>(brace), partner);
}

void TScriptEditor::resizeEvent(QResizeEvent* event) {
  QsciScintilla::resizeEvent(event);
  m_gutter->Relayout();
}

}  // namespace kelvarin
