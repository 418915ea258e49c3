#include "script/ui/linenumbergutter.h"

#include <Qsci/qsciscintilla.h>

#include <QPainter>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

constexpr int kMargin = 0;
const QColor kGutterColor(0, 0, 255);
const QColor kNumberColor(255, 255, 0);

int Digits(int n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

}  // namespace

TLineNumberGutter::TLineNumberGutter(QsciScintilla& editor, const QFont& font)
    : QWidget(&editor), m_editor(editor), m_font(font) {
  setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks select lines in the margin below
  m_editor.setMarginType(kMargin, QsciScintilla::SymbolMargin);
  m_editor.SendScintilla(QsciScintillaBase::SCI_SETMARGINTYPEN, kMargin, QsciScintillaBase::SC_MARGIN_COLOUR);
  m_editor.SendScintilla(QsciScintillaBase::SCI_SETMARGINBACKN, kMargin, kGutterColor);
  m_editor.setMarginSensitivity(kMargin, false);
  for (int margin = 1; margin < m_editor.margins(); ++margin) m_editor.setMarginWidth(margin, 0);

  connect(&m_editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this] { update(); });
  connect(&m_editor, &QsciScintilla::linesChanged, this, &TLineNumberGutter::Relayout);
  connect(&m_editor, &QsciScintillaBase::SCN_ZOOM, this, &TLineNumberGutter::Relayout);
  connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { update(); });
  Relayout();
}

QString TLineNumberGutter::LineNumberText(int number, int lineCount) {
  const int digits = std::max(kMinDigits, Digits(lineCount));
  return u"%1"_s.arg(number, digits, 10, QLatin1Char('0'));
}

void TLineNumberGutter::Relayout() {
  m_digits = std::max(kMinDigits, Digits(m_editor.lines()));
  const QFontMetrics metrics(m_font);
  const int width = kLeftOffset + m_digits * metrics.horizontalAdvance(QLatin1Char('0')) + kLeftOffset;
  if (m_editor.marginWidth(kMargin) != width) m_editor.setMarginWidth(kMargin, width);
  const QRect viewport = m_editor.viewport()->geometry();
  setGeometry(viewport.x(), viewport.y(), width, viewport.height());
  raise();
  update();
}

std::vector<long> TLineNumberGutter::ShownLines() const {
  std::vector<long> lines;
  const long lineCount = m_editor.lines();
  const long first = m_editor.SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
  const int lineHeight = std::max(1, int(m_editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0)));
  for (int row = 0; row * lineHeight < height(); ++row) {
    // Rows are display lines: a folded block hides document lines between them.
    const long line =
        m_editor.SendScintilla(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(first + row));
    if (line >= lineCount) break;
    lines.push_back(line);
  }
  return lines;
}

void TLineNumberGutter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(m_font);
  painter.setPen(kNumberColor);
  const int lineCount = m_editor.lines();
  const int lineHeight = std::max(1, int(m_editor.SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0)));
  int row = 0;
  for (long line : ShownLines()) {
    const QRect cell(kLeftOffset, row++ * lineHeight, width() - kLeftOffset, lineHeight);
    painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, LineNumberText(int(line) + 1, lineCount));
  }
}

}  // namespace kelvarin
