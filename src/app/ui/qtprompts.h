// The editor's prompts: Qt message boxes captioned with the program name, and the
// open and save dialogs for .mob files.
#pragma once

#include <QPointer>
#include <QWidget>

#include "shell/prompts.h"

namespace kelvarin {

class TQtPrompts : public TPrompts {
 public:
  explicit TQtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
  void SetParent(QWidget* parent) { m_parent = parent; }

  Answer AskYesNoCancel(const QString& text, Icon icon) override;
  bool AskYesNo(const QString& text, Icon icon) override;
  void ShowMessage(const QString& text, Icon icon) override;
  QString ChooseOpenFile(const QString& folder) override;
  QString ChooseSaveFile(const QString& folder) override;
  QString ChooseSavePicture(const QString& suggested) override;

  // The filter of both file dialogs.
  static QString MobFilter();

 private:
  QPointer<QWidget> m_parent;
};

}  // namespace kelvarin
