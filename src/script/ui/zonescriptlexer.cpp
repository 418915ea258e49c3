#include "script/ui/zonescriptlexer.h"

#include <Qsci/qsciscintilla.h>

#include <QScopedValueRollback>

#include <algorithm>
#include <cstring>

#include "common/cp1251.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

QColor ToQColor(TRgb c) { return QColor(c.r, c.g, c.b); }

// Length of the UTF-8 sequence starting with `lead`; a stray byte counts as one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// A fold level keeps the line's level in its low bits, where Scintilla reads it, and
// the depth the next line starts at in bits 16 and up, which Scintilla leaves alone.
constexpr int kLevelBase = QsciScintillaBase::SC_FOLDLEVELBASE;
constexpr int kMaxDepth = QsciScintillaBase::SC_FOLDLEVELNUMBERMASK - kLevelBase;

int FoldLevel(const TLineBraces& braces) {
  const int level = kLevelBase + std::min(braces.minDepth, kMaxDepth);
  const int next = kLevelBase + std::min(braces.endDepth, kMaxDepth);
  return level | (braces.FoldHeader() ? QsciScintillaBase::SC_FOLDLEVELHEADERFLAG : 0) | (next << 16);
}

char32_t DecodeSequence(const unsigned char* s, std::size_t length) {
  if (length == 1) return s[0];
  char32_t cp = s[0] & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) cp = (cp << 6) | (s[i] & 0x3F);
  return cp;
}

}  // namespace

TZoneScriptLexer::TZoneScriptLexer(const QFont& font, QObject* parent)
    : QsciLexerCustom(parent), m_font(font), m_wordCharacters(TSynZoneScriptSyn::GetIdentChars()) {
  setDefaultFont(m_font);
  m_syn.SetOnHighlightChange([this](int index) { ApplyStyle(index + 1); });
}

const char* TZoneScriptLexer::language() const { return "Zone script"; }

const TSynHighlighterAttributes* TZoneScriptLexer::AttributeOf(int style) const {
  if (style < 1 || style >= kStyleCount) return nullptr;
  return &m_syn.Attribute(style - 1);
}

QString TZoneScriptLexer::description(int style) const {
  if (style == 0) return u"Default"_s;
  const TSynHighlighterAttributes* attribute = AttributeOf(style);
  return attribute ? QString::fromStdString(attribute->Name()) : QString();
}

QColor TZoneScriptLexer::defaultColor(int style) const {
  const TSynHighlighterAttributes* attribute = AttributeOf(style);
  if (attribute && attribute->Foreground()) return ToQColor(*attribute->Foreground());
  return QsciLexer::defaultColor();
}

QFont TZoneScriptLexer::defaultFont(int style) const {
  QFont font = m_font;
  if (const TSynHighlighterAttributes* attribute = AttributeOf(style)) {
    font.setBold(attribute->Bold());
    font.setItalic(attribute->Italic());
    font.setUnderline(attribute->Style() & fsUnderline);
    font.setStrikeOut(attribute->Style() & fsStrikeOut);
  }
  return font;
}

QColor TZoneScriptLexer::defaultPaper(int style) const {
  const TSynHighlighterAttributes* attribute = AttributeOf(style);
  if (attribute && attribute->Background()) return ToQColor(*attribute->Background());
  return QsciLexer::defaultPaper();
}

const char* TZoneScriptLexer::wordCharacters() const { return m_wordCharacters.c_str(); }

void TZoneScriptLexer::ApplyStyle(int style) {
  setColor(defaultColor(style), style);
  setFont(defaultFont(style), style);
  setPaper(defaultPaper(style), style);
}

