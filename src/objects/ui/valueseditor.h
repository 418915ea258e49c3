// The parameter table: a two-column key/value list ("Параметр", "Значение") whose
// keys cannot be edited and whose rows are set by the page, never by the user.
// It reports when the cursor leaves a row and when Enter ends a cell's edit (the
// row's text is then checked and written back by the page), and when the table
// as a whole gains or loses the input focus, counting the cell editor as part of
// the table. It knows which rows hold a text the user typed and the page has not
// yet taken.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>


namespace kelvarin {

class TValuesEditor : public QTableWidget {
  Q_OBJECT

 public:
  explicit TValuesEditor(QWidget* parent = nullptr);
  ~TValuesEditor() override;

  void ClearRows();
  void AppendRow(const QString& key, const QString& value, bool hasEllipsisButton = false);
  // A row whose value cannot be edited, or one shown with a tooltip (the values of
  // several records that differ).
  void AppendRow(const QString& key, const QString& value, bool readOnly, const QString& toolTip);
  void SetValueToolTip(const QString& key, const QString& toolTip);
  // What the page last showed in the row (the text an edit is measured against).
  QString ShownValue(const QString& key) const;
  // Rows without the title row.
  int ParamRowCount() const { return rowCount(); }
  QString Key(int row) const;
  // The text of the row with `key` (a typed but uncommitted text is not included:
  // call CommitOpenEditor first); empty when there is no such row.
  QString Value(const QString& key) const;
  // false when there is no such row. The text counts as the page's own, not as
  // an edit.
  bool SetValue(const QString& key, const QString& text);
  // The rows whose text (in the open cell editor, or put into the row by the
  // editor as it closed) differs from what the page last showed there: edits the
  // page has not yet taken.
  QStringList EditedKeys() const;
  // The page has taken the row's text (applied or refused it): it is no longer an
  // edit. A text still in the open cell editor goes into the row first.
  void MarkTaken(const QString& key);
  // The key of the row under the cursor; empty when there is none.
  QString CurrentKey() const;
  // Puts the text typed into the open cell editor of the row with `key` into the row.
  void CommitOpenEditor(const QString& key);
  // Whether the table or its cell editor holds the input focus.
  bool HoldsFocus() const;
  // The cell editor that is open; nullptr when none is.
  QLineEdit* OpenEditor() const { return m_openEditor; }

 signals:
  // The cursor moved away from the row with `key`.
  void RowLeft(const QString& key);
  // Enter ended the edit of the row's cell; the cursor stays on the row.
  void RowConfirmed(const QString& key);
  void FocusEntered();
  // The user moved the focus away from the table.
  void FocusLeft();
  // The table lost the focus because it was disabled (the busy lock, a close):
  // nobody left a row, and nothing is to be applied.
  void FocusDropped();
  void EllipsisClicked(const QString& key);

 protected:
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  class Delegate;
  int RowOf(const QString& key) const;
  void OnFocusChanged(QWidget* old, QWidget* now);
  bool Contains(const QWidget* widget) const;

  QPointer<QLineEdit> m_openEditor;
  int m_openEditorRow = -1;
  bool m_enterPressed = false;  // in the open cell editor
  bool m_hasFocus = false;
};

}  // namespace kelvarin
