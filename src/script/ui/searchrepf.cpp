#include "script/ui/searchrepf.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "program/settings.h"
#include "shell/prompts.h"
#include "common/qt/qtext.h"
#include "script/ui/cp1251input.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TSearchRepF::TSearchRepF(TSettings& settings, TPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompts(prompts) {
  setObjectName(u"SearchRepF"_s);
  setWindowTitle(u"Найти \\ найти и заменить"_s);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* label = new QLabel(u"Найти:"_s, this);
  label->setObjectName(u"Label1"_s);
  m_searchEd = new QLineEdit(FromCp1251(m_settings.SearchStr), this);
  m_searchEd->setObjectName(u"SearchEd"_s);
  m_repCB = new QCheckBox(u"и заменить на:"_s, this);
  m_repCB->setObjectName(u"RepCB"_s);
  m_repCB->setChecked(m_settings.MakeReplace);
  m_repEd = new QLineEdit(FromCp1251(m_settings.RepStr), this);
  m_repEd->setObjectName(u"RepEd"_s);
  m_repEd->setEnabled(m_repCB->isChecked());
  m_goBut = new QPushButton(u"Принять"_s, this);
  m_goBut->setObjectName(u"GoBut"_s);
  m_cancelBut = new QPushButton(u"Отмена"_s, this);
  m_cancelBut->setObjectName(u"CancelBut"_s);
  label->setBuddy(m_searchEd);

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(m_searchEd, 0, 1);
  grid->addWidget(m_repCB, 1, 0);
  grid->addWidget(m_repEd, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_goBut);
  buttons->addWidget(m_cancelBut);
  grid->addLayout(buttons, 2, 0, 1, 2);

  connect(m_repCB, &QCheckBox::toggled, m_repEd, &QWidget::setEnabled);
  connect(m_goBut, &QPushButton::clicked, this, &TSearchRepF::GoButClick);
  connect(m_cancelBut, &QPushButton::clicked, this, &QDialog::reject);
  // Enter and Escape belong to the dialog, not to the control that has the focus.
  for (QWidget* control : {static_cast<QWidget*>(m_searchEd), static_cast<QWidget*>(m_repCB),
                           static_cast<QWidget*>(m_repEd), static_cast<QWidget*>(m_goBut),
                           static_cast<QWidget*>(m_cancelBut)}) {
    control->installEventFilter(this);
    if (auto* button = qobject_cast<QPushButton*>(control)) button->setAutoDefault(false);
  }

  setFixedSize(390, 127);
  move(301, 230);
}

bool TSearchRepF::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
      event->accept();
      if (event->type() == QEvent::KeyPress) {
        if (key == Qt::Key_Escape)
          reject();
        else
          GoButClick();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TSearchRepF::GoButClick() {
  // Both texts are kept in code page 1251 (they go into Kelvarin.ini); one that
  // 1251 cannot hold is refused and the dialog stays up to fix it.
  const std::optional<std::string> search = Cp1251OrRefuse(m_searchEd->text(), m_prompts);
  if (!search) return m_searchEd->setFocus();
  const std::optional<std::string> replacement = Cp1251OrRefuse(m_repEd->text(), m_prompts);
  if (!replacement) return m_repEd->setFocus();
  m_settings.SearchStr = *search;
  m_settings.RepStr = *replacement;
  m_settings.MakeReplace = m_repCB->isChecked();
  accept();
}

}  // namespace kelvarin
