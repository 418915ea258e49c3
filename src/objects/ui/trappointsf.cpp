#include "objects/ui/trappointsf.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvarin {

using namespace Qt::StringLiterals;

// ---- the model ---------------------------------------------------------------

TTrapPointsModel::TTrapPointsModel(TTrapPointTable points, char decimalSeparator, QObject* parent)
    : QAbstractTableModel(parent), m_points(std::move(points)), m_separator(decimalSeparator) {}

int TTrapPointsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(m_points.Count());
}

int TTrapPointsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_points.Width() * 3;
}

QVariant TTrapPointsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const std::uint32_t bits = m_points.Value(std::size_t(index.row()), ValueOfColumn(index.column()));
  switch (index.column() % 3) {
    case 0: return QString::fromStdString(PointFloatText(bits, m_separator));
    case 1: return QString::fromStdString(PointDecimalText(bits));
    default: return QString::fromStdString(PointHexText(bits));
  }
}

QVariant TTrapPointsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return QString::number(section + 1);
  static const QString kForms[] = {u"float"_s, u"uint32"_s, u"hex"_s};
  return QString::number(ValueOfColumn(section) + 1) + u": "_s + kForms[section % 3];
}

Qt::ItemFlags TTrapPointsModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QString TTrapPointsModel::Message(const QModelIndex& index, const QString& text, TPointTextError error) const {
  const QString where = u"Точка %1, значение %2: "_s.arg(index.row() + 1).arg(ValueOfColumn(index.column()) + 1);
  const QString sep{QLatin1Char(m_separator)};
  QString what;
  if (IsFloatColumn(index.column()))
    what = error == TPointTextError::OutOfRange
               ? u"число «%1» не помещается в 32-битное float (по модулю от 1"_s + sep + u"4E-45 до 3"_s + sep +
                     u"4E38 или ноль)."_s
               : u"«%1» — не число. Здесь пишут число вида 12"_s + sep + u"5 или -1"_s + sep +
                     u"5E-7, либо nan, inf, -inf."_s;
  else
    what = error == TPointTextError::OutOfRange
               ? u"число «%1» не помещается в 32 бита (от -2147483648 до 4294967295, от 0x0 до 0xFFFFFFFF)."_s
               : u"«%1» — не целое число. Здесь пишут десятичное число от -2147483648 до 4294967295 или "
                 u"шестнадцатеричное вида 0x1F."_s;
  what = what.arg(text);
  return where + what + u" Значение не изменено."_s;
}

bool TTrapPointsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount()) return false;
  const QString text = value.toString();
  const std::size_t point = std::size_t(index.row());
  const int valueIndex = ValueOfColumn(index.column());
  const std::uint32_t current = m_points.Value(point, valueIndex);
  const std::string typed = text.toStdString();
  const TPointParse parsed = IsFloatColumn(index.column()) ? ParsePointFloat(typed, m_separator, current)
                                                           : ParsePointInteger(typed);
  if (!parsed.bits) {
    emit Refused(index, text, Message(index, text, parsed.error));
    return false;
  }
  m_points.SetValue(point, valueIndex, *parsed.bits);
  emit dataChanged(this->index(index.row(), valueIndex * 3), this->index(index.row(), valueIndex * 3 + 2));
  emit Taken(index);
  return true;
}

void TTrapPointsModel::InsertPoint(int at) {
  beginInsertRows({}, at, at);
  m_points.Insert(std::size_t(at));
  endInsertRows();
}

void TTrapPointsModel::RemovePoint(int at) {
  beginRemoveRows({}, at, at);
  m_points.Remove(std::size_t(at));
  endRemoveRows();
}

void TTrapPointsModel::MovePoint(int from, int to) {
  if (from == to || !beginMoveRows({}, from, from, {}, to > from ? to + 1 : to)) return;
  m_points.Move(std::size_t(from), std::size_t(to));
  endMoveRows();
}

