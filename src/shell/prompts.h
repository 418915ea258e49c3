// Every question, refusal and file dialog of the program goes through this
// interface: the editor shows Qt message boxes captioned with the program name,
// tests script the answers.
#pragma once

#include <QString>

namespace kelvarin {

class TPrompts {
 public:
  enum class Icon { Warning, Question, Error, Information };
  enum class Answer { Yes, No, Cancel };

  virtual ~TPrompts() = default;

  virtual Answer AskYesNoCancel(const QString& text, Icon icon) = 0;
  // true for Yes.
  virtual bool AskYesNo(const QString& text, Icon icon) = 0;
  // One OK button.
  virtual void ShowMessage(const QString& text, Icon icon) = 0;
  // The open and save dialogs for .mob files, starting in `folder`; an empty
  // result means the user cancelled.
  virtual QString ChooseOpenFile(const QString& folder) = 0;
  virtual QString ChooseSaveFile(const QString& folder) = 0;
  // The save dialog for a PNG picture, offering `suggested` (a path); an empty
  // result means the user cancelled.
  virtual QString ChooseSavePicture(const QString& suggested) = 0;
  // The open and save dialogs for the bytes of one block (any file): open starts
  // in `folder`, save proposes `path` and asks before overwriting a file.
  virtual QString ChooseOpenBlockFile(const QString& folder) = 0;
  virtual QString ChooseSaveBlockFile(const QString& path) = 0;
  // The open dialog for a Python script (.py), starting in `folder`.
  virtual QString ChooseOpenScript(const QString& folder) = 0;
};

}  // namespace kelvarin
