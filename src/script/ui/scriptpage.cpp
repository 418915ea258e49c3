#include "script/ui/scriptpage.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "program/settings.h"
#include "common/qt/latinkey.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"
#include "common/qt/qtext.h"
#include "mob/tmob.h"
#include "mob/recordrules.h"
#include "script/core/objectrefs.h"
#include "script/core/scripttext.h"
#include "script/core/zonescriptsyn.h"
#include "script/ui/cp1251input.h"
#include "script/ui/gotolinef.h"
#include "script/ui/keychangerf.h"
#include "script/ui/linenumbergutter.h"
#include "script/ui/scriptcompleter.h"
#include "script/ui/scripteditor.h"
#include "script/ui/searchrepf.h"
#include "script/ui/zonescriptlexer.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TScriptPage::TScriptPage(TShellServices& shell, QWidget* parent)
    : QWidget(parent), m_shell(shell), m_session(shell.Session()) {
  setObjectName(u"ScriptPage"_s);
  m_scriptEd = new TScriptEditor(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_scriptEd);

  connect(m_scriptEd, &TScriptEditor::Changed, this, &TScriptPage::ScriptEdChange);
  m_completer = new TScriptCompleter(*m_scriptEd, [this]() -> const TMob* {
    return m_session.Opened() ? &m_session.Mob() : nullptr;
  });
  m_scriptEd->installEventFilter(this);
  m_scriptEd->viewport()->installEventFilter(this);  // Ctrl+click on a call
  connect(m_scriptEd, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
    if (updated & (QsciScintillaBase::SC_UPDATE_CONTENT | QsciScintillaBase::SC_UPDATE_SELECTION))
      UpdateCaretStatus();
  });

  // The shortcuts in the captions are caption text only: the keys belong to the
  // editor's own bindings or to the main window.
  const struct {
    const char* name;
    QString caption;
    void (TScriptPage::*command)();
  } items[] = {
      {"UndoMenu", u"Отменить                                   Ctrl+Z"_s, nullptr},
      {"RedoMenu", u"Повторить                       Shift+Ctrl+Z"_s, nullptr},
      {"N2", u"-"_s, nullptr},
      {"CopyMenu", u"Копировать                               Ctrl+C"_s, nullptr},
      {"CutMenu", u"Вырезать                                   Ctrl+X"_s, nullptr},
      {"PasteMenu", u"Вставить                                    Ctrl+V"_s, nullptr},
      {"SelectAllMenu", u"Выделить все                            Ctrl+A"_s, nullptr},
      {"N7", u"-"_s, nullptr},
      {"SearchRepMenu", u"Поиск \\ поиск с заменой...        Ctrl+F"_s, &TScriptPage::SearchRepMenuClick},
      {"SearchNextMenu", u"Искать далее                             F3"_s, &TScriptPage::SearchNext},
      {"ReplaceNextMenu", u"Заменить далее                         Ctrl+R"_s, &TScriptPage::ReplaceNext},
      {"N9", u"-"_s, nullptr},
      {"FindAllMenu", u"Найти все"_s, &TScriptPage::FindAll},
      {"ReplaceAllMenu", u"Заменить все                             Ctrl+H"_s, &TScriptPage::ReplaceAll},
      {"N10", u"-"_s, nullptr},
      {"GoToLineMenu", u"Перейти к строке...                   Ctrl+G"_s, &TScriptPage::GoToLine},
  };
  m_editItems.resize(std::size(items));
  for (std::size_t i = 0; i < m_editItems.size(); ++i) {
    // "-" marks a separator; a separator with text would show the dash in the menu.
    const bool separator = items[i].caption == u"-"_s;
    auto* action = new QAction(separator ? QString() : items[i].caption, this);
    action->setObjectName(QString::fromLatin1(items[i].name));
    action->setSeparator(separator);
    if (items[i].command) connect(action, &QAction::triggered, this, items[i].command);
    m_editItems[i] = action;
  }
  TScriptEditor* ed = m_scriptEd;
  connect(m_editItems[0], &QAction::triggered, ed, [ed] { ed->undo(); });
  connect(m_editItems[1], &QAction::triggered, ed, [ed] { ed->redo(); });
  connect(m_editItems[3], &QAction::triggered, ed, [ed] { ed->copy(); });
  connect(m_editItems[4], &QAction::triggered, ed, [ed] { ed->cut(); });
  connect(m_editItems[5], &QAction::triggered, ed, [ed] { ed->paste(); });
  connect(m_editItems[6], &QAction::triggered, ed, [ed] { ed->selectAll(true); });
  UpdateEditMenu(false);
  m_session.AddListener(this);
}

TScriptPage::~TScriptPage() { m_session.RemoveListener(this); }

QWidget* TScriptPage::TextEditor() const { return m_scriptEd; }