// ---- the grid ------------------------------------------------------------------

bool TPointsGrid::CommitOpenEditor() {
  if (!Editing()) return false;
  QWidget* editor = indexWidget(currentIndex());
  if (!editor) return false;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
  return true;
}

// ---- the dialog ----------------------------------------------------------------

TTrapPointsF::TTrapPointsF(const QString& listName, TTrapPointTable points, char decimalSeparator,
                           QWidget* parent)
    : QDialog(parent),
      m_model(new TTrapPointsModel(std::move(points), decimalSeparator, this)),
      m_grid(new TPointsGrid(this)),
      m_message(new QLabel(this)),
      m_add(new QPushButton(u"Добавить"_s, this)),
      m_insert(new QPushButton(u"Вставить"_s, this)),
      m_delete(new QPushButton(u"Удалить"_s, this)),
      m_up(new QPushButton(u"Выше"_s, this)),
      m_down(new QPushButton(u"Ниже"_s, this)),
      m_ok(new QPushButton(u"ОК"_s, this)),
      m_cancel(new QPushButton(u"Отмена"_s, this)) {
  setObjectName(u"TrapPointsF"_s);
  setWindowTitle(u"Точки ловушки: "_s + listName);
  setModal(true);

  m_grid->setObjectName(u"PointsGrid"_s);
  m_grid->setModel(m_model);
  m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
  m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

  m_message->setObjectName(u"PointsMessageLab"_s);
  m_message->setWordWrap(true);
  m_message->setStyleSheet(u"color: #b00000;"_s);
  m_message->hide();

  const struct {
    QPushButton* button;
    const char16_t* name;
    const char16_t* tip;
  } buttons[] = {
      {m_add, u"AddPointBut", u"Добавить точку из нулей в конец списка"},
      {m_insert, u"InsertPointBut", u"Вставить точку из нулей перед выбранной"},
      {m_delete, u"DeletePointBut", u"Удалить выбранную точку"},
      {m_up, u"MoveUpBut", u"Передвинуть выбранную точку на одну выше"},
      {m_down, u"MoveDownBut", u"Передвинуть выбранную точку на одну ниже"},
      {m_ok, u"OkBut", u"Записать список точек в ловушку"},
      {m_cancel, u"CancelBut", u"Закрыть, ничего не меняя"},
  };
  for (const auto& b : buttons) {
    b.button->setObjectName(QString::fromUtf16(b.name));
    b.button->setToolTip(QString::fromUtf16(b.tip));
    b.button->setAutoDefault(false);
  }
  m_ok->setDefault(true);

  auto* side = new QVBoxLayout;
  for (QPushButton* b : {m_add, m_insert, m_delete, m_up, m_down}) side->addWidget(b);
  side->addStretch(1);
  auto* middle = new QHBoxLayout;
  middle->addWidget(m_grid, 1);
  middle->addLayout(side);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(m_ok);
  bottom->addWidget(m_cancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(middle, 1);
  column->addWidget(m_message);
  column->addLayout(bottom);

  connect(m_add, &QPushButton::clicked, this, &TTrapPointsF::AddPoint);
  connect(m_insert, &QPushButton::clicked, this, &TTrapPointsF::InsertPoint);
  connect(m_delete, &QPushButton::clicked, this, &TTrapPointsF::DeletePoint);
  connect(m_up, &QPushButton::clicked, this, [this] { MovePoint(-1); });
  connect(m_down, &QPushButton::clicked, this, [this] { MovePoint(+1); });
  connect(m_ok, &QPushButton::clicked, this, &TTrapPointsF::OkButClick);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_model, &TTrapPointsModel::Refused, this, &TTrapPointsF::ShowRefusal);
  connect(m_model, &TTrapPointsModel::Taken, this, [this](const QModelIndex& index) {
    if (index == m_refusedCell) m_refusedCell = QPersistentModelIndex();
    m_message->hide();
  });
  // An edit abandoned with Escape gives up the refused text with it.
  connect(m_grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
            if (hint == QAbstractItemDelegate::RevertModelCache) m_refusedCell = QPersistentModelIndex();
          });
  connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, &TTrapPointsF::UpdateButtons);
  connect(m_model, &QAbstractItemModel::rowsInserted, this, &TTrapPointsF::UpdateButtons);
  connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TTrapPointsF::UpdateButtons);
  connect(m_model, &QAbstractItemModel::rowsMoved, this, &TTrapPointsF::UpdateButtons);

  if (m_model->rowCount() > 0) SelectPoint(0);
  UpdateButtons();
  resize(120 + 110 * m_model->columnCount(), 380);
}

