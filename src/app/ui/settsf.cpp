#include "app/ui/settsf.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "program/settings.h"
#include "shell/conversionerror.h"
#include "shell/prompts.h"
#include "app/ui/updown.h"
#include "mob/tmob.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

TSettsF::TSettsF(TSettings& settings, TPrompts& prompts, std::function<void()> saveSettings,
                 QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompts(prompts), m_saveSettings(std::move(saveSettings)) {
  setObjectName(u"SettsF"_s);
  setWindowTitle(u"Настройки етой злобной проги"_s);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  UseTMobThreadsCB = new QCheckBox(
      u"Использовать нитки при сохранении\\загрузке мобов (в этой версии может глючить)"_s, this);
  Label1 = new QLabel(u"Количество повторных попыток сохранения при неудаче:"_s, this);
  SaveAttemptsEd = new QLineEdit(u"0"_s, this);
  SaveAttemptsUD = new TUpDown(SaveAttemptsEd, 0, kMaxSaveAttempts, this);
  MakeAutoBackupsCB = new QCheckBox(u"Делать автоматические бекапы"_s, this);
  OkBut = new QPushButton(u"Принять"_s, this);
  CancelBut = new QPushButton(u"Отмена"_s, this);
  UseTMobThreadsCB->setObjectName(u"UseTMobThreadsCB"_s);
  Label1->setObjectName(u"Label1"_s);
  SaveAttemptsEd->setObjectName(u"SaveAttemptsEd"_s);
  SaveAttemptsUD->setObjectName(u"SaveAttemptsUD"_s);
  MakeAutoBackupsCB->setObjectName(u"MakeAutoBackupsCB"_s);
  OkBut->setObjectName(u"OkBut"_s);
  CancelBut->setObjectName(u"CancelBut"_s);
  SaveAttemptsEd->setFixedWidth(50);
  OkBut->setDefault(true);

  auto* attempts = new QHBoxLayout;
  attempts->addWidget(Label1);
  attempts->addWidget(SaveAttemptsEd);
  attempts->addWidget(SaveAttemptsUD);
  attempts->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkBut);
  buttons->addWidget(CancelBut);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(UseTMobThreadsCB);
  layout->addLayout(attempts);
  layout->addWidget(MakeAutoBackupsCB);
  layout->addLayout(buttons);
  setFixedSize(sizeHint().expandedTo(QSize(483, 118)));

  connect(OkBut, &QPushButton::clicked, this, &TSettsF::OkButClick);
  connect(CancelBut, &QPushButton::clicked, this, &TSettsF::CancelButClick);
  FormShow();
}

void TSettsF::FormShow() {
  UseTMobThreadsCB->setChecked(m_settings.UseTMobThreads);
  SaveAttemptsEd->setText(QString::number(m_settings.SaveAttempts));
  MakeAutoBackupsCB->setChecked(m_settings.MakeAutoBackups);
}

void TSettsF::OkButClick() {
  // Nothing is taken over unless every value converts: a refused dialog leaves
  // the settings exactly as they were.
  const std::optional<int> attempts = StrToIntOrReport(m_prompts, SaveAttemptsEd->text());
  if (!attempts) return;
  // More retries than that would keep a failing save busy for ever.
  if (*attempts > kMaxSaveAttempts) {
    m_prompts.ShowMessage(u"Повторных попыток сохранения может быть не больше %1."_s.arg(kMaxSaveAttempts),
                          TPrompts::Icon::Error);
    return;
  }
  m_settings.UseTMobThreads = UseTMobThreadsCB->isChecked();
  m_settings.SaveAttempts = *attempts;
  m_settings.MakeAutoBackups = MakeAutoBackupsCB->isChecked();
  if (m_saveSettings) m_saveSettings();
  accept();
}

void TSettsF::CancelButClick() { reject(); }

}  // namespace kelvarin