void TScriptPage::DocumentOpened() {
  ClearScript();
  MobToScript();
}

void TScriptPage::TriggerIfEnabled(QAction* action) {
  // No command starts from the keyboard while a load, save or mass change runs.
  if (action && action->isEnabled() && !m_session.Busy()) action->trigger();
}

bool TScriptPage::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  const bool alt = modifiers & Qt::AltModifier;
  if (key == Qt::Key_F && ctrl) {
    TriggerIfEnabled(EditMenuItem(u"SearchRepMenu"_s));
  } else if (key == Qt::Key_F3) {
    TriggerIfEnabled(EditMenuItem(u"SearchNextMenu"_s));
  } else if (key == Qt::Key_R && ctrl) {
    TriggerIfEnabled(EditMenuItem(u"ReplaceNextMenu"_s));
  } else if (key == Qt::Key_K && ctrl && shift && alt) {
    // The key dialog has no menu item: only a document must be open.
    if (m_session.Opened() && !m_session.Busy()) ChangeScriptKey();
  } else {
    return false;
  }
  return true;
}

bool TScriptPage::ShowsResult(const TResultEntry& entry) const {
  return std::holds_alternative<TScriptPlace>(entry.target);
}

void TScriptPage::ShowResult(const TResultEntry& entry) {
  if (const auto* place = std::get_if<TScriptPlace>(&entry.target)) ShowPlace(*place);
}

TSynZoneScriptSyn& TScriptPage::SynZoneScriptSyn1() const { return m_scriptEd->Lexer().Syn(); }

// The status bar follows a new text at once, not at the editor's next repaint.
void TScriptPage::MobToScript() {
  m_scriptEd->LoadText(ScriptTextToEditor(m_session.Mob().ScriptText));
  UpdateCaretStatus();
}

void TScriptPage::ClearScript() {
  m_scriptEd->LoadText({});
  UpdateCaretStatus();
}

bool TScriptPage::ScriptToMob() {
  TScriptTextError error;
  std::optional<std::string> text = ScriptTextFromEditor(m_scriptEd->TextView(), &error);
  if (!text) {
    m_shell.AppendLog(u"Сохранение отменено: символ %1 в строке %2, столбце %3 скрипта нельзя записать в "
                      u"кодировке 1251."_s.arg(DescribeCharacter(error.codePoint))
                          .arg(error.line)
                          .arg(error.column));
    m_shell.ShowLogPage();
    m_scriptEd->setCursorPosition(int(error.line) - 1, int(error.column) - 1);
    return false;
  }
  m_session.Mob().ScriptText = std::move(*text);
  return true;
}

void TScriptPage::ScriptEdChange() { m_session.NoteScriptEdited(); }

void TScriptPage::FillEditMenu(QMenu* menu) {
  for (QAction* action : m_editItems) menu->addAction(action);
}

void TScriptPage::UpdateEditMenu(bool active) {
  m_commandsEnabled = active && m_scriptEd->isEnabled();
  for (QAction* action : m_editItems)
    if (!action->isSeparator()) action->setEnabled(m_commandsEnabled);
}

QAction* TScriptPage::EditMenuItem(const QString& name) const {
  for (QAction* action : m_editItems)
    if (action->objectName() == name) return action;
  return nullptr;
}

void TScriptPage::SearchRepMenuClick() {
  const TSettings& settings = m_shell.Settings();
  {
    TSearchRepF dialog(m_shell.Settings(), m_shell.Prompts(), this);
    if (dialog.exec() != QDialog::Accepted) return;
  }
  if (settings.MakeReplace)
    ReplaceNext();
  else
    SearchNext();
}

std::optional<TTextMatch> TScriptPage::FindNext(const std::string& search) const {
  const auto caret = std::size_t(m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
  return FindIgnoringCase(m_scriptEd->TextView(), caret, FromCp1251(search));
}

void TScriptPage::ReportNotFound(const std::string& search) {
  m_shell.ShowStatusMessage(u"Не найдено: "_s + FromCp1251(search));
}

void TScriptPage::SearchNext() {
  const std::string& search = m_shell.Settings().SearchStr;
  if (search.empty()) return;
  const std::optional<TTextMatch> match = FindNext(search);
  if (!match) return ReportNotFound(search);
  // Selected with the caret at its end, where the next search starts.
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(match->begin),
                            long(match->end));
}

void TScriptPage::ReplaceNext() {
  const TSettings& settings = m_shell.Settings();
  if (settings.SearchStr.empty() || settings.RepStr.empty() || !settings.MakeReplace) return;
  const std::optional<TTextMatch> match = FindNext(settings.SearchStr);
  if (!match) return ReportNotFound(settings.SearchStr);
  const QByteArray replacement = FromCp1251(settings.RepStr).toUtf8();
  m_scriptEd->beginUndoAction();
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(match->begin),
                            long(match->end));
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<uintptr_t>(replacement.size()),
                            replacement.constData());
  m_scriptEd->endUndoAction();
  // The caret after the replacement, so a replacement holding the search text
  // is not found again.
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                            static_cast<unsigned long>(match->begin + std::size_t(replacement.size())));
}

