// Up and down arrows bound to an edit field: each click steps the field's number
// by one within [minimum, maximum], without wrapping. Typing in the field is not
// limited; a text that is not a number steps from the minimum.
#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kelvarin {

class TUpDown : public QWidget {
  Q_OBJECT
 public:
  TUpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

  void StepBy(int steps);
  QToolButton* UpButton() const { return m_up; }
  QToolButton* DownButton() const { return m_down; }

 private:
  QPointer<QLineEdit> m_buddy;
  int m_minimum;
  int m_maximum;
  QToolButton* m_up;
  QToolButton* m_down;
};

}  // namespace kelvarin
