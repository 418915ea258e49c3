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
  connect(m_scriptEd, &TScriptEditor::FocusEntered, this, &TScriptPage::ScriptEdEnter);
  connect(m_scriptEd, &TScriptEditor::FocusLeft, this, &TScriptPage::ScriptEdExit);

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
    auto* action = new QAction(items[i].caption, this);
    action->setObjectName(QString::fromLatin1(items[i].name));
    action->setSeparator(items[i].caption == u"-"_s);
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

void TScriptPage::UpdateEditMenu(bool scriptEdIsLastEditor) {
  const bool enabled = scriptEdIsLastEditor && m_scriptEd->isEnabled();
  for (QAction* action : m_editItems)
    if (!action->isSeparator()) action->setEnabled(enabled);
}

QAction* TScriptPage::EditMenuItem(const QString& name) const {
  for (QAction* action : m_editItems)
    if (action->objectName() == name) return action;
  return nullptr;
}

bool TScriptPage::HandleFormKey(int key, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  const auto run = [](QAction* item) {
    if (item->isEnabled()) item->trigger();
    return true;
  };
  if (key == Qt::Key_F && ctrl) return run(m_editItems[8]);
  if (key == Qt::Key_F3) return run(m_editItems[9]);
  if (key == Qt::Key_R && ctrl) return run(m_editItems[10]);
  if (key == Qt::Key_K && ctrl && (modifiers & Qt::ShiftModifier) && (modifiers & Qt::AltModifier)) {
    // The editor is disabled while a load or save runs: the key must wait too.
    if (m_shell.MobOpened() && m_scriptEd->isEnabled()) ChangeScriptKey();
    return true;
  }
  return false;
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

void TScriptPage::SearchNext() {
  const std::string& search = m_shell.Settings().SearchStr;
  if (search.empty()) return;
  m_scriptEd->findFirst(FromCp1251(search), /*re=*/false, /*cs=*/false, /*wo=*/false, /*wrap=*/false);
}

void TScriptPage::ReplaceNext() {
  const TSettings& settings = m_shell.Settings();
  if (settings.SearchStr.empty() || settings.RepStr.empty() || !settings.MakeReplace) return;
  if (!m_scriptEd->findFirst(FromCp1251(settings.SearchStr), false, false, false, false)) return;
  m_scriptEd->beginUndoAction();
  m_scriptEd->replace(FromCp1251(settings.RepStr));
  m_scriptEd->endUndoAction();
  // The caret after the replacement; the next search starts there.
  const long end = m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND);
  m_scriptEd->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, static_cast<unsigned long>(end));
}

void TScriptPage::ChangeScriptKey() {
  TMob& mob = m_shell.Mob();
  TKeyChangerF dialog(static_cast<std::int32_t>(mob.ScriptKey), m_shell.Prompts(), this);
  if (dialog.exec() == QDialog::Accepted) mob.ScriptKey = static_cast<std::uint32_t>(dialog.Key());
}

}  // namespace kelvarin
