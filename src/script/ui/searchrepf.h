// TSearchRepF: the modal dialog that sets the search text, the replacement text and
// whether F3 / the dialog itself replaces. Enter accepts and Escape cancels wherever
// the focus is.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kelvarin {

class TPrompts;
struct TSettings;

class TSearchRepF : public QDialog {
  Q_OBJECT
 public:
  // Shows SearchStr, RepStr and MakeReplace; "Принять" writes them back.
  TSearchRepF(TSettings& settings, TPrompts& prompts, QWidget* parent = nullptr);

  QLineEdit* SearchEd() const { return m_searchEd; }
  QCheckBox* RepCB() const { return m_repCB; }
  QLineEdit* RepEd() const { return m_repEd; }
  QPushButton* GoBut() const { return m_goBut; }
  QPushButton* CancelBut() const { return m_cancelBut; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void GoButClick();

  TSettings& m_settings;
  TPrompts& m_prompts;
  QLineEdit* m_searchEd;
  QCheckBox* m_repCB;
  QLineEdit* m_repEd;
  QPushButton* m_goBut;
  QPushButton* m_cancelBut;
};

}  // namespace kelvarin
