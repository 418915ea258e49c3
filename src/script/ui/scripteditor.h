// ScriptEd: the script editor. A QScintilla editor in UTF-8 with the zone script
// lexer, the line-number gutter, and the editing habits the script page promises:
// the new line keeps the indentation of the line above, Tab lines up with the words
// of the line above, Backspace in the indentation goes back to an earlier indent,
// trailing blanks of edited lines go when the caret leaves them, the caret may stand
// past the end of a line and the text may scroll past its last line. Brace pairs
// fold in the margin beside the line numbers, the bracket or brace at the caret
// shows its partner, and the identifier at the caret is marked where it shows.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

class TLineNumberGutter;
class TOccurrenceMarker;
class TZoneScriptLexer;

// Where the caret stands, for the status bar: 1-based line and column (in
// characters, virtual space included) and the selection's length in characters.
struct TCaretPlace {
  long line = 1;
  long column = 1;
  long selected = 0;
  bool operator==(const TCaretPlace&) const = default;
};

class TScriptEditor : public QsciScintilla {
  Q_OBJECT
 public:
  explicit TScriptEditor(QWidget* parent = nullptr);

  TZoneScriptLexer& Lexer() const { return *m_lexer; }
  TLineNumberGutter& Gutter() const { return *m_gutter; }
  TOccurrenceMarker& Occurrences() const { return *m_occurrences; }

  static constexpr int kFoldMargin = 2;

  TCaretPlace CaretPlace() const;
  // The characters between two byte positions.
  long CharactersIn(long from, long to) const;
  // Puts the caret on 0-based `line` at 0-based character `column`, unfolding and
  // scrolling as needed to show it.
  void GoTo(long line, long column);

  // Replaces the text (UTF-8, may hold NUL characters) without counting as a
  // change: the undo history is emptied, the caret goes to the start.
  void LoadText(std::string_view utf8);
  // The whole text as UTF-8; valid until the next change.
  std::string_view TextView() const;

 signals:
  // A change the undo history records: typing, deleting, cut, paste, drag and
  // drop, undo, redo. Loading a text is none.
  void Changed();
  // Ctrl+F1, with the word at the caret.
  void ContextHelpRequested(const QString& word);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  long Sci(unsigned int message, unsigned long w = 0, long l = 0) const { return SendScintilla(message, w, l); }
  bool IsBlankAt(long position) const;
  bool SmartTab();
  bool SmartTabDelete();
  void NewLineKeepingIndent(QKeyEvent* event);
  void TrackModification(int position, int type, int linesAdded);
  void TrimEditedLines();
  void MatchBraces();

  TZoneScriptLexer* m_lexer;
  TLineNumberGutter* m_gutter;
  TOccurrenceMarker* m_occurrences;
  bool m_loading = false;
  bool m_trimming = false;
  bool m_trimQueued = false;
  std::vector<int> m_editedLines;  // lines typed on since the caret last changed lines
  unsigned m_version = 0;          // counts the changes of the text
  // The selection last counted for CaretPlace.
  struct Counted {
    long from = 0, to = 0, chars = 0;
    unsigned version = 0;
  };
  mutable Counted m_counted;
};

}  // namespace kelvarin
