// A TPrompts for headless tests: the test queues the answers in the order the
// questions will come, and every question, message and file dialog is recorded
// for later checks. A question that finds no queued answer (or an answer of the
// wrong kind) fails the running test and is answered Cancel / No / "cancelled".
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <variant>
#include <vector>

#include "shell/prompts.h"
#include "support/qtprinters.h"

namespace kelvarin {

class TScriptedPrompts : public TPrompts {
 public:
  enum class Kind { YesNoCancel, YesNo, Message, OpenFile, SaveFile, SavePicture };

  struct Record {
    Kind kind;
    QString text;  // the question or message; the start folder for file dialogs
    Icon icon = Icon::Information;
  };

  // ---- answers, consumed in order
  TScriptedPrompts& Answer(TPrompts::Answer answer);
  TScriptedPrompts& AnswerYesNo(bool yes);
  // The path the next open, save or picture dialog returns; an empty path cancels it.
  TScriptedPrompts& ChooseFile(const QString& path);

  // ---- what happened
  const std::vector<Record>& Records() const { return m_records; }
  // Records of one kind, in order.
  std::vector<Record> RecordsOf(Kind kind) const;
  // Texts of every question and message, in order (file dialogs left out).
  QStringList Texts() const;
  bool AllAnswersUsed() const { return m_answers.empty(); }
  void Clear();

  // ---- TPrompts
  TPrompts::Answer AskYesNoCancel(const QString& text, Icon icon) override;
  bool AskYesNo(const QString& text, Icon icon) override;
  void ShowMessage(const QString& text, Icon icon) override;
  QString ChooseOpenFile(const QString& folder) override;
  QString ChooseSaveFile(const QString& folder) override;
  QString ChooseSavePicture(const QString& suggested) override;
  QString ChooseOpenBlockFile(const QString& folder) override { return ChooseOpenFile(folder); }
  QString ChooseSaveBlockFile(const QString& path) override { return ChooseSaveFile(path); }
  QString ChooseOpenScript(const QString& folder) override { return ChooseOpenFile(folder); }

 private:
  struct FileChoice {
    QString path;
  };
  using Queued = std::variant<TPrompts::Answer, bool, FileChoice>;
  template <class T> const T* Next(const char* what, const QString& text);

  std::deque<Queued> m_answers;
  std::vector<Record> m_records;
};

}  // namespace kelvarin
