// The block table: the main block's blocks in file order (number, type in hex and
// decimal, what it is, offset, size) with the tail last; under the object block,
// in file order, its records summed up per run of one kind and its unknown
// sub-blocks one by one. The model
// holds a picture of the document taken when it was last refreshed and never reads
// the document in between, so it can go on showing that picture while a worker
// holds the document.
#pragma once

#include <QAbstractItemModel>
#include <optional>
#include <vector>

#include "mob/blocklayout.h"

namespace kelvarin {

class TBlockBaseline;

// What a row of the table stands for.
struct TBlockRow {
  enum class Kind { Block, Group, UnknownSubBlock } kind = Kind::Block;
  std::size_t index = 0;  // into the layout's blocks, or its subBlocks (a run of records or an unknown one)
  bool operator==(const TBlockRow&) const = default;
};

class TBlocksTableModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  enum Column { kNumber, kTypeHex, kTypeDecimal, kWhat, kOffset, kSize, kColumnCount };

  using QAbstractItemModel::QAbstractItemModel;

  // Takes a new picture of `mob`'s file (FileLayoutOf: the file it was just read
  // from or written to); blocks whose bytes differ from `baseline` are marked as
  // changed.
  void Refresh(const TMob& mob, const TBlockBaseline& baseline);
  // The same with `layout`, the file's as taken beforehand.
  void Refresh(const TMob& mob, const TBlockBaseline& baseline, TBlockLayout layout);
  // Marks the blocks that differ from `baseline` now, with their new sizes; the
  // rest of the picture stays that of the file.
  void UpdateMarks(const TMob& mob, const TBlockBaseline& baseline);
  void Clear();

  const TBlockLayout& Layout() const { return m_layout; }
  std::optional<TBlockRow> RowAt(const QModelIndex& index) const;
  QModelIndex IndexOf(const TBlockRow& row) const;
  bool Changed(const TBlockRow& row) const;
  // The size of a block replaced since the file; nullopt for the others.
  std::optional<std::uint64_t> NewSize(const TBlockRow& row) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString What(const TBlockRow& row) const;
  void TakeMarks(const TMob& mob, const TBlockBaseline& baseline);

  TBlockLayout m_layout;
  std::optional<std::size_t> m_objectRow;   // the object block's row, which has children
  // Per layout block and per sub-block: the size an unknown one has now when it
  // was replaced since the file.
  std::vector<std::optional<std::uint64_t>> m_changedBlocks;
  std::vector<std::optional<std::uint64_t>> m_changedSubBlocks;
  bool m_questMob = false;
};

}  // namespace kelvarin
