// The editor's prompts: Qt message boxes captioned with the program name, and the
// open and save dialogs for .mob files and for the bytes of one block.
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
  QString ChooseOpenBlockFile(const QString& folder) override;
  QString ChooseOpenScript(const QString& folder) override;
  QString ChooseSaveBlockFile(const QString& path) override;

  // The filter of both file dialogs of documents.
  static QString MobFilter();
  // The filter of the dialogs of a block's bytes.
  static QString BlockFilter();

 private:
  QPointer<QWidget> m_parent;
};

}  // namespace kelvarin
