#include "recovery/ui/recoveryguard.h"

#include <QDateTime>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "common/qt/qtext.h"
#include "program/appinfo.h"
#include "program/settings.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

TRecoveryChoice AskWithMessageBox(const QString& text) {
  QMessageBox box(QMessageBox::Question, FromUtf8(ProgramName), text);
  QPushButton* restore = box.addButton(u"Восстановить"_s, QMessageBox::AcceptRole);
  QPushButton* remove = box.addButton(u"Удалить"_s, QMessageBox::DestructiveRole);
  QPushButton* later = box.addButton(u"Позже"_s, QMessageBox::RejectRole);
  box.setDefaultButton(restore);
  box.setEscapeButton(later);
  box.exec();
  if (box.clickedButton() == restore) return TRecoveryChoice::Restore;
  if (box.clickedButton() == remove) return TRecoveryChoice::Delete;
  return TRecoveryChoice::Later;
}

}  // namespace

std::string DefaultRecoveryRoot() {
  return ToUtf8(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)) + "/recovery";
}

TRecoveryGuard::TRecoveryGuard(TShellServices& shell, std::string root)
    : m_shell(shell), m_root(std::move(root)), m_ask(AskWithMessageBox) {
  const int seconds = m_shell.Settings().RecoverySeconds;
  if (seconds <= 0) return;
  int err = 0;
  m_folder = TJournalFolder::Create(m_root, err);
  if (!m_folder) {
    m_shell.AppendLog(u"Журнал восстановления не ведётся: папку в %1 не удалось создать (%2)."_s.arg(
        FromUtf8(m_root), FromUtf8(SystemErrorText(err))));
    return;
  }
  // A failed write is told on the writer's thread; the log is the window's.
  m_writer = std::make_unique<TJournalWriter>(m_folder->JournalPath(), [this](const std::string& line) {
    QMetaObject::invokeMethod(this, [this, text = FromUtf8(line)] { m_shell.AppendLog(text); },
                              Qt::QueuedConnection);
  });
  m_timer.setSingleShot(true);
  m_timer.setInterval(seconds * 1000);
  connect(&m_timer, &QTimer::timeout, this, [this] { m_recorder->Flush(); });
  m_recorder = std::make_unique<TRecoveryRecorder>(
      m_shell.Session(), *m_writer,
      TRecoveryRecorder::THooks{[this] { return m_shell.EditedScript(); }, [this] { m_timer.start(); }, {}});
}

TRecoveryGuard::~TRecoveryGuard() {
  // Ending with the document still modified (the desktop session ends): what
  // gathered goes to disk too, to be offered at the next start.
  if (m_recorder) m_recorder->Flush();
  m_recorder.reset();
  m_writer.reset();  // finishes its writes
  // Nothing unsaved left (the window closed the document): nothing to offer later.
  if (m_folder && !Files().Exists(m_folder->JournalPath())) m_folder->Remove();
}

void TRecoveryGuard::FlushNow() {
  if (!m_recorder) return;
  m_timer.stop();
  m_recorder->Flush();
  m_writer->Wait();
}

void TRecoveryGuard::OfferLeftJournals() {
  for (TLeftJournal& left : FindLeftJournals(m_root)) Offer(left);
}

void TRecoveryGuard::Offer(TLeftJournal& left) {
  TPrompts& prompts = m_shell.Prompts();
  const QString journalPath = FromUtf8(left.folder->JournalPath());
  if (!left.journal) {
    prompts.ShowMessage(u"Журнал восстановления %1 не читается: %2. Он оставлен на месте."_s.arg(
                            journalPath, FromUtf8(left.problem)),
                        TPrompts::Icon::Error);
    return;
  }
  const TJournal& journal = *left.journal;
  const QString file = FromUtf8(journal.original.path);
  const QString when = QDateTime::fromMSecsSinceEpoch(journal.lastChangeMs).toString(u"dd.MM.yyyy HH:mm:ss"_s);
  switch (m_ask(u"Восстановить несохранённые изменения файла %1?\n\nПоследнее изменение: %2."_s.arg(file, when))) {
    case TRecoveryChoice::Later:
      return;
    case TRecoveryChoice::Delete:
      left.folder->Remove();
      return;
    case TRecoveryChoice::Restore:
      break;
  }
  std::string why;
  const TRestoreOutcome outcome = RestoreJournal(
      m_shell.Session(), journal, [&](const std::string& path) { return m_shell.OpenMob(FromUtf8(path)); }, why);
  if (outcome != TRestoreOutcome::Restored) {
    prompts.ShowMessage(u"Несохранённые изменения файла %1 не восстановлены: %2. Журнал оставлен: %3."_s.arg(
                            file, FromUtf8(why), journalPath),
                        TPrompts::Icon::Error);
    return;
  }
  m_shell.AppendLog(u"Восстановлены несохранённые изменения файла %1 (последнее изменение: %2)."_s.arg(file, when));
  // The old journal goes once the work it holds is in this editor's own.
  if (m_recorder) {
    const std::uint64_t before = m_writer->Written();
    FlushNow();
    if (m_writer->Written() == before) return;
  }
  left.folder->Remove();
}

}  // namespace kelvarin