const TTrapPointTable& TTrapPointsF::Points() const { return m_model->Points(); }

int TTrapPointsF::CurrentPoint() const {
  const QModelIndex current = m_grid->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void TTrapPointsF::SelectPoint(int row) {
  if (row < 0 || row >= m_model->rowCount()) return;
  const int column = std::max(0, m_grid->currentIndex().column());
  m_grid->setCurrentIndex(m_model->index(row, column));
  m_grid->scrollTo(m_grid->currentIndex());
}

void TTrapPointsF::UpdateButtons() {
  const int row = CurrentPoint(), count = m_model->rowCount();
  m_insert->setEnabled(true);
  m_delete->setEnabled(row >= 0);
  m_up->setEnabled(row > 0);
  m_down->setEnabled(row >= 0 && row + 1 < count);
}

void TTrapPointsF::AddPoint() {
  m_grid->CommitOpenEditor();
  m_model->InsertPoint(m_model->rowCount());
  SelectPoint(m_model->rowCount() - 1);
}

void TTrapPointsF::InsertPoint() {
  m_grid->CommitOpenEditor();
  const int at = std::max(0, CurrentPoint());
  m_model->InsertPoint(at);
  SelectPoint(at);
}

void TTrapPointsF::DeletePoint() {
  m_grid->CommitOpenEditor();
  const int row = CurrentPoint();
  if (row < 0) return;
  m_model->RemovePoint(row);
  SelectPoint(std::min(row, m_model->rowCount() - 1));
  UpdateButtons();
}

void TTrapPointsF::MovePoint(int by) {
  m_grid->CommitOpenEditor();
  const int row = CurrentPoint(), to = row + by;
  if (row < 0 || to < 0 || to >= m_model->rowCount()) return;
  m_model->MovePoint(row, to);
  SelectPoint(to);
}

void TTrapPointsF::ShowRefusal(const QModelIndex& index, const QString& text, const QString& message) {
  m_message->setText(message);
  m_message->show();
  m_refusedCell = index;
  m_refusedText = text;
  // The refused text goes back into its cell, to be corrected or abandoned; the
  // editor that held it closes only after this returns.
  QTimer::singleShot(0, this, &TTrapPointsF::ReopenRefusedCell);
}

void TTrapPointsF::ReopenRefusedCell() {
  if (!m_refusedCell.isValid() || m_grid->Editing()) return;
  const QModelIndex cell = m_refusedCell;
  m_grid->setCurrentIndex(cell);
  m_grid->edit(cell);
  if (auto* editor = qobject_cast<QLineEdit*>(m_grid->indexWidget(cell))) {
    editor->setText(m_refusedText);
    editor->selectAll();
  }
}

void TTrapPointsF::OkButClick() {
  // A shortcut or a click that took no focus leaves the cell editor open: its text
  // counts as typed.
  m_grid->CommitOpenEditor();
  if (m_refusedCell.isValid()) {
    ReopenRefusedCell();
    return;
  }
  accept();
}

void TTrapPointsF::keyPressEvent(QKeyEvent* event) {
  // Enter in a cell editor finishes that edit (the editor's commit follows this
  // event); it must not press OK before the value is in.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      m_grid->Editing()) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kelvarin
