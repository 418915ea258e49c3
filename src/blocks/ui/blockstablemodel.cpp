#include "blocks/ui/blockstablemodel.h"

#include <QFont>

#include "blocks/core/blockbaseline.h"
#include "blocks/core/blockreplace.h"
#include "common/qt/qtext.h"
#include "mob/tmob.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

namespace {

// Child rows carry their parent's row + 1 as internal id; top-level rows carry 0.
constexpr quintptr kTopLevel = 0;

// The captions of the objects tree, so that both pages name the kinds alike.
const char16_t* const kKindCaptions[kObjKindCount] = {
    u"Юниты", u"Объекты", u"Рычаги", u"Ловушки", u"Флеймы", u"Партиклы 1 типа", u"Партиклы 2 типа",
    u"Партиклы 3 типа"};


}  // namespace

void TBlocksTableModel::Refresh(const TMob& mob, const TBlockBaseline& baseline) {
  Refresh(mob, baseline, FileLayoutOf(mob));
}

void TBlocksTableModel::Refresh(const TMob& mob, const TBlockBaseline& baseline, TBlockLayout layout) {
  beginResetModel();
  m_layout = std::move(layout);
  m_objectRow = m_layout.ObjectBlockIndex();
  m_questMob = mob.MobKind == "QuestMob";
  TakeMarks(mob, baseline);
  endResetModel();
}

void TBlocksTableModel::TakeMarks(const TMob& mob, const TBlockBaseline& baseline) {
  m_changedBlocks.assign(m_layout.blocks.size(), std::nullopt);
  for (std::size_t i = 0; i < m_layout.blocks.size(); ++i) {
    const TBlockPlace& block = m_layout.blocks[i];
    if (block.kind == TBlockKind::Unknown && baseline.UnknownBlockChanged(mob, block.unknownIndex))
      m_changedBlocks[i] = mob.UnknownBlocks[block.unknownIndex].Data.size();
  }
  m_changedSubBlocks.assign(m_layout.subBlocks.size(), std::nullopt);
  for (std::size_t i = 0; i < m_layout.subBlocks.size(); ++i) {
    const TSubBlockPlace& sub = m_layout.subBlocks[i];
    if (sub.unknown && baseline.UnknownSubBlockChanged(mob, sub.unknownIndex))
      m_changedSubBlocks[i] = mob.UnknownObjectBlocks[sub.unknownIndex].Data.size();
  }
}

void TBlocksTableModel::UpdateMarks(const TMob& mob, const TBlockBaseline& baseline) {
  TakeMarks(mob, baseline);
  if (m_layout.blocks.empty()) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
  if (m_objectRow) {
    const QModelIndex parent = index(int(*m_objectRow), 0);
    if (const int children = rowCount(parent); children > 0)
      emit dataChanged(index(0, 0, parent), index(children - 1, kColumnCount - 1, parent));
  }
}

void TBlocksTableModel::Clear() {
  beginResetModel();
  m_layout = TBlockLayout();
  m_objectRow.reset();
  m_changedBlocks.clear();
  m_changedSubBlocks.clear();
  endResetModel();
}

std::optional<TBlockRow> TBlocksTableModel::RowAt(const QModelIndex& index) const {
  if (!index.isValid()) return std::nullopt;
  if (index.internalId() == kTopLevel) return TBlockRow{TBlockRow::Kind::Block, std::size_t(index.row())};
  const auto row = std::size_t(index.row());
  if (row >= m_layout.subBlocks.size()) return std::nullopt;
  return TBlockRow{m_layout.subBlocks[row].unknown ? TBlockRow::Kind::UnknownSubBlock : TBlockRow::Kind::Group, row};
}

QModelIndex TBlocksTableModel::IndexOf(const TBlockRow& row) const {
  switch (row.kind) {
    case TBlockRow::Kind::Block:
      return row.index < m_layout.blocks.size() ? index(int(row.index), 0) : QModelIndex();
    case TBlockRow::Kind::Group:
    case TBlockRow::Kind::UnknownSubBlock:
      if (!m_objectRow || row.index >= m_layout.subBlocks.size() ||
          m_layout.subBlocks[row.index].unknown != (row.kind == TBlockRow::Kind::UnknownSubBlock))
        return {};
      return index(int(row.index), 0, index(int(*m_objectRow), 0));
  }
  return {};
}

bool TBlocksTableModel::Changed(const TBlockRow& row) const { return NewSize(row).has_value(); }

