// The script editor's gutter: yellow line numbers on blue, with leading zeros and at
// least five digits. QScintilla's number margin can do neither leading zeros nor a
// font of its own, so the margin only gives the blue strip and this widget, laid over
// it, draws the numbers of the visible lines.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

class QsciScintilla;

namespace kelvarin {

class TLineNumberGutter : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinDigits = 5;
  static constexpr int kLeftOffset = 5;

  // `font` is the numbers' font; `editor` must outlive the gutter (it is its parent).
  TLineNumberGutter(QsciScintilla& editor, const QFont& font);

  // The text shown for 1-based line `number` in an editor of `lineCount` lines.
  static QString LineNumberText(int number, int lineCount);
  int DigitCount() const { return m_digits; }
  const QFont& NumberFont() const { return m_font; }
  // The 0-based document lines the gutter's rows show, top to bottom: folded
  // blocks leave lines out.
  std::vector<long> ShownLines() const;

  // Resizes the margin when the line count gains or loses a digit and puts the
  // gutter back over it; the editor calls it when it is resized.
  void Relayout();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:

  QsciScintilla& m_editor;
  QFont m_font;
  int m_digits = kMinDigits;
};

}  // namespace kelvarin
