// TGoToLineF: the modal dialog of "go to line". It takes a line number, or a line
// and a column as "line:column", and refuses a text it cannot read or a place
// outside the script with a message, staying up so the entry can be corrected.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace kelvarin {

class TPrompts;

class TGoToLineF : public QDialog {
  Q_OBJECT
 public:
  // `lineLength(line)` gives the characters of 1-based line `line`.
  TGoToLineF(long currentLine, long lineCount, std::function<long(long)> lineLength, TPrompts& prompts,
             QWidget* parent = nullptr);

  // The chosen place, 1-based; set once the dialog was accepted.
  long Line() const { return m_line; }
  long Column() const { return m_column; }

  QLineEdit* LineEd() const { return m_lineEd; }
  QPushButton* GoBut() const { return m_goBut; }
  QPushButton* CancelBut() const { return m_cancelBut; }

 private:
  void GoButClick();
  void Refuse(const QString& text);

  long m_lineCount;
  std::function<long(long)> m_lineLength;
  TPrompts& m_prompts;
  long m_line = 0;
  long m_column = 1;
  QLineEdit* m_lineEd;
  QPushButton* m_goBut;
  QPushButton* m_cancelBut;
};

}  // namespace kelvarin
