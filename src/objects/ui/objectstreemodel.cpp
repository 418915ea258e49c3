#include "objects/ui/objectstreemodel.h"

#include <QCollator>
#include <algorithm>

#include "common/qt/qtext.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// Root nodes carry internal id 0; a record node carries its kind + 1.
constexpr quintptr kRootId = 0;

}  // namespace

ObjectsTreeModel::ObjectsTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

QString ObjectsTreeModel::RootCaption(ObjKind kind) { return QString::fromUtf8(ObjKindCaption(kind)); }

void ObjectsTreeModel::Fill(const TMob* mob) {
  beginResetModel();
  for (auto& children : m_children) {
    children.clear();
    children.shrink_to_fit();
  }
  m_filled = mob != nullptr;
  if (mob) {
    // Alphabetical in the user's language, as a person reading the list expects.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    for (ObjKind kind : kAllObjKinds) {
      auto& children = m_children[std::size_t(kind)];
      const std::size_t count = mob->Count(kind);
      children.reserve(count);
      for (std::size_t i = 0; i < count; ++i)
        children.push_back({FromCp1251(RecordCaption(*mob, {kind, i})), i});
      // Stable, so records with equal names keep their list order.
      std::stable_sort(children.begin(), children.end(), [&](const Child& a, const Child& b) {
        return collator.compare(a.caption, b.caption) < 0;
      });
    }
  }
  endResetModel();
}

std::optional<ObjKind> ObjectsTreeModel::KindAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return std::nullopt;
  if (index.internalId() == kRootId) return ObjKind(index.row());
  return ObjKind(index.internalId() - 1);
}

std::optional<ObjRef> ObjectsTreeModel::RecordAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || index.internalId() == kRootId)
    return std::nullopt;
  const auto kind = ObjKind(index.internalId() - 1);
  return ObjRef{kind, m_children[std::size_t(kind)][std::size_t(index.row())].recordIndex};
}

QModelIndex ObjectsTreeModel::RootIndex(ObjKind kind) const {
  return m_filled ? createIndex(int(kind), 0, kRootId) : QModelIndex();
}

QModelIndex ObjectsTreeModel::IndexOf(ObjRef ref) const {
  if (!m_filled) return {};
  const auto& children = m_children[std::size_t(ref.kind)];
  const auto it = std::find_if(children.begin(), children.end(),
                               [&](const Child& c) { return c.recordIndex == ref.index; });
  if (it == children.end()) return {};
  return createIndex(int(it - children.begin()), 0, quintptr(ref.kind) + 1);
}

QModelIndex ObjectsTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
  if (!parent.isValid()) return createIndex(row, 0, kRootId);
  return createIndex(row, 0, quintptr(parent.row()) + 1);
}

QModelIndex ObjectsTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kRootId) return {};
  return createIndex(int(child.internalId() - 1), 0, kRootId);
}

int ObjectsTreeModel::rowCount(const QModelIndex& parent) const {
  if (!m_filled) return 0;
  if (!parent.isValid()) return kObjKindCount;
  if (parent.column() != 0 || parent.internalId() != kRootId) return 0;
  return int(m_children[std::size_t(parent.row())].size());
}

int ObjectsTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant ObjectsTreeModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  if (index.internalId() == kRootId) return RootCaption(ObjKind(index.row()));
  return m_children[std::size_t(index.internalId() - 1)][std::size_t(index.row())].caption;
}

Qt::ItemFlags ObjectsTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.internalId() != kRootId) flags |= Qt::ItemNeverHasChildren;
  return flags;
}

}  // namespace kelvarin
