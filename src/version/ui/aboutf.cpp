#include "version/ui/aboutf.h"

#include <QLabel>
#include <QPushButton>

#include "app/core/appinfo.h"
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
  setFixedSize(439, 155);

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
  for (QLabel* label : findChildren<QLabel*>()) label->adjustSize();
}

void TAboutF::OkButClick() { accept(); }

void TAboutF::LicenseButClick() {
  if (m_openFile) m_openFile(m_licensePath);
}

}  // namespace kelvarin
