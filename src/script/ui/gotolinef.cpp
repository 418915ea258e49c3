#include "script/ui/gotolinef.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/prompts.h"
#include "common/qt/qtext.h"
#include "script/core/lineplace.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TGoToLineF::TGoToLineF(long currentLine, long lineCount, std::function<long(long)> lineLength, TPrompts& prompts,
                       QWidget* parent)
    : QDialog(parent), m_lineCount(lineCount), m_lineLength(std::move(lineLength)), m_prompts(prompts) {
  setObjectName(u"GoToLineF"_s);
  setWindowTitle(u"Переход к строке"_s);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* label = new QLabel(u"Номер строки (1–%1) или строка:столбец:"_s.arg(lineCount), this);
  label->setObjectName(u"LineLabel"_s);
  m_lineEd = new QLineEdit(QString::number(currentLine), this);
  m_lineEd->setObjectName(u"LineEd"_s);
  m_lineEd->selectAll();
  label->setBuddy(m_lineEd);
  m_goBut = new QPushButton(u"Перейти"_s, this);
  m_goBut->setObjectName(u"GoBut"_s);
  m_goBut->setDefault(true);
  m_cancelBut = new QPushButton(u"Отмена"_s, this);
  m_cancelBut->setObjectName(u"CancelBut"_s);

  auto* column = new QVBoxLayout(this);
  column->addWidget(label);
  column->addWidget(m_lineEd);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_goBut);
  buttons->addWidget(m_cancelBut);
  column->addLayout(buttons);

  connect(m_goBut, &QPushButton::clicked, this, &TGoToLineF::GoButClick);
  connect(m_cancelBut, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(sizeHint());
}

void TGoToLineF::Refuse(const QString& text) {
  m_prompts.ShowMessage(text, TPrompts::Icon::Warning);
  m_lineEd->setFocus();
  m_lineEd->selectAll();
}

void TGoToLineF::GoButClick() {
  const std::optional<TLinePlace> place = ParseLinePlace(ToUtf8(m_lineEd->text()));
  if (!place)
    return Refuse(u"Введите номер строки или строку и столбец через двоеточие, например 120:5."_s);
  if (place->line > m_lineCount) return Refuse(u"Номера строк здесь от 1 до %1."_s.arg(m_lineCount));
  // The column after the last character is a place too: the end of the line.
  const long columns = m_lineLength(place->line) + 1;
  if (place->column > columns) return Refuse(u"В строке %1 столбцы от 1 до %2."_s.arg(place->line).arg(columns));
  m_line = place->line;
  m_column = place->column == 0 ? 1 : place->column;
  accept();
}

}  // namespace kelvarin
