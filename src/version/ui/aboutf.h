// The About box: program name, description, version, copyright, authors, contacts
// and licence, with a button that opens the licence text beside the executable.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace kelvarin {

class TVerInfoTxtFormat;

class TAboutF : public QDialog {
  Q_OBJECT
 public:
  // `openFile` shows a text file in the desktop's viewer.
  TAboutF(const TVerInfoTxtFormat& verInfo, QString licensePath,
          std::function<void(const QString&)> openFile, QWidget* parent = nullptr);

  void FormShow();
  void OkButClick();
  void LicenseButClick();

 private:
  QLabel* AddLabel(const char* name, int left, int top, const QString& text = {});
  void ArrangeControls();

  const TVerInfoTxtFormat& m_verInfo;
  QString m_licensePath;
  std::function<void(const QString&)> m_openFile;
  bool m_filled = false;

  QLabel* ProgaNamLab;
  QLabel* DescrLab;
  QLabel* FileVerLab;
  QLabel* CopyrightLab;
  QLabel* CraftedByLab;
  QLabel* DevelsContactsLab;
  QPushButton* LicenseBut;
  QPushButton* OkBut;
};

}  // namespace kelvarin
