#include "app/ui/pythonscripts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>

#include "app/ui/recentmenu.h"
#include "common/filesystem.h"
#include "common/qt/qtext.h"
#include "document/docpaths.h"
#include "mob/mobthreads.h"
#include "program/settings.h"
#include "python/documentscript.h"
#include "python/scriptrunmodule.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

const QString kRunCaption = u"Выполнить сценарий Python..."_s;

}  // namespace

TPythonScripts::TPythonScripts(TShellServices& shell, QMenu* menu, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), m_shell(shell), m_session(shell.Session()) {
  m_runItem = menu->addAction(kRunCaption);
  m_runItem->setObjectName(u"RunPythonScriptMenu"_s);
  connect(m_runItem, &QAction::triggered, this, &TPythonScripts::RunMenuClick);
  m_recentMenu = menu->addMenu(u"Недавние сценарии"_s);
  m_recentMenu->setObjectName(u"RecentScriptsMenu"_s);
  m_recentMenu->menuAction()->setObjectName(u"RecentScriptsMenu"_s);
  connect(menu, &QMenu::aboutToShow, this, &TPythonScripts::RefreshRecentMenu);

  m_interruptButton = new QPushButton(u"Прервать"_s, statusBar);
  m_interruptButton->setObjectName(u"InterruptScriptBut"_s);
  m_interruptButton->setToolTip(u"Прервать сценарий Python (Esc)"_s);
  connect(m_interruptButton, &QPushButton::clicked, this, &TPythonScripts::Interrupt);
  statusBar->addPermanentWidget(m_interruptButton);
  m_interruptButton->hide();

  m_session.AddListener(this);
  UpdateItems();
}

TPythonScripts::~TPythonScripts() { m_session.RemoveListener(this); }

void TPythonScripts::UpdateItems() {
  const bool usable = m_session.Opened() && !m_session.Busy();
  m_runItem->setText(m_missing.isEmpty() ? kRunCaption : kRunCaption + u" ("_s + m_missing + u')');
  m_runItem->setEnabled(usable && m_missing.isEmpty());
  RefreshRecentMenu();
}

void TPythonScripts::RefreshRecentMenu() {
  TRecentFiles& recent = m_shell.Settings().RecentScripts;
  const bool usable = m_session.Opened() && !m_session.Busy() && m_missing.isEmpty();
  FillRecentMenu(*m_recentMenu, recent, [this](const QString& path) { RunScript(path); });
  if (!usable) m_recentMenu->menuAction()->setEnabled(false);
}

void TPythonScripts::NoteRecentScript(const std::string& path) {
  // The settings file holds code page 1251: a path it cannot hold is not kept.
  const std::optional<std::string> stored = ToCp1251(FromUtf8(path));
  if (!stored) return;
  TRecentFiles& recent = m_shell.Settings().RecentScripts;
  const TRecentFiles before = recent;
  recent.Note(*stored);
  if (recent != before) m_shell.SaveSettings();
}

void TPythonScripts::RunMenuClick() {
  m_shell.CommitEdits();
  const QString chosen = m_shell.Prompts().ChooseOpenScript(FromCp1251(m_shell.Settings().WorkPath));
  if (!chosen.isEmpty()) RunScript(chosen);
}

bool TPythonScripts::LoadRunner() {
  if (m_runner) return true;
  const TScriptModuleLoad load = LoadScriptModule(m_place);
  if (!load.runner) {
    m_missing = FromUtf8(load.missing);
    m_shell.AppendLog(FromUtf8(load.reason));
    m_shell.ShowLogPage();
    m_shell.ShowStatusMessage(FromUtf8(load.reason));
    UpdateItems();
    return false;
  }
  m_runner = load.runner;
  return true;
}

bool TPythonScripts::RunScript(const QString& pathText) {
  if (!m_session.Opened() || m_session.Busy()) return false;
  m_shell.CommitEdits();
  const std::string path = ToUtf8(pathText);
  const QString name = FromUtf8(FileNameOf(path));
  m_shell.AppendLog(u"------------------------------"_s);
  if (!Files().Exists(path)) {
    m_shell.AppendLog(u"Сценарий "_s + pathText + u" не найден."_s);
    m_shell.ShowLogPage();
    return false;
  }
  if (!LoadRunner()) return false;
  NoteRecentScript(path);
  m_shell.AppendLog(u"Выполняется сценарий "_s + pathText);

  TScriptOutcome outcome = TScriptOutcome::Failed;
  auto step = std::make_unique<TScriptRunCommand>(
      ScriptStepCaption(path), [&, script = m_shell.EditedScript()](TZoneJournal& journal) {
        TDocumentZoneOwner owner(m_session, script, journal);
        TMobTaskThread task(m_session.Mob(), [&] {
          TScriptRunRequest request{path, &owner, [&task](const std::string& line) { task.RelayLogLine(line); }};
          outcome = m_runner->Run(request);
          return true;
        });
        task.Run(m_session.LogView());
        return outcome == TScriptOutcome::Finished;
      });

  m_running = true;
  m_interruptButton->show();
  qApp->installEventFilter(this);
  m_session.BeginBusy();
  const bool changed = m_session.Apply(std::move(step));
  m_session.EndBusy();
  qApp->removeEventFilter(this);
  m_interruptButton->hide();
  m_running = false;

  QString verdict;
  switch (outcome) {
    case TScriptOutcome::Finished:
      verdict = changed ? u"Сценарий "_s + name + u" выполнен: его изменения — одна правка, её можно отменить."_s
                        : u"Сценарий "_s + name + u" выполнен, документ не изменился."_s;
      break;
    case TScriptOutcome::Failed:
      verdict = u"Сценарий "_s + name + u" завершился ошибкой, документ оставлен как был."_s;
      break;
    case TScriptOutcome::Interrupted:
      verdict = u"Сценарий "_s + name + u" прерван, документ оставлен как был."_s;
      break;
  }
  m_shell.AppendLog(verdict);
  m_shell.ShowStatusMessage(verdict);
  if (outcome != TScriptOutcome::Finished) m_shell.ShowLogPage();
  return outcome == TScriptOutcome::Finished;
}

void TPythonScripts::Interrupt() {
  if (m_running && m_runner) m_runner->Interrupt();
}

bool TPythonScripts::eventFilter(QObject* watched, QEvent* event) {
  if (m_running && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    Interrupt();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kelvarin