void TScriptPage::ReplaceAll() {
  const TSettings& settings = m_shell.Settings();
  if (settings.SearchStr.empty() || settings.RepStr.empty() || !settings.MakeReplace) return;
  const std::string_view text = m_scriptEd->TextView();
  const std::vector<TTextMatch> matches = FindAllIgnoringCase(text, 0, FromCp1251(settings.SearchStr));
  if (matches.empty()) return ReportNotFound(settings.SearchStr);
  const QByteArray replacement = FromCp1251(settings.RepStr).toUtf8();
  const std::string_view by(replacement.constData(), std::size_t(replacement.size()));

  // One replacement of the stretch from the first match to the end of the last:
  // one change for Scintilla to record, lay out and paint, however many matches.
  // (Not widened to the whole text, though Scintilla drops a whole text faster
  // than a part of it: laying out a whole new text again costs far more.)
  const std::size_t from = matches.front().begin;
  const std::size_t to = matches.back().end;
  const auto caret = std::size_t(m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
  std::size_t newCaret = caret;
  std::string stretch;
  stretch.reserve(to - from + matches.size() * by.size());
  std::size_t copied = from;
  for (const TTextMatch& m : matches) {
    stretch.append(text.substr(copied, m.begin - copied));
    stretch.append(by);
    copied = m.end;
    // The caret keeps its place in the text around it; inside a match it goes
    // after the replacement.
    if (m.end <= caret) newCaret = newCaret + by.size() - (m.end - m.begin);
    else if (m.begin < caret) newCaret = newCaret - (caret - m.begin) + by.size();
  }
  stretch.append(text.substr(copied, to - copied));
  // The view stays where it was; Scintilla would scroll it while the old text goes.
  const long top = m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
  m_scriptEd->beginUndoAction();
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), long(to));
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, static_cast<uintptr_t>(stretch.size()),
                            stretch.data());
  m_scriptEd->endUndoAction();
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(newCaret));
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(top));
  m_shell.ShowStatusMessage(u"Заменено: %1"_s.arg(matches.size()));
}

void TScriptPage::FindAll() {
  const std::string& search = m_shell.Settings().SearchStr;
  if (search.empty()) return;
  TScriptEditor& ed = *m_scriptEd;
  const std::string_view text = ed.TextView();
  const std::vector<TTextMatch> matches = FindAllIgnoringCase(text, 0, FromCp1251(search));
  if (matches.empty()) return ReportNotFound(search);
  constexpr std::size_t kShownBytes = 300;  // of a line's text in its entry
  const int lineCount = ed.lines();
  std::vector<TResultEntry> entries;
  long lastLine = -1;
  for (const TTextMatch& m : matches) {
    const long line = ed.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(m.begin));
    if (line == lastLine) continue;  // one entry per line, at its first match
    lastLine = line;
    const auto start = std::size_t(ed.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)));
    const auto end = std::size_t(ed.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)));
    std::string_view shown = text.substr(start, end - start);
    while (!shown.empty() && (shown.front() == ' ' || shown.front() == '\t')) shown.remove_prefix(1);
    if (shown.size() > kShownBytes) {
      std::size_t cut = kShownBytes;
      while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;  // whole characters
      shown = shown.substr(0, cut);
    }
    const auto column = std::size_t(ed.SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS,
                                                     static_cast<unsigned long>(start), long(m.begin)));
    entries.push_back({ToUtf8(TLineNumberGutter::LineNumberText(int(line) + 1, lineCount)) + ": " + std::string(shown),
                       std::nullopt, TScriptPlace{std::size_t(line) + 1, column + 1}});
  }
  const QString title = u"Найти все «%1» — строк: %2"_s.arg(FromCp1251(search)).arg(entries.size());
  m_shell.ShowResults(title, std::move(entries));
}

