#include "script/ui/scriptcompleter.h"

#include <Qsci/qsciscintilla.h>

#include <QTimer>
#include <algorithm>
#include <cstring>

#include "common/cp1251.h"
#include "mob/tmob.h"
#include "script/core/scriptwords.h"

namespace kelvarin {
namespace {

using Sci = QsciScintillaBase;

constexpr char kSeparator = '\n';  // no entry holds one: names with line breaks are left out
constexpr int kVisibleRows = 12;
constexpr std::size_t kScanAtOnceLines = 200;  // larger edits are scanned when next needed

std::string_view Range(QsciScintilla& ed, long from, long to) {
  if (to <= from) return {};
  const auto* text = reinterpret_cast<const char*>(
      ed.SendScintilla(Sci::SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), to - from));
  return {text, std::size_t(to - from)};
}

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace

TScriptCompleter::TScriptCompleter(QsciScintilla& editor, std::function<const TMob*()> zone)
    : QObject(&editor), m_editor(editor), m_zone(std::move(zone)) {
  m_editor.SendScintilla(Sci::SCI_AUTOCSETCHOOSESINGLE, 0L);
  m_editor.SendScintilla(Sci::SCI_AUTOCSETMAXHEIGHT, kVisibleRows);
  m_editor.SendScintilla(Sci::SCI_AUTOCSETORDER, Sci::SC_ORDER_CUSTOM);  // our ranking, not the alphabet
  m_names.Reset(Range(m_editor, 0, m_editor.SendScintilla(Sci::SCI_GETLENGTH)));
  connect(&m_editor, &Sci::SCN_MODIFIED, this,
          [this](int position, int type, const char* text, int length, int linesAdded) {
            TextChanged(position, type, text, length, linesAdded);
          });
  connect(&m_editor, &Sci::SCN_CHARADDED, this, &TScriptCompleter::CharAdded);
  connect(&m_editor, qOverload<const char*, int>(&Sci::SCN_AUTOCSELECTION), this,
          [this](const char* entry, int) { Chosen(entry); });
}

bool TScriptCompleter::IsActive() const { return m_editor.SendScintilla(Sci::SCI_AUTOCACTIVE) != 0; }

void TScriptCompleter::TextChanged(int position, int type, const char*, int, int linesAdded) {
  if (!(type & (Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT))) return;
  const long line = m_editor.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
  const std::size_t removed = linesAdded < 0 ? std::size_t(1 - linesAdded) : 1;
  const std::size_t added = linesAdded > 0 ? std::size_t(1 + linesAdded) : 1;
  if (added > kScanAtOnceLines) {
    // A paste, a replace all or its undo: scanned when the names are next needed.
    m_names.ReplaceLinesLater(std::size_t(line), removed, added);
  } else {
    // Typing: only the lines the change touched are scanned again.
    const long from = m_editor.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long to = m_editor.SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line + long(added) - 1));
    m_names.ReplaceLines(std::size_t(line), removed, Range(m_editor, from, to));
  }
  // Backspace closes the list (it counts nothing as typed); what is left of the
  // word gets a list of its own.
  if ((type & Sci::SC_MOD_DELETETEXT) && IsActive()) QTimer::singleShot(0, this, [this] { Open(true); });
}

void TScriptCompleter::CharAdded(int) {
  // Scintilla reports the character before it moves the open list to it: the
  // list built here, which counts nothing as typed, keeps its first entry chosen.
  if (IsActive()) {
    Open(true);
    return;
  }
  const long caret = m_editor.SendScintilla(Sci::SCI_GETCURRENTPOS);
  const long line = m_editor.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
  const long start = m_editor.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const TCompletionContext context =
      CompletionContextAt(m_scanner, Range(m_editor, start, caret), std::size_t(caret - start));
  if (context.kind != TCompletionKind::None && CharacterCount(context.prefix) >= kAutoCompletionLetters) Open(true);
}

bool TScriptCompleter::Show() { return Open(false); }

bool TScriptCompleter::Open(bool typed) {
  QsciScintilla& ed = m_editor;
  // First, as reading the whole text moves Scintilla's gap and with it any text
  // read before.
  if (m_names.NeedsRefresh()) m_names.Refresh(Range(ed, 0, ed.SendScintilla(Sci::SCI_GETLENGTH)));
  const long caret = ed.SendScintilla(Sci::SCI_GETCURRENTPOS);
  const long line = ed.SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
  const long start = ed.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end = ed.SendScintilla(Sci::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  const std::string_view text = Range(ed, start, end);
  const std::size_t at = std::size_t(caret - start);
  const TCompletionContext context = CompletionContextAt(m_scanner, text, at);

  std::vector<std::string> entries;
  if (context.kind == TCompletionKind::Identifier && !(typed && context.prefix.empty())) {
    // The word being typed may itself be a declaration ("float tim|"): it does
    // not offer itself.
    const TWordSpan word = WordAt(m_scanner, text, at);
    const std::vector<std::string> names = m_names.Names(std::size_t(line), text.substr(word.pos, word.len));
    for (TCompletion& c : IdentifierCompletions(context.prefix, names)) entries.push_back(std::move(c.text));
  } else if (context.kind == TCompletionKind::ObjectName && !(typed && context.prefix.empty())) {
    const TMob* zone = m_zone ? m_zone() : nullptr;
    const std::optional<std::string> prefix = Utf8ToCp1251(context.prefix);
    if (zone && prefix)
      for (const std::string& name : ObjectNameCompletions(*zone, *prefix)) entries.push_back(Cp1251ToUtf8(name));
  }
  // Typing a word out in full needs no list; Enter then starts a new line.
  const bool typedInFull = typed && entries.size() == 1 && entries.front() == context.prefix;
  m_entries.clear();
  if (entries.empty() || typedInFull) {
    if (IsActive()) ed.SendScintilla(Sci::SCI_AUTOCCANCEL);
    return false;
  }
  std::string list;
  for (const std::string& entry : entries) {
    if (!list.empty()) list.push_back(kSeparator);
    list += entry;
    m_entries << QString::fromStdString(entry);
  }
  m_prefixFrom = start + long(context.prefixStart);
  ed.SendScintilla(Sci::SCI_AUTOCSETSEPARATOR, kSeparator);
  ed.SendScintilla(Sci::SCI_AUTOCSHOW, 0UL, list.c_str());
  return true;
}

void TScriptCompleter::Chosen(const char* entry) {
  // Cancelled here, Scintilla inserts nothing; the entry replaces the typed part.
  m_editor.SendScintilla(Sci::SCI_AUTOCCANCEL);
  const long caret = m_editor.SendScintilla(Sci::SCI_GETCURRENTPOS);
  const long from = std::min(m_prefixFrom, caret);
  const std::size_t length = std::strlen(entry);
  m_editor.SendScintilla(Sci::SCI_BEGINUNDOACTION);
  m_editor.SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), caret);
  m_editor.SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(length), entry);
  m_editor.SendScintilla(Sci::SCI_ENDUNDOACTION);
  m_editor.SendScintilla(Sci::SCI_GOTOPOS, static_cast<unsigned long>(from + long(length)));
  m_entries.clear();
}

}  // namespace kelvarin
