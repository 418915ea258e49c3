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

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

constexpr int kKeyColumn = 0;
constexpr int kValueColumn = 1;
// Rows that carry an ellipsis button in their cell editor.
constexpr int kEllipsisRole = Qt::UserRole + 1;
// The text the page last showed in a value cell; anything else there is an edit.
constexpr int kShownRole = Qt::UserRole + 2;

QIcon EllipsisIcon(const QWidget* context) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(context->palette().color(QPalette::Text));
  painter.drawText(pixmap.rect(), Qt::AlignCenter, u"..."_s);
  return QIcon(pixmap);
}

}  // namespace

// Plain line editors for the value cells; the table tracks the open one so that a
// text still being typed can be committed before the row is checked.
class TValuesEditor::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(TValuesEditor* table) : QStyledItemDelegate(table), m_table(table) {}

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
      button->setObjectName(u"EllipsisBut"_s);
      const QString key = m_table->Key(index.row());
      connect(button, &QAction::triggered, m_table, [table = m_table, key] {
        emit table->EllipsisClicked(key);
      });
    }
    // The delegate closes the editor after Enter with the same hint as when the
    // cursor moves to another row; only Enter confirms the row where it stands.
    connect(editor, &QLineEdit::returnPressed, m_table, [table = m_table, editor] {
      if (table->m_openEditor == editor) table->m_enterPressed = true;
    });
    m_table->m_openEditor = editor;
    m_table->m_openEditorRow = index.row();
    m_table->m_enterPressed = false;
    return editor;
  }

 private:
  TValuesEditor* m_table;
};

TValuesEditor::TValuesEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
  setObjectName(u"ValuesEditor"_s);
  setHorizontalHeaderLabels({u"Параметр"_s, u"Значение"_s});
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // The names stay in sight: the value column takes what the name column leaves
  // of the visible width, so the table never scrolls sideways and a value's
  // editor (with its "..." button) always ends inside the table. The name column
  // is 150 pixels, or what the longest name needs.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
  horizontalHeader()->setMinimumSectionSize(40);
  const int longestKey = fontMetrics().horizontalAdvance(u"ComplectionStrength"_s) +
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
  connect(qApp, &QApplication::focusChanged, this, &TValuesEditor::OnFocusChanged);
}

TValuesEditor::~TValuesEditor() {
  // The cell editor, destroyed with the table's children, hands the focus on:
  // that news must not reach a table whose own part is gone already.
  disconnect(qApp, nullptr, this, nullptr);
}

void TValuesEditor::ClearRows() {
  // Without a current cell, removing the rows raises no row-left notice.
  QSignalBlocker blocker(this);
  setCurrentCell(-1, -1);
  setRowCount(0);
}

void TValuesEditor::AppendRow(const QString& key, const QString& value, bool hasEllipsisButton) {
  const int row = rowCount();
  insertRow(row);
  auto* keyItem = new QTableWidgetItem(key);
  keyItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  setItem(row, kKeyColumn, keyItem);
  auto* valueItem = new QTableWidgetItem(value);
  valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
  valueItem->setData(kEllipsisRole, hasEllipsisButton);
  valueItem->setData(kShownRole, value);
  setItem(row, kValueColumn, valueItem);
}

void TValuesEditor::AppendRow(const QString& key, const QString& value, bool readOnly, const QString& toolTip) {
  AppendRow(key, value, false);
  QTableWidgetItem* valueItem = item(rowCount() - 1, kValueColumn);
  if (readOnly) valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  valueItem->setToolTip(toolTip);
}

void TValuesEditor::SetValueToolTip(const QString& key, const QString& toolTip) {
  if (const int row = RowOf(key); row >= 0) item(row, kValueColumn)->setToolTip(toolTip);
}

QString TValuesEditor::ShownValue(const QString& key) const {
  const int row = RowOf(key);
  return row < 0 ? QString() : item(row, kValueColumn)->data(kShownRole).toString();
}

QString TValuesEditor::Key(int row) const {
  const QTableWidgetItem* keyItem = item(row, kKeyColumn);
  return keyItem ? keyItem->text() : QString();
}

int TValuesEditor::RowOf(const QString& key) const {
  for (int row = 0; row < rowCount(); ++row)
    if (Key(row) == key) return row;
  return -1;
}

QString TValuesEditor::Value(const QString& key) const {
  const int row = RowOf(key);
  return row < 0 ? QString() : item(row, kValueColumn)->text();
}

bool TValuesEditor::SetValue(const QString& key, const QString& text) {
  const int row = RowOf(key);
  if (row < 0) return false;
  QTableWidgetItem* valueItem = item(row, kValueColumn);
  valueItem->setData(kShownRole, text);
  valueItem->setText(text);
  return true;
}

QStringList TValuesEditor::EditedKeys() const {
  QStringList keys;
  for (int row = 0; row < rowCount(); ++row) {
    const QTableWidgetItem* valueItem = item(row, kValueColumn);
    const QString text = m_openEditor && m_openEditorRow == row ? m_openEditor->text() : valueItem->text();
    if (text != valueItem->data(kShownRole).toString()) keys << Key(row);
  }
  return keys;
}

void TValuesEditor::MarkTaken(const QString& key) {
  const int row = RowOf(key);
  if (row < 0) return;
  CommitOpenEditor(key);
  QTableWidgetItem* valueItem = item(row, kValueColumn);
  valueItem->setData(kShownRole, valueItem->text());
}

QString TValuesEditor::CurrentKey() const {
  return currentRow() >= 0 ? Key(currentRow()) : QString();
}

void TValuesEditor::CommitOpenEditor(const QString& key) {
  if (m_openEditor && Key(m_openEditorRow) == key) commitData(m_openEditor);
}

void TValuesEditor::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTableWidget::scrollTo(index, hint);
  // Even in a table too narrow for both columns, reaching a value never pushes
  // the names out of sight.
  horizontalScrollBar()->setValue(0);
}

void TValuesEditor::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  const bool own = editor == m_openEditor;
  const int row = own ? m_openEditorRow : -1;
  const bool confirmed = own && m_enterPressed && hint == QAbstractItemDelegate::SubmitModelCache;
  if (own) {
    m_openEditor = nullptr;
    m_openEditorRow = -1;
    m_enterPressed = false;
  }
  QTableWidget::closeEditor(editor, hint);
  // Enter ends the edit as leaving the cell would; Tab moves the cursor on, which
  // leaves the row, and Escape drops the text.
  if (confirmed && row < rowCount()) emit RowConfirmed(Key(row));
}

bool TValuesEditor::Contains(const QWidget* widget) const {
  return widget && (widget == this || isAncestorOf(widget));
}

bool TValuesEditor::HoldsFocus() const { return Contains(QApplication::focusWidget()); }

void TValuesEditor::OnFocusChanged(QWidget* old, QWidget* now) {
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
