// The recovery journal in the running editor: it keeps the open document's unsaved
// work in a journal of this editor's own under the user's data folder ("recovery"),
// brought to disk RecoverySeconds after a change (0: no journal), and, once the
// window is up, offers back the work of editors that are gone.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "recovery/core/journalstore.h"
#include "recovery/core/recorder.h"

namespace kelvarin {

class TShellServices;

enum class TRecoveryChoice { Restore, Delete, Later };

class TRecoveryGuard : public QObject {
 public:
  // `root`: the folder the journals lie in (UTF-8).
  TRecoveryGuard(TShellServices& shell, std::string root);
  ~TRecoveryGuard() override;

  // The question about one journal; a message box with "Восстановить", "Удалить"
  // and "Позже" unless tests give their own.
  void SetAsk(std::function<TRecoveryChoice(const QString& text)> ask) { m_ask = std::move(ask); }
  // Offers every journal no running editor holds, oldest first.
  void OfferLeftJournals();
  // Brings what has gathered to disk now and waits for it (tests).
  void FlushNow();

 private:
  void Offer(TLeftJournal& left);

  TShellServices& m_shell;
  std::string m_root;
  std::function<TRecoveryChoice(const QString&)> m_ask;
  QTimer m_timer;
  std::unique_ptr<TJournalFolder> m_folder;
  std::unique_ptr<TJournalWriter> m_writer;
  std::unique_ptr<TRecoveryRecorder> m_recorder;
};

// The journals' folder: "recovery" in the user's data folder for this program.
std::string DefaultRecoveryRoot();

}  // namespace kelvarin
