// TTrapPointsF: the modal dialog that edits one point list of a trap (TrapPoints1,
// three values a point, or TrapPoints2, two). Every value is shown as a float and
// as its raw integer in decimal and in hex, and may be typed in any of the three;
// points are added, inserted, deleted and moved. The dialog edits its own copy:
// OK hands the whole list back, Cancel and Escape leave it untouched. A text that
// is no value of its column is refused with a message and the cell keeps its value.
#pragma once

#include <QDialog>
#include <QTableView>

#include "objects/core/trappoints.h"

class QLabel;
class QPushButton;

namespace kelvarin {

// The point list as a table: one row a point, three columns a value (float,
// unsigned decimal, hex).
class TTrapPointsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TTrapPointsModel(TTrapPointTable points, char decimalSeparator, QObject* parent = nullptr);

  const TTrapPointTable& Points() const { return m_points; }
  static int ValueOfColumn(int column) { return column / 3; }
  static bool IsFloatColumn(int column) { return column % 3 == 0; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Takes a typed text; a text that is no value of its column is refused (Refused
  // tells why) and the value stays.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  void InsertPoint(int at);
  void RemovePoint(int at);
  void MovePoint(int from, int to);

 signals:
  void Refused(const QModelIndex& index, const QString& text, const QString& message);
  void Taken(const QModelIndex& index);

 private:
  QString Message(const QModelIndex& index, const QString& text, TPointTextError error) const;

  TTrapPointTable m_points;
  char m_separator;
};

// The grid of the dialog; it can commit the text of its open cell editor.
class TPointsGrid : public QTableView {
  Q_OBJECT
 public:
  using QTableView::QTableView;
  bool Editing() const { return state() == EditingState; }
  // Puts the open cell editor's text into the model; false when none is open.
  bool CommitOpenEditor();
};

class TTrapPointsF : public QDialog {
  Q_OBJECT
 public:
  // `listName` is "TrapPoints1" or "TrapPoints2"; `decimalSeparator` the locale's.
  TTrapPointsF(const QString& listName, TTrapPointTable points, char decimalSeparator,
               QWidget* parent = nullptr);

  // The list as edited; what OK hands back.
  const TTrapPointTable& Points() const;

  TPointsGrid* PointsGrid() const { return m_grid; }
  QLabel* MessageLab() const { return m_message; }
  QPushButton* AddPointBut() const { return m_add; }
  QPushButton* InsertPointBut() const { return m_insert; }
  QPushButton* DeletePointBut() const { return m_delete; }
  QPushButton* MoveUpBut() const { return m_up; }
  QPushButton* MoveDownBut() const { return m_down; }
  QPushButton* OkBut() const { return m_ok; }
  QPushButton* CancelBut() const { return m_cancel; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OkButClick();
  void AddPoint();
  void InsertPoint();
  void DeletePoint();
  void MovePoint(int by);
  void SelectPoint(int row);
  void UpdateButtons();
  void ShowRefusal(const QModelIndex& index, const QString& text, const QString& message);
  void ReopenRefusedCell();
  int CurrentPoint() const;

  TTrapPointsModel* m_model;
  TPointsGrid* m_grid;
  QLabel* m_message;
  QPushButton* m_add;
  QPushButton* m_insert;
  QPushButton* m_delete;
  QPushButton* m_up;
  QPushButton* m_down;
  QPushButton* m_ok;
  QPushButton* m_cancel;
  // The cell whose typed text was refused and the text, until it is corrected or
  // its edit is abandoned: OK waits for that.
  QPersistentModelIndex m_refusedCell;
  QString m_refusedText;
};

}  // namespace kelvarin
