// The zone script highlighter as a QScintilla lexer. Style 0 is the editor's plain
// text; styles 1 to 8 show the highlighter's eight attributes, which stay the one
// source of the look: a change to an attribute restyles the editor. Styling a line
// also sets its fold level from its braces (TBraceCounter), so folding costs no
// pass of its own and follows the text as lazily as the colours do.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QFont>
#include <string>
#include <vector>

#include "script/core/bracefold.h"
#include "script/core/zonescriptsyn.h"

namespace kelvarin {

class TZoneScriptLexer : public QsciLexerCustom {
  Q_OBJECT
 public:
  TZoneScriptLexer(const QFont& font, QObject* parent = nullptr);

  TSynZoneScriptSyn& Syn() { return m_syn; }
  // The style a token kind is drawn with (0 for tkNull).
  static int StyleOf(TtkTokenKind kind) { return TSynZoneScriptSyn::AttributeIndexOf(kind) + 1; }
  static constexpr int kStyleCount = TSynZoneScriptSyn::kAttributeCount + 1;

  const char* language() const override;
  QString description(int style) const override;
  QColor defaultColor(int style) const override;
  QFont defaultFont(int style) const override;
  QColor defaultPaper(int style) const override;
  const char* wordCharacters() const override;
  void styleText(int start, int end) override;

 private:
  const TSynHighlighterAttributes* AttributeOf(int style) const;
  void ApplyStyle(int style);
  // Styles one line of the editor's UTF-8 text into m_styles at `out` and counts
  // its braces.
  void StyleLine(const char* line, std::size_t length, char* out, TBraceCounter& braces);
  // The brace depth line `line` starts at, from the fold level of the line above.
  int StartDepth(long line) const;

  TSynZoneScriptSyn m_syn;
  bool m_styling = false;  // a pass is running
  QFont m_font;
  std::string m_wordCharacters;
  std::vector<char> m_styles;         // reused between calls
  std::string m_line1251;             // the line in code page 1251, one byte per character
  std::vector<std::uint32_t> m_utf8;  // byte offset in the UTF-8 line of each of those characters
};

}  // namespace kelvarin
