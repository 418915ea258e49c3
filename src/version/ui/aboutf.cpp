#include "version/ui/aboutf.h"

#include <QLabel>
#include <algorithm>
#include <QPushButton>

#include "program/appinfo.h"
#include "common/qt/qtext.h"
#include "version/core/verinfotxtformat.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

TAboutF::TAboutF(const TVerInfoTxtFormat& verInfo, QString licensePath,
                 std::function<void(const QString&)> openFile, QWidget* parent)
    : QDialog(parent), m_verInfo(verInfo), m_licensePath(std::move(licensePath)),
      m_openFile(std::move(openFile)) {
  setObjectName(u"AboutF"_s);
  setWindowTitle(u"О программе"_s);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  ProgaNamLab = AddLabel("ProgaNamLab", 10, 5);
  DescrLab = AddLabel("DescrLab", 10, 22);
  AddLabel("Label1", 10, 39, u"Версия :"_s);
  FileVerLab = AddLabel("FileVerLab", 60, 40);
  CopyrightLab = AddLabel("CopyrightLab", 10, 58);
  AddLabel("Label2", 10, 76, u"Crafted by:"_s);
  CraftedByLab = AddLabel("CraftedByLab", 64, 76);
  DevelsContactsLab = AddLabel("DevelsContactsLab", 10, 94);
  AddLabel("Label3", 8, 112, u"Данная программа распространяется на условиях"_s);
  AddLabel("Label4", 8, 130, FromUtf8(LicenseName));
  QFont bold = ProgaNamLab->font();
  bold.setBold(true);
  ProgaNamLab->setFont(bold);

  LicenseBut = new QPushButton(u"Текст лицензиии"_s, this);
  LicenseBut->setObjectName(u"LicenseBut"_s);
  LicenseBut->setGeometry(264, 128, 99, 22);
  OkBut = new QPushButton(u"Закрыть"_s, this);
  OkBut->setObjectName(u"OkBut"_s);
  OkBut->setGeometry(368, 128, 64, 22);
  OkBut->setDefault(true);
  connect(LicenseBut, &QPushButton::clicked, this, &TAboutF::LicenseButClick);
  connect(OkBut, &QPushButton::clicked, this, &TAboutF::OkButClick);
  FormShow();
}

QLabel* TAboutF::AddLabel(const char* name, int left, int top, const QString& text) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  return label;
}

void TAboutF::FormShow() {
  if (m_filled) return;
  m_filled = true;
  ProgaNamLab->setText(FromUtf8(ProgramName));
  DescrLab->setText(FromUtf8(ProgramDescription));
  FileVerLab->setText(FromUtf8(m_verInfo.GenerateVersionString()));
  CopyrightLab->setText(FromUtf8(CopyrightLine));
  CraftedByLab->setText(FromUtf8(AuthorsLine));
  DevelsContactsLab->setText(FromUtf8(ContactsLine));
  ArrangeControls();
}

void TAboutF::ArrangeControls() {
  // The box keeps its classic places and size, but a label never runs into its
  // neighbour and the buttons fit their captions when the desktop's font is larger.
  QLabel* label4 = nullptr;
  int right = 0;
  for (QLabel* label : findChildren<QLabel*>()) {
    label->adjustSize();
    if (label->objectName() == u"Label4"_s) label4 = label;
  }
  auto placeAfter = [](QLabel* value, const char* caption, int left) {
    const QLabel* before = value->parentWidget()->findChild<QLabel*>(QString::fromLatin1(caption));
    value->move(std::max(left, before->geometry().right() + 5), value->y());
  };
  placeAfter(FileVerLab, "Label1", 60);
  placeAfter(CraftedByLab, "Label2", 64);
  for (QLabel* label : findChildren<QLabel*>())
    if (label != label4) right = std::max(right, label->geometry().right());

  const int okWidth = std::max(64, OkBut->sizeHint().width());
  const int licenseWidth = std::max(99, LicenseBut->sizeHint().width());
  const int width = std::max({439, right + 10, label4->geometry().right() + 10 + licenseWidth + 5 + okWidth + 7});
  const int height = std::max(155, label4->geometry().bottom() + 8);
  OkBut->setGeometry(width - 7 - okWidth, 128, okWidth, 22);
  LicenseBut->setGeometry(OkBut->x() - 5 - licenseWidth, 128, licenseWidth, 22);
  setFixedSize(width, height);
}

void TAboutF::OkButClick() { accept(); }

void TAboutF::LicenseButClick() {
  if (m_openFile) m_openFile(m_licensePath);
}

}  // namespace kelvarin