std::optional<std::uint64_t> TBlocksTableModel::NewSize(const TBlockRow& row) const {
  if (row.kind == TBlockRow::Kind::Block && row.index < m_changedBlocks.size()) return m_changedBlocks[row.index];
  if (row.kind != TBlockRow::Kind::Block && row.index < m_changedSubBlocks.size())
    return m_changedSubBlocks[row.index];
  return std::nullopt;
}

QModelIndex TBlocksTableModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column < 0 || column >= kColumnCount || row >= rowCount(parent)) return {};
  return createIndex(row, column, parent.isValid() ? quintptr(parent.row() + 1) : kTopLevel);
}

QModelIndex TBlocksTableModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kTopLevel) return {};
  return createIndex(int(child.internalId() - 1), 0, kTopLevel);
}

int TBlocksTableModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return int(m_layout.blocks.size());
  if (parent.internalId() != kTopLevel || parent.column() != 0) return 0;
  if (!m_objectRow || std::size_t(parent.row()) != *m_objectRow) return 0;
  return int(m_layout.subBlocks.size());
}

int TBlocksTableModel::columnCount(const QModelIndex&) const { return kColumnCount; }

QString TBlocksTableModel::What(const TBlockRow& row) const {
  QString what;
  switch (row.kind) {
    case TBlockRow::Kind::Block:
      switch (m_layout.blocks[row.index].kind) {
        case TBlockKind::Flag: what = m_questMob ? u"флаговый блок (квестовый моб)"_s : u"флаговый блок (зональный моб)"_s; break;
        case TBlockKind::Script: what = u"блок скрипта"_s; break;
        case TBlockKind::Object: what = u"блок объектов"_s; break;
        case TBlockKind::Unknown: what = u"неизвестный блок"_s; break;
        case TBlockKind::Tail: what = u"хвост"_s; break;
      }
      break;
    case TBlockRow::Kind::Group: {
      const TSubBlockPlace& run = m_layout.subBlocks[row.index];
      what = QString::fromUtf16(kKindCaptions[int(run.kind)]) + u": "_s + QString::number(run.count);
      break;
    }
    case TBlockRow::Kind::UnknownSubBlock:
      what = u"неизвестный объект"_s;
      break;
  }
  if (const auto size = NewSize(row)) what += u" — заменён, теперь %1 байт"_s.arg(*size);
  return what;
}

QVariant TBlocksTableModel::data(const QModelIndex& index, int role) const {
  const std::optional<TBlockRow> row = RowAt(index);
  if (!row) return {};
  if (role == Qt::FontRole && Changed(*row)) {
    QFont bold;
    bold.setBold(true);
    return bold;
  }
  if (role == Qt::TextAlignmentRole && index.column() != kWhat)
    return int((index.column() == kTypeHex ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};

  std::optional<std::int32_t> number;
  std::optional<std::uint32_t> type;
  std::uint64_t offset = 0, size = 0;
  switch (row->kind) {
    case TBlockRow::Kind::Block: {
      const TBlockPlace& block = m_layout.blocks[row->index];
      if (block.kind != TBlockKind::Tail) {
        number = block.number;
        type = block.type;
      }
      offset = block.offset;
      size = block.size;
      break;
    }
    case TBlockRow::Kind::Group:
    case TBlockRow::Kind::UnknownSubBlock: {
      const TSubBlockPlace& sub = m_layout.subBlocks[row->index];
      type = sub.type;
      offset = sub.offset;
      size = sub.size;
      break;
    }
  }
  if (role == Qt::ToolTipRole) {
    if (index.column() == kOffset) return u"0x"_s + QString::number(offset, 16).toUpper();
    if (index.column() == kSize) return u"0x"_s + QString::number(size, 16).toUpper();
    return {};
  }
  switch (index.column()) {
    case kNumber: return number ? QString::number(*number) : QString();
    case kTypeHex: return type ? FromUtf8(BlockTypeHex(*type)) : QString();
    case kTypeDecimal: return type ? QString::number(*type) : QString();
    case kWhat: return What(*row);
    case kOffset: return QString::number(offset);
    default: return QString::number(size);
  }
}

QVariant TBlocksTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  switch (section) {
    case kNumber: return u"№"_s;
    case kTypeHex: return u"Тип (hex)"_s;
    case kTypeDecimal: return u"Тип"_s;
    case kWhat: return u"Что это"_s;
    case kOffset: return u"Смещение"_s;
    default: return u"Размер"_s;
  }
}

}  // namespace kelvarin