void TZoneScriptLexer::styleText(int start, int end) {
  QsciScintilla* ed = editor();
  if (!ed || end <= start) return;
  // Setting a fold level can make Scintilla lay lines out, and ask for their
  // styles, before this pass has handed its own over. Such a request would reuse
  // the pass's buffers under it (the text came out coloured by fragments of other
  // lines); it is left to this pass, which covers whole lines from the first
  // unstyled one, and Scintilla asks again for whatever is still unstyled.
  if (m_styling) return;
  const QScopedValueRollback styling(m_styling, true);
  // Whole lines: every line is scanned on its own, from its first character.
  const long firstLine = ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start);
  const long lastLine = ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, end - 1);
  const long from = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, firstLine);
  const long length = ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  long to = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, lastLine + 1);
  if (to < 0 || to > length) to = length;
  if (to <= from) return;

  // One read of the range and one styling call for all of it.
  const auto* text = reinterpret_cast<const char*>(
      ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
  const auto size = std::size_t(to - from);
  m_styles.resize(size);
  int depth = StartDepth(firstLine);
  long line = firstLine;
  for (std::size_t pos = 0; pos < size; ++line) {
    const void* lf = std::memchr(text + pos, '\n', size - pos);
    const std::size_t next = lf ? std::size_t(static_cast<const char*>(lf) - text) + 1 : size;
    TBraceCounter braces(depth);
    StyleLine(text + pos, next - pos, m_styles.data() + pos, braces);
    ed->SendScintilla(QsciScintillaBase::SCI_SETFOLDLEVEL, static_cast<unsigned long>(line), FoldLevel(braces.Result()));
    depth = braces.Result().endDepth;
    pos = next;
  }
  startStyling(int(from));
  ed->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, static_cast<uintptr_t>(size), m_styles.data());
}

int TZoneScriptLexer::StartDepth(long line) const {
  if (line <= 0) return 0;
  // Styling runs from the first line not styled yet, so the line above has its level.
  const long above = editor()->SendScintilla(QsciScintillaBase::SCI_GETFOLDLEVEL, static_cast<unsigned long>(line - 1));
  return std::max(0, int((above >> 16) & 0xFFFF) - kLevelBase);
}

void TZoneScriptLexer::StyleLine(const char* line, std::size_t length, char* out, TBraceCounter& braces) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(line);
  bool ascii = true;
  for (std::size_t i = 0; i < length && ascii; ++i) ascii = bytes[i] < 0x80;
  if (ascii) {  // the common case: code page 1251 and UTF-8 agree byte for byte
    for (m_syn.SetLine({line, length}); !m_syn.GetEol(); m_syn.Next()) {
      std::memset(out + m_syn.GetTokenPos(), StyleOf(m_syn.GetTokenKind()), m_syn.GetTokenLen());
      braces.Token(m_syn.GetTokenKind(), m_syn.GetTokenText());
    }
    return;
  }
  // The scanner's rules are per code page 1251 character, the editor's positions
  // UTF-8 bytes: scan the line as 1251 and map each token back to its bytes. A
  // character 1251 cannot hold scans as an ordinary non-ASCII character.
  m_line1251.clear();
  m_utf8.clear();
  for (std::size_t i = 0; i < length;) {
    std::size_t n = SequenceLength(bytes[i]);
    if (i + n > length) n = 1;
    const int cp = UnicodeToCp1251(DecodeSequence(bytes + i, n));
    m_line1251.push_back(cp >= 0 ? char(cp) : '\x98');
    m_utf8.push_back(std::uint32_t(i));
    i += n;
  }
  m_utf8.push_back(std::uint32_t(length));
  for (m_syn.SetLine(m_line1251); !m_syn.GetEol(); m_syn.Next()) {
    const std::size_t from = m_utf8[m_syn.GetTokenPos()];
    const std::size_t to = m_utf8[m_syn.GetTokenPos() + m_syn.GetTokenLen()];
    std::memset(out + from, StyleOf(m_syn.GetTokenKind()), to - from);
    braces.Token(m_syn.GetTokenKind(), m_syn.GetTokenText());
  }
}

}  // namespace kelvarin
