#include "objects/ui/valueseditor.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <limits>

namespace kelvarin {
namespace {

constexpr int kKeyColumn = 0;
constexpr int kValueColumn = 1;
// Rows that carry an ellipsis button in their cell editor.
constexpr int kEllipsisRole = Qt::UserRole + 1;

QIcon EllipsisIcon(const QWidget* context) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(context->palette().color(QPalette::Text));
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("..."));
  return QIcon(pixmap);
}

}  // namespace

// Plain line editors for the value cells; the table tracks the open one so that a
// text still being typed can be committed before the row is checked.
class ValuesEditor::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(ValuesEditor* table) : QStyledItemDelegate(table), m_table(table) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    // The default limit (32767) would cut a longer value as the editor opens, and
    // leaving the row would then store the cut text.
    editor->setMaxLength(std::numeric_limits<int>::max());
    Q_UNUSED(option);
    if (index.data(kEllipsisRole).toBool()) {
      QAction* button = editor->addAction(EllipsisIcon(editor), QLineEdit::TrailingPosition);
      button->setObjectName(QStringLiteral("EllipsisBut"));
      const QString key = m_table->Key(index.row());
      connect(button, &QAction::triggered, m_table, [table = m_table, key] {
        emit table->EllipsisClicked(key);
      });
    }
    m_table->m_openEditor = editor;
    m_table->m_openEditorRow = index.row();
    return editor;
  }

 private:
  ValuesEditor* m_table;
};

ValuesEditor::ValuesEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
  setObjectName(QStringLiteral("ValuesEditor"));
  setHorizontalHeaderLabels({QStringLiteral("Параметр"), QStringLiteral("Значение")});
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // The names stay in sight: the value column takes what the name column leaves
  // of the visible width, so the table never scrolls sideways and a value's
  // editor (with its "..." button) always ends inside the table. The name column
  // is 150 pixels, or what the longest name needs.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
  horizontalHeader()->setMinimumSectionSize(40);
  const int longestKey = fontMetrics().horizontalAdvance(QStringLiteral("ComplectionStrength")) +
                         2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) +
                         fontMetrics().averageCharWidth();
  setColumnWidth(kKeyColumn, std::max(150, longestKey));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AllEditTriggers);
  setWordWrap(false);
  setItemDelegate(new Delegate(this));

  connect(this, &QTableWidget::currentCellChanged, this,
          [this](int, int, int previousRow, int) {
            // A row that is being cleared away is not "left" by the user.
            if (previousRow >= 0 && previousRow < rowCount() && previousRow != currentRow())
              emit RowLeft(Key(previousRow));
          });
  connect(qApp, &QApplication::focusChanged, this, &ValuesEditor::OnFocusChanged);
}

void ValuesEditor::ClearRows() {
  // Without a current cell, removing the rows raises no row-left notice.
  QSignalBlocker blocker(this);
  setCurrentCell(-1, -1);
  setRowCount(0);
}

void ValuesEditor::AppendRow(const QString& key, const QString& value, bool hasEllipsisButton) {
  const int row = rowCount();
  insertRow(row);
  auto* keyItem = new QTableWidgetItem(key);
  keyItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  setItem(row, kKeyColumn, keyItem);
  auto* valueItem = new QTableWidgetItem(value);
  valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
  valueItem->setData(kEllipsisRole, hasEllipsisButton);
  setItem(row, kValueColumn, valueItem);
}

QString ValuesEditor::Key(int row) const {
  const QTableWidgetItem* keyItem = item(row, kKeyColumn);
  return keyItem ? keyItem->text() : QString();
}

int ValuesEditor::RowOf(const QString& key) const {
  for (int row = 0; row < rowCount(); ++row)
    if (Key(row) == key) return row;
  return -1;
}

QString ValuesEditor::Value(const QString& key) const {
  const int row = RowOf(key);
  return row < 0 ? QString() : item(row, kValueColumn)->text();
}

bool ValuesEditor::SetValue(const QString& key, const QString& text) {
  const int row = RowOf(key);
  if (row < 0) return false;
  item(row, kValueColumn)->setText(text);
  return true;
}

QString ValuesEditor::CurrentKey() const {
  return currentRow() >= 0 ? Key(currentRow()) : QString();
}

void ValuesEditor::CommitOpenEditor(const QString& key) {
  if (m_openEditor && Key(m_openEditorRow) == key) commitData(m_openEditor);
}

void ValuesEditor::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTableWidget::scrollTo(index, hint);
  // Even in a table too narrow for both columns, reaching a value never pushes
  // the names out of sight.
  horizontalScrollBar()->setValue(0);
}

void ValuesEditor::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  if (editor == m_openEditor) {
    m_openEditor = nullptr;
    m_openEditorRow = -1;
  }
  QTableWidget::closeEditor(editor, hint);
}

bool ValuesEditor::Contains(const QWidget* widget) const {
  return widget && (widget == this || isAncestorOf(widget));
}

bool ValuesEditor::HoldsFocus() const { return Contains(QApplication::focusWidget()); }

void ValuesEditor::OnFocusChanged(QWidget* old, QWidget* now) {
  Q_UNUSED(old);
  const bool hasFocus = Contains(now);
  if (hasFocus == m_hasFocus) return;
  if (hasFocus) {
    m_hasFocus = true;
    emit FocusEntered();
    return;
  }
  if (!isEnabled()) {
    // Disabling takes the focus away, at once or, when no other control can take
    // it, at the next focus change: either way it is no leave of the user's.
    m_hasFocus = false;
    emit FocusDropped();
    return;
  }
  // Switching to another program takes the focus from every widget for a while;
  // the table keeps its place in the window and is not left.
  if (!now) return;
  m_hasFocus = false;
  emit FocusLeft();
}

}  // namespace kelvarin
