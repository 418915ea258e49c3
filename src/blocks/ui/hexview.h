// THexView: a read-only hex view of one block's bytes, sixteen a line: the offset
// from the block's start, the bytes in hex and as code page 1251 characters. Rows
// are made as they are drawn, so a block of many megabytes costs no more than a
// small one. Ctrl+C and the context menu copy the selected lines as hex.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "common/bytes.h"

namespace kelvarin {

class THexModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetBytes(Bytes bytes);
  const Bytes& Data() const { return m_bytes; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  Bytes m_bytes;
};

class THexView : public QTableView {
  Q_OBJECT
 public:
  explicit THexView(QWidget* parent = nullptr);

  // Shows `bytes` (a copy: the view never reads the document); empty clears it.
  void SetBytes(Bytes bytes);
  const Bytes& Data() const { return m_model->Data(); }

  // The bytes of the selected lines as hex pairs, a line of text for each line of
  // the view; all the bytes when no line is selected; empty without bytes.
  QString SelectionAsHex() const;
  void CopyAsHex() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  THexModel* m_model;
};

}  // namespace kelvarin
