// The objects tree as a model: eight kind roots in kind order, each holding one
// child per record of that kind's list, sorted by caption. A child refers to its
// record by position in the list; the captions are the record names as they were
// when the tree was filled. Built in one pass with one sort per root, so a zone of
// hundreds of thousands of records fills in a fraction of a second.
#pragma once

#include <QAbstractItemModel>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "objects/core/objectparams.h"

namespace kelvarin {

class TMob;

class ObjectsTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit ObjectsTreeModel(QObject* parent = nullptr);

  // Rebuilds from `mob`; nullptr empties the tree.
  void Fill(const TMob* mob);

  // The kind of a root or record node; nullopt for an invalid index.
  std::optional<ObjKind> KindAt(const QModelIndex& index) const;
  // The record of a record node; nullopt for a root node or an invalid index.
  std::optional<ObjRef> RecordAt(const QModelIndex& index) const;
  QModelIndex RootIndex(ObjKind kind) const;
  // The node of a record; invalid when the tree does not hold it.
  QModelIndex IndexOf(ObjRef ref) const;

  static QString RootCaption(ObjKind kind);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Child {
    QString caption;
    std::size_t recordIndex;
  };

  bool m_filled = false;
  std::array<std::vector<Child>, kObjKindCount> m_children;
};

}  // namespace kelvarin
