// The objects tree as a model: eight kind roots in kind order, each holding one
// child per record of that kind's list, sorted by caption. A child refers to its
// record by position in the list; the captions are the record names as they were
// when the tree was filled. Beside the caption stand the columns of
// `recordcolumns.h` (id, Name2, ScriptVariableName, PlayerNumber, X, Y), read from
// the document when shown; a kind row shows its record count in the id column.
//
// A header click sorts the records of every kind by that column (the kind rows
// keep their order; equal values keep the caption order), and a filter shows
// only the records that pass it. Neither changes the document.
//
// Built for zones of millions of records: each distinct caption is converted and
// given its collation key once (zones repeat their names by the thousand), a
// record finds its row through a table instead of a search, and the filter
// searches an index of folded texts built on first use.
#pragma once

#include <QAbstractItemModel>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "document/backgroundrelease.h"
#include "objects/core/objectfilter.h"
#include "objects/core/objectparams.h"

namespace kelvarin {

class TMob;

class TObjectsTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  struct TKindRows {
    std::vector<std::uint32_t> captionOf;  // per record: its caption in `captions`
    std::vector<std::uint32_t> byCaption;  // records in caption order
    std::vector<std::uint32_t> order;      // records in the sort column's order
    std::vector<std::uint32_t> shown;      // while filtered: the records of `order` that pass
    std::vector<std::int32_t> rowOf;       // per record: its row, or -1 while hidden
  };
  // The rows of a document: what a fill works out from its records.
  struct TRows {
    std::vector<QString> captions;            // each distinct caption once
    std::vector<std::uint32_t> captionRank;   // per distinct caption: its place in caption order
    std::array<TKindRows, kObjKindCount> kinds;
    int sortColumn = 0;                       // what `order` follows
    Qt::SortOrder sortOrder = Qt::AscendingOrder;

    // Still fits `mob`: as many records of each kind.
    bool Fits(const TMob& mob) const;
  };

  explicit TObjectsTreeModel(QObject* parent = nullptr);

  // The rows of `mob`, unfiltered, in the sort column's order: the whole cost of a
  // fill. It reads nothing but `mob` and the sort column and touches no view, so a
  // load's worker thread can work it out before the document is handed back.
  std::unique_ptr<TRows> Prepare(const TMob& mob) const;

  // Rebuilds from `mob`; nullptr empties the tree. Coordinates are shown with
  // `decimalSeparator`. The filter and the sort column are kept. `prepared`, when
  // it still fits `mob`, is taken instead of working the rows out again.
  void Fill(const TMob* mob, char decimalSeparator = '.', std::unique_ptr<TRows> prepared = {});

  // While a load, save or mass change holds the document the columns beyond the
  // caption are not read (they show empty), nor is a filter index built.
  void SetDocumentHeld(bool held);

  // Records' fields have changed: the filter reads them again when next set.
  void RecordsEdited() { m_indexStale = true; }
  // Indexes up to `records` more records for the filter, so that the first
  // filter finds the index built; true when it is (or there is nothing to index).
  // A filter set before then completes the index first.
  bool IndexStep(std::size_t records);
  bool IndexReady() const { return m_indexReady && !m_indexStale; }

  // Shows only the records that pass; an empty filter shows them all.
  void SetFilter(const TObjectFilter& filter);
  bool Filtered() const { return !m_filter.Empty(); }
  // How many records of the kind the tree shows.
  std::size_t ShownCount(ObjKind kind) const { return Rows(kind).size(); }

  // The kind of a root or record node; nullopt for an invalid index.
  std::optional<ObjKind> KindAt(const QModelIndex& index) const;
  // The record of a record node; nullopt for a root node or an invalid index.
  std::optional<TObjRef> RecordAt(const QModelIndex& index) const;
  QModelIndex RootIndex(ObjKind kind) const;
  // The node of a record; invalid when the tree does not hold or show it.
  QModelIndex IndexOf(TObjRef ref) const;

  static QString RootCaption(ObjKind kind);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  const std::vector<std::uint32_t>& Rows(ObjKind kind) const;
  // The filter's index of the document, unless it is held or indexed already.
  void BuildIndex() { IndexStep(std::numeric_limits<std::size_t>::max()); }
  // Orders every kind's records by the sort column.
  void OrderRecords();
  // Every record shown, in `order`.
  void ShowAll();
  // Picks the shown records from `order` and renumbers the rows.
  void SelectShown();
  // Runs `change` as a layout change: the view's selection and expanded kinds
  // follow their records; a record that goes out of sight loses them.
  template <class F> void ChangeLayout(F&& change);

  const TMob* m_mob = nullptr;
  char m_decimalSeparator = '.';
  bool m_held = false;
  // Atomic: Prepare may read them on a worker thread.
  std::atomic<int> m_sortColumn = 0;
  std::atomic<Qt::SortOrder> m_sortOrder = Qt::AscendingOrder;
  TObjectFilter m_filter;
  // The flags of the filter last matched, per kind: a filter that narrows it
  // searches only the records they let through.
  std::array<std::vector<std::uint8_t>, kObjKindCount> m_pass;
  std::optional<TObjectFilter> m_passFilter;
  TObjectFilterIndex m_index;
  bool m_indexStale = true;   // to be started again
  bool m_indexReady = false;  // describes the document
  TRows m_rows;
  // The rows a fill replaces: a zone whose records all have names of their own
  // holds millions of captions, and freeing them would stop the window.
  TBackgroundRelease m_release;
};

}  // namespace kelvarin