void TScriptPage::GoToLine() {
  TScriptEditor& ed = *m_scriptEd;
  const auto lineLength = [&ed](long line) {
    const long start = ed.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line - 1));
    const long end = ed.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line - 1));
    return ed.SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), end);
  };
  TGoToLineF dialog(ed.CaretPlace().line, ed.lines(), lineLength, m_shell.Prompts(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  ed.GoTo(dialog.Line() - 1, dialog.Column() - 1);
  ed.setFocus();
}

std::optional<std::string> TScriptPage::EditedScript() const {
  if (!m_session.Opened()) return std::nullopt;
  return ScriptTextForReading(m_scriptEd->TextView());
}

bool TScriptPage::GoToObjectAt(long pos) {
  if (!m_session.Opened() || m_session.Busy() || pos < 0) return false;
  TScriptEditor& ed = *m_scriptEd;
  const long line = ed.SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
  const long start = ed.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end = ed.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  // Code page 1251 has a byte per character: the caret's column is its offset.
  const std::string text = ScriptTextForReading(ed.TextView().substr(std::size_t(start), std::size_t(end - start)));
  const auto caret = std::size_t(
      ed.SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), pos));
  TSynZoneScriptSyn scanner;
  const std::optional<TObjectCall> call = ObjectCallAt(scanner, text, caret);
  if (!call) return false;

  const TMob& mob = m_session.Mob();
  const std::vector<TObjRef> records = RecordsCalled(mob, *call);
  const QString what = call->kind == TObjectCallKind::ById
                           ? u"с ID %1"_s.arg(call->id)
                           : u"с именем «%1»"_s.arg(FromCp1251(call->name));
  if (records.empty()) {
    m_shell.ShowStatusMessage(u"Нет объекта %1"_s.arg(what));
  } else if (records.size() == 1) {
    m_shell.GoToResult({DescribeRecord(mob, records.front()), std::nullopt, records.front()});
  } else {
    const QString title = u"Объектов %1: %2"_s.arg(what).arg(records.size());
    std::vector<TResultEntry> entries;
    for (const TObjRef& ref : records) entries.push_back({DescribeRecord(mob, ref), std::nullopt, ref});
    m_shell.ShowResults(title, std::move(entries));
    m_shell.ShowStatusMessage(title + u" — выберите в списке"_s);
  }
  return true;
}

void TScriptPage::ShowPlace(const TScriptPlace& place) {
  TScriptEditor& ed = *m_scriptEd;
  const long line = std::clamp(long(place.line), 1L, long(ed.lines())) - 1;
  const long start = ed.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
  const long end = ed.SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
  const long columns = ed.SendScintilla(QsciScintillaBase::SCI_COUNTCHARACTERS, static_cast<unsigned long>(start), end);
  ed.GoTo(line, std::clamp(long(place.column), 1L, columns + 1) - 1);
  ed.setFocus();
}

QString TScriptPage::CaretStatusText(const TCaretPlace& place) {
  QString text = u"Строка %1, столбец %2"_s.arg(place.line).arg(place.column);
  if (place.selected > 0) text += u", выделено %1"_s.arg(place.selected);
  return text;
}

void TScriptPage::UpdateCaretStatus() {
  // The status bar speaks of the script only while its page shows it.
  if (!isVisible()) return;
  m_shell.ShowCaretStatus(m_session.Opened() ? CaretStatusText(m_scriptEd->CaretPlace()) : QString());
}

void TScriptPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UpdateCaretStatus();
}

void TScriptPage::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  m_shell.ShowCaretStatus({});
}

bool TScriptPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_scriptEd->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* click = static_cast<QMouseEvent*>(event);
    if (click->button() == Qt::LeftButton && click->modifiers() == Qt::ControlModifier &&
        m_scriptEd->isEnabled()) {
      const QPoint at = click->position().toPoint();
      const long pos = m_scriptEd->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMPOINTCLOSE,
                                                 static_cast<unsigned long>(at.x()), long(at.y()));
      if (GoToObjectAt(pos)) return true;  // anywhere else Ctrl+click stays the editor's
    }
  }
  if (watched == m_scriptEd && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_F12 && mods == Qt::NoModifier) {
      if (m_scriptEd->isEnabled() && !GoToObjectAt(m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS)))
        m_shell.ShowStatusMessage(u"Под кареткой нет вызова GetObjectByID или GetObjectByName"_s);
      return true;
    }
    if (mods == Qt::ControlModifier) {
      // The keys of the page's own commands act under the Edit items' rule.
      auto trigger = [](QAction* item) {
        if (item && item->isEnabled()) item->trigger();
        return true;
      };
      switch (LatinKeyOf(key->key())) {
        case Qt::Key_G: return trigger(EditMenuItem(u"GoToLineMenu"_s));
        case Qt::Key_H: return trigger(EditMenuItem(u"ReplaceAllMenu"_s));
        case Qt::Key_Space:
          if (m_commandsEnabled) m_completer->Show();
          return true;
        default: break;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TScriptPage::ChangeScriptKey() {
  TMob& mob = m_session.Mob();
  TKeyChangerF dialog(static_cast<std::int32_t>(mob.ScriptKey), m_shell.Prompts(), this);
  if (dialog.exec() == QDialog::Accepted) mob.ScriptKey = static_cast<std::uint32_t>(dialog.Key());
}

}  // namespace kelvarin
