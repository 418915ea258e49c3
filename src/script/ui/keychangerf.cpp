#include "script/ui/keychangerf.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/conversionerror.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TKeyChangerF::TKeyChangerF(std::int32_t key, TPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_key(key) {
  setObjectName(u"KeyChangerF"_s);
  setWindowTitle(u"Смена ключа скрипта"_s);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* label = new QLabel(u"Введите новый ключ:"_s, this);
  label->setObjectName(u"Label2"_s);
  m_keyEditF = new QLineEdit(QString::number(key), this);
  m_keyEditF->setObjectName(u"KeyEditF"_s);
  m_okBut = new QPushButton(u"Принять"_s, this);
  m_okBut->setObjectName(u"OkBut"_s);
  m_okBut->setDefault(true);
  m_cancelBut = new QPushButton(u"АААтмена"_s, this);
  m_cancelBut->setObjectName(u"CancelBut"_s);
  label->setBuddy(m_keyEditF);

  auto* column = new QVBoxLayout(this);
  column->addWidget(label);
  column->addWidget(m_keyEditF);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_okBut);
  buttons->addWidget(m_cancelBut);
  column->addLayout(buttons);

  connect(m_okBut, &QPushButton::clicked, this, &TKeyChangerF::OkButClick);
  connect(m_cancelBut, &QPushButton::clicked, this, &QDialog::reject);

  setFixedSize(241, 99);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TKeyChangerF::OkButClick() {
  // A text that is no signed 32-bit integer gets the conversion error; the dialog
  // stays up so the entry can be corrected.
  const std::optional<int> key = StrToIntOrReport(m_prompts, m_keyEditF->text());
  if (!key) {
    m_keyEditF->setFocus();
    m_keyEditF->selectAll();
    return;
  }
  m_key = *key;
  accept();
}

}  // namespace kelvarin
