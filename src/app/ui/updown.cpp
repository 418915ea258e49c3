#include "app/ui/updown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kelvarin {

TUpDown::TUpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_minimum(minimum), m_maximum(maximum),
      m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {m_up, m_down}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(17, 11);
    layout->addWidget(b);
  }
  m_up->setArrowType(Qt::UpArrow);
  m_down->setArrowType(Qt::DownArrow);
  connect(m_up, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(m_down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void TUpDown::StepBy(int steps) {
  if (!m_buddy) return;
  bool ok = false;
  int value = m_buddy->text().trimmed().toInt(&ok);
  if (!ok) value = m_minimum;
  value = std::clamp(value, m_minimum, m_maximum);
  value = std::clamp(value + steps, m_minimum, m_maximum);
  m_buddy->setText(QString::number(value));
}

}  // namespace kelvarin
