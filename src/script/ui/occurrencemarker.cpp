#include "script/ui/occurrencemarker.h"

#include <Qsci/qsciscintilla.h>

#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

using Sci = QsciScintillaBase;

std::string_view LineText(QsciScintilla& ed, long line, long* start) {
  *start = ed.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end = ed.SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  if (end <= *start) return {};
  const auto* text = reinterpret_cast<const char*>(
      ed.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(*start), end - *start));
  return {text, std::size_t(end - *start)};
}

}  // namespace

TOccurrenceMarker::TOccurrenceMarker(QsciScintilla& editor) : QObject(&editor), m_editor(editor) {
  m_editor.SendScintilla(Sci::SCI_INDICSETSTYLE, kIndicator, Sci::INDIC_ROUNDBOX);
  m_editor.SendScintilla(Sci::SCI_INDICSETFORE, kIndicator, QColor(0, 120, 215));
  m_editor.SendScintilla(Sci::SCI_INDICSETALPHA, kIndicator, 60);
  m_editor.SendScintilla(Sci::SCI_INDICSETOUTLINEALPHA, kIndicator, 140);
  m_editor.SendScintilla(Sci::SCI_INDICSETUNDER, kIndicator, 1);
  connect(&m_editor, &Sci::SCN_UPDATEUI, this, [this](int updated) {
    if (updated & (Sci::SC_UPDATE_CONTENT | Sci::SC_UPDATE_SELECTION | Sci::SC_UPDATE_V_SCROLL)) Update();
  });
}

void TOccurrenceMarker::Update() {
  QsciScintilla& ed = m_editor;
  ed.SendScintilla(Sci::SCI_SETINDICATORCURRENT, kIndicator);
  if (m_marked) {
    // The marks stand on a screenful of lines at most, wherever edits have moved
    // them; clearing works on those runs, not on the text.
    ed.SendScintilla(Sci::SCI_INDICATORCLEARRANGE, 0UL, ed.SendScintilla(Sci::SCI_GETLENGTH));
    m_marked = false;
  }
  m_word.clear();
  // A selection of its own is what the user looks at; no word then.
  const long caret = ed.SendScintilla(Sci::SCI_GETCURRENTPOS);
  if (caret != ed.SendScintilla(Sci::SCI_GETANCHOR)) return;
  const long caretLine = ed.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
  long lineStart = 0;
  const std::string_view caretText = LineText(ed, caretLine, &lineStart);
  const TWordSpan word = WordAt(m_scanner, caretText, std::size_t(caret - lineStart));
  if (word.Empty()) return;
  m_word = std::string(caretText.substr(word.pos, word.len));

  const long firstVisible = ed.SendScintilla(Sci::SCI_GETFIRSTVISIBLELINE);
  const long rows = ed.SendScintilla(Sci::SCI_LINESONSCREEN) + 1;
  const long lineCount = ed.SendScintilla(Sci::SCI_GETLINECOUNT);
  for (long row = 0; row < rows; ++row) {
    const long line = ed.SendScintilla(Sci::SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(firstVisible + row));
    if (line >= lineCount) break;
    long start = 0;
    ForEachOccurrence(m_scanner, LineText(ed, line, &start), m_word, [&](TWordSpan at) {
      ed.SendScintilla(Sci::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(start + long(at.pos)), long(at.len));
      m_marked = true;
    });
  }
}

}  // namespace kelvarin
