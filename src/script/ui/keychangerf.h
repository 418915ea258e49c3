// TKeyChangerF: the modal dialog that takes a new script key as a signed 32-bit
// decimal number.
#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace kelvarin {

class TPrompts;

class TKeyChangerF : public QDialog {
  Q_OBJECT
 public:
  TKeyChangerF(std::int32_t key, TPrompts& prompts, QWidget* parent = nullptr);

  // The entered key; set once the dialog was accepted.
  std::int32_t Key() const { return m_key; }

  QLineEdit* KeyEditF() const { return m_keyEditF; }
  QPushButton* OkBut() const { return m_okBut; }
  QPushButton* CancelBut() const { return m_cancelBut; }

 private:
  void OkButClick();

  TPrompts& m_prompts;
  std::int32_t m_key;
  QLineEdit* m_keyEditF;
  QPushButton* m_okBut;
  QPushButton* m_cancelBut;
};

}  // namespace kelvarin
