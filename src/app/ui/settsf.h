// The settings dialog: the three load/save options. "Принять" takes them over and
// writes the settings file; "Отмена" and the close box change nothing.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvarin {

class TPrompts;
class TUpDown;
struct TSettings;

class TSettsF : public QDialog {
  Q_OBJECT
 public:
  TSettsF(TSettings& settings, TPrompts& prompts, std::function<void()> saveSettings,
          QWidget* parent = nullptr);

  void FormShow();
  void OkButClick();
  void CancelButClick();

 private:
  TSettings& m_settings;
  TPrompts& m_prompts;
  std::function<void()> m_saveSettings;

  QCheckBox* UseTMobThreadsCB;
  QLabel* Label1;
  QLineEdit* SaveAttemptsEd;
  TUpDown* SaveAttemptsUD;
  QCheckBox* MakeAutoBackupsCB;
  QPushButton* OkBut;
  QPushButton* CancelBut;
};

}  // namespace kelvarin
