#include "script/ui/keychangerf.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/ui/prompts.h"
#include "common/textchecks.h"

namespace kelvarin {

using namespace Qt::Literals::StringLiterals;

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

std::optional<std::int32_t> TKeyChangerF::ParseKey(const QString& text) {
  QString trimmed = text.trimmed();
  if (trimmed.startsWith(u'+')) trimmed.remove(0, 1);
  // Only digits and "-" pass the check, so the UTF-8 bytes serve it.
  const QByteArray utf8 = trimmed.toUtf8();
  const std::string_view digits(utf8.constData(), std::size_t(utf8.size()));
  if (!CheckStrInt(digits)) return std::nullopt;
  return ConvertInt32(digits);
}

void TKeyChangerF::OkButClick() {
  // A text that is no key is refused with the conversion error; the dialog stays
  // up so the entry can be corrected.
  const std::optional<std::int32_t> key = ParseKey(m_keyEditF->text());
  if (!key) {
    m_prompts.ShowMessage(u"«%1» — недопустимое целое число."_s.arg(m_keyEditF->text()), TPrompts::Icon::Error);
    m_keyEditF->setFocus();
    m_keyEditF->selectAll();
    return;
  }
  m_key = *key;
  accept();
}

}  // namespace kelvarin
