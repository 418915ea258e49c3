#include "script/ui/scriptpage.h"

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>

#include "app/core/settings.h"
#include "app/ui/prompts.h"
#include "app/ui/shellservices.h"
#include "common/qt/qtext.h"
#include "mob/tmob.h"
#include "script/core/scripttext.h"
#include "script/ui/cp1251input.h"
#include "script/ui/keychangerf.h"
#include "script/ui/scripteditor.h"
#include "script/ui/searchrepf.h"
#include "script/ui/zonescriptlexer.h"

namespace kelvarin {

using namespace Qt::Literals::StringLiterals;

TScriptPage::TScriptPage(TShellServices& shell, QWidget* parent) : QWidget(parent), m_shell(shell) {
  setObjectName(u"ScriptPage"_s);
  m_scriptEd = new TScriptEditor(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_scriptEd);

  connect(m_scriptEd, &TScriptEditor::Changed, this, &TScriptPage::ScriptEdChange);

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
  };
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
}

TSynZoneScriptSyn& TScriptPage::SynZoneScriptSyn1() const { return m_scriptEd->Lexer().Syn(); }

void TScriptPage::MobToScript() { m_scriptEd->LoadText(ScriptTextToEditor(m_shell.Mob().ScriptText)); }

void TScriptPage::ClearScript() { m_scriptEd->LoadText({}); }

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
  m_shell.Mob().ScriptText = std::move(*text);
  return true;
}

void TScriptPage::ScriptEdChange() { m_shell.SetModified(); }

void TScriptPage::FillEditMenu(QMenu* menu) {
  for (QAction* action : m_editItems) menu->addAction(action);
}

void TScriptPage::UpdateEditMenu(bool active) {
  const bool enabled = active && m_scriptEd->isEnabled();
  for (QAction* action : m_editItems)
    if (!action->isSeparator()) action->setEnabled(enabled);
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

void TScriptPage::SearchNext() {
  const std::optional<TTextMatch> match = FindNext(m_shell.Settings().SearchStr);
  if (!match) return;
  // Selected with the caret at its end, where the next search starts.
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_SETSEL, static_cast<unsigned long>(match->begin),
                            long(match->end));
}

void TScriptPage::ReplaceNext() {
  const TSettings& settings = m_shell.Settings();
  if (settings.SearchStr.empty() || settings.RepStr.empty() || !settings.MakeReplace) return;
  const std::optional<TTextMatch> match = FindNext(settings.SearchStr);
  if (!match) return;
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

void TScriptPage::ChangeScriptKey() {
  TMob& mob = m_shell.Mob();
  TKeyChangerF dialog(static_cast<std::int32_t>(mob.ScriptKey), m_shell.Prompts(), this);
  if (dialog.exec() == QDialog::Accepted) mob.ScriptKey = static_cast<std::uint32_t>(dialog.Key());
}

}  // namespace kelvarin
