#include "objects/ui/objectstreemodel.h"

#include <QCollator>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/qt/qtext.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"
#include "objects/core/recordcolumns.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

// Root nodes carry internal id 0; a record node carries its kind + 1.
constexpr quintptr kRootId = 0;

// Texts ranked in the user's language, as a person reading the list expects:
// equal texts share a rank. Each distinct text is converted and keyed once, so a
// zone whose records repeat a few hundred names costs what those names cost.
struct TRankedTexts {
  std::vector<std::uint32_t> idOf;     // per text: its distinct text
  std::vector<std::string_view> distinct;
  std::vector<std::uint32_t> rank;     // per distinct text
};

TRankedTexts RankTexts(const std::vector<std::string_view>& texts) {
  TRankedTexts ranked;
  ranked.idOf.reserve(texts.size());
  std::unordered_map<std::string_view, std::uint32_t> ids;
  for (std::string_view text : texts) {
    const auto [it, added] = ids.try_emplace(text, std::uint32_t(ranked.distinct.size()));
    if (added) ranked.distinct.push_back(text);
    ranked.idOf.push_back(it->second);
  }
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  std::vector<QCollatorSortKey> keys;
  keys.reserve(ranked.distinct.size());
  for (std::string_view text : ranked.distinct) keys.push_back(collator.sortKey(FromCp1251(text)));
  std::vector<std::uint32_t> sorted(ranked.distinct.size());
  std::iota(sorted.begin(), sorted.end(), 0u);
  std::sort(sorted.begin(), sorted.end(),
            [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
  ranked.rank.resize(sorted.size());
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (i > 0 && keys[sorted[i - 1]].compare(keys[sorted[i]]) != 0) ++rank;
    ranked.rank[sorted[i]] = rank;
  }
  return ranked;
}

// The records of `byCaption` ordered by `less` over record indices; records it
// holds equal keep their caption order.
template <class Less>
std::vector<std::uint32_t> OrderBy(const std::vector<std::uint32_t>& byCaption, Less&& less) {
  std::vector<std::uint32_t> order = byCaption;
  std::stable_sort(order.begin(), order.end(), less);
  return order;
}

std::string_view TextCell(const TMob& mob, TObjRef ref, TRecordColumn column) {
  return VisitRecord(mob, ref, [&](const auto& r) -> std::string_view {
    if constexpr (HasCommonFields(std::decay_t<decltype(r)>::Kind))
      return column == TRecordColumn::Name2 ? std::string_view(r.Name2) : std::string_view(r.ScriptVariableName);
    return {};
  });
}

// Orders every kind's records of `rows` by `column`.
void OrderRows(const TMob& mob, TObjectsTreeModel::TRows& rows, int sortColumn, Qt::SortOrder sortOrder) {
  const auto column = TRecordColumn(sortColumn);
  const bool descending = sortOrder == Qt::DescendingOrder;
  for (ObjKind kind : kAllObjKinds) {
    TObjectsTreeModel::TKindRows& kindRows = rows.kinds[std::size_t(kind)];
    if (column == TRecordColumn::Caption) {
      kindRows.order = descending ? OrderBy(kindRows.byCaption, [&](std::uint32_t a, std::uint32_t b) {
        return rows.captionRank[kindRows.captionOf[b]] < rows.captionRank[kindRows.captionOf[a]];
      }) : kindRows.byCaption;
    } else if (IsNumericColumn(column)) {
      std::vector<double> keys(kindRows.byCaption.size());
      for (std::size_t i = 0; i < keys.size(); ++i)
        keys[i] = RecordColumnNumber(mob, {kind, i}, column).value_or(std::nan(""));
      // NaN, and a kind without the field, sorts after every number, either way.
      kindRows.order = OrderBy(kindRows.byCaption, [&](std::uint32_t a, std::uint32_t b) {
        const double x = keys[a], y = keys[b];
        if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
        return descending ? y < x : x < y;
      });
    } else {
      std::vector<std::string_view> texts(kindRows.byCaption.size());
      for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = TextCell(mob, {kind, i}, column);
      const TRankedTexts ranked = RankTexts(texts);
      kindRows.order = OrderBy(kindRows.byCaption, [&](std::uint32_t a, std::uint32_t b) {
        const std::uint32_t x = ranked.rank[ranked.idOf[a]], y = ranked.rank[ranked.idOf[b]];
        return descending ? y < x : x < y;
      });
    }
  }
  rows.sortColumn = sortColumn;
  rows.sortOrder = sortOrder;
}

// Numbers the `shown` records of `rows` in their order; the others get no row.
void NumberRows(TObjectsTreeModel::TKindRows& rows, const std::vector<std::uint32_t>& shown) {
  rows.rowOf.assign(rows.captionOf.size(), -1);
  for (std::size_t row = 0; row < shown.size(); ++row) rows.rowOf[shown[row]] = std::int32_t(row);
}

}  // namespace

TObjectsTreeModel::TObjectsTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

QString TObjectsTreeModel::RootCaption(ObjKind kind) { return QString::fromUtf8(ObjKindCaption(kind)); }

bool TObjectsTreeModel::TRows::Fits(const TMob& mob) const {
  for (ObjKind kind : kAllObjKinds)
    if (kinds[std::size_t(kind)].captionOf.size() != mob.Count(kind)) return false;
  return true;
}

std::unique_ptr<TObjectsTreeModel::TRows> TObjectsTreeModel::Prepare(const TMob& mob) const {
  auto prepared = std::make_unique<TRows>();
  TRows& rows = *prepared;
  std::vector<std::string_view> texts;
  texts.reserve(mob.TotalRecordCount());
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 0; i < mob.Count(kind); ++i) texts.push_back(RecordCaption(mob, {kind, i}));
  TRankedTexts ranked = RankTexts(texts);
  rows.captions.reserve(ranked.distinct.size());
  for (std::string_view text : ranked.distinct) rows.captions.push_back(FromCp1251(text));
  rows.captionRank = std::move(ranked.rank);
  std::size_t at = 0;
  for (ObjKind kind : kAllObjKinds) {
    TKindRows& kindRows = rows.kinds[std::size_t(kind)];
    const std::size_t count = mob.Count(kind);
    kindRows.captionOf.assign(ranked.idOf.begin() + std::ptrdiff_t(at), ranked.idOf.begin() + std::ptrdiff_t(at + count));
    at += count;
    kindRows.byCaption.resize(count);
    std::iota(kindRows.byCaption.begin(), kindRows.byCaption.end(), 0u);
    // Stable, so records with equal names keep their list order.
    std::stable_sort(kindRows.byCaption.begin(), kindRows.byCaption.end(), [&](std::uint32_t a, std::uint32_t b) {
      return rows.captionRank[kindRows.captionOf[a]] < rows.captionRank[kindRows.captionOf[b]];
    });
  }
  OrderRows(mob, rows, m_sortColumn, m_sortOrder);
  for (TKindRows& kindRows : rows.kinds) NumberRows(kindRows, kindRows.order);
  return prepared;
}

void TObjectsTreeModel::Fill(const TMob* mob, char decimalSeparator, std::unique_ptr<TRows> prepared) {
  if (mob && !(prepared && prepared->Fits(*mob))) prepared = Prepare(*mob);
  beginResetModel();
  m_mob = mob;
  m_decimalSeparator = decimalSeparator;
  m_index.Clear();
  m_indexStale = true;
  m_indexReady = false;
  m_release.Release(std::make_unique<TRows>(std::exchange(m_rows, prepared ? std::move(*prepared) : TRows{})));
  // The sort column may have changed since the rows were worked out.
  const bool reorder = mob && (m_rows.sortColumn != m_sortColumn || m_rows.sortOrder != m_sortOrder);
  if (reorder) OrderRecords();
  if (Filtered()) BuildIndex();
  if (Filtered() || reorder) {
    SelectShown();
  } else {
    ShowAll();  // the rows are numbered already
  }
  endResetModel();
}

void TObjectsTreeModel::SetDocumentHeld(bool held) {
  if (m_held == held) return;
  m_held = held;
  if (!m_mob) return;
  for (ObjKind kind : kAllObjKinds) {
    const int rows = int(ShownCount(kind));
    if (rows > 0)
      emit dataChanged(index(0, 1, RootIndex(kind)), index(rows - 1, kRecordColumnCount - 1, RootIndex(kind)));
  }
}

void TObjectsTreeModel::SetFilter(const TObjectFilter& filter) {
  if (filter == m_filter) return;
  if (!filter.Empty()) BuildIndex();
  ChangeLayout([&] {
    m_filter = filter;
    SelectShown();
  });
  emit dataChanged(RootIndex(ObjKind::Unit), RootIndex(ObjKind::Particle3).siblingAtColumn(1));
}

bool TObjectsTreeModel::IndexStep(std::size_t records) {
  if (!m_mob) return true;
  if (m_held) return false;
  if (m_indexStale) {
    m_passFilter.reset();  // the flags describe the old index
    m_index.Begin(m_decimalSeparator);
    m_indexStale = false;
    m_indexReady = false;
  }
  if (!m_indexReady) m_indexReady = m_index.Continue(*m_mob, records);
  return m_indexReady;
}

void TObjectsTreeModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kRecordColumnCount) return;
  if (column == m_sortColumn && order == m_sortOrder) return;
  ChangeLayout([&] {
    m_sortColumn = column;
    m_sortOrder = order;
    OrderRecords();
    SelectShown();
  });
}

void TObjectsTreeModel::OrderRecords() {
  if (m_mob) OrderRows(*m_mob, m_rows, m_sortColumn, m_sortOrder);
}

void TObjectsTreeModel::ShowAll() {
  for (ObjKind kind : kAllObjKinds) {
    m_rows.kinds[std::size_t(kind)].shown.clear();
    m_pass[std::size_t(kind)].clear();
  }
  m_passFilter.reset();
}

void TObjectsTreeModel::SelectShown() {
  const bool matching = !m_filter.Empty() && m_indexReady;
  const bool narrowing = matching && m_passFilter && NarrowsFilter(m_filter, *m_passFilter);
  for (ObjKind kind : kAllObjKinds) {
    TKindRows& rows = m_rows.kinds[std::size_t(kind)];
    auto& pass = m_pass[std::size_t(kind)];
    rows.shown.clear();
    if (!m_filter.Empty()) {
      // Without an index (the document is held) nothing passes until it can be built.
      if (matching) pass = m_index.Match(m_filter, kind, narrowing ? &pass : nullptr);
      else pass.assign(rows.order.size(), 0);
      for (std::uint32_t record : rows.order)
        if (pass[record]) rows.shown.push_back(record);
    }
    if (!matching) pass.clear();
    NumberRows(rows, Rows(kind));
  }
  if (matching) m_passFilter = m_filter;
  else m_passFilter.reset();
}

const std::vector<std::uint32_t>& TObjectsTreeModel::Rows(ObjKind kind) const {
  const TKindRows& rows = m_rows.kinds[std::size_t(kind)];
  return m_filter.Empty() ? rows.order : rows.shown;
}

template <class F> void TObjectsTreeModel::ChangeLayout(F&& change) {
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  std::vector<std::optional<TObjRef>> records;
  records.reserve(std::size_t(before.size()));
  for (const QModelIndex& node : before) records.push_back(RecordAt(node));
  change();
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    const auto& record = records[std::size_t(i)];
    const QModelIndex node = record ? IndexOf(*record) : before[i];  // kind rows stay
    after.push_back(node.isValid() ? node.siblingAtColumn(before[i].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

std::optional<ObjKind> TObjectsTreeModel::KindAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return std::nullopt;
  if (index.internalId() == kRootId) return ObjKind(index.row());
  return ObjKind(index.internalId() - 1);
}

std::optional<TObjRef> TObjectsTreeModel::RecordAt(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || index.internalId() == kRootId) return std::nullopt;
  const auto kind = ObjKind(index.internalId() - 1);
  return TObjRef{kind, Rows(kind)[std::size_t(index.row())]};
}

QModelIndex TObjectsTreeModel::RootIndex(ObjKind kind) const {
  return m_mob ? createIndex(int(kind), 0, kRootId) : QModelIndex();
}

QModelIndex TObjectsTreeModel::IndexOf(TObjRef ref) const {
  if (!m_mob) return {};
  const auto& rowOf = m_rows.kinds[std::size_t(ref.kind)].rowOf;
  if (ref.index >= rowOf.size() || rowOf[ref.index] < 0) return {};
  return createIndex(rowOf[ref.index], 0, quintptr(ref.kind) + 1);
}

QModelIndex TObjectsTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column < 0 || column >= kRecordColumnCount || row < 0 || row >= rowCount(parent)) return {};
  if (!parent.isValid()) return createIndex(row, column, kRootId);
  return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex TObjectsTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid() || child.internalId() == kRootId) return {};
  return createIndex(int(child.internalId() - 1), 0, kRootId);
}

int TObjectsTreeModel::rowCount(const QModelIndex& parent) const {
  if (!m_mob) return 0;
  if (!parent.isValid()) return kObjKindCount;
  if (parent.column() != 0 || parent.internalId() != kRootId) return 0;
  return int(ShownCount(ObjKind(parent.row())));
}

int TObjectsTreeModel::columnCount(const QModelIndex&) const { return kRecordColumnCount; }

QVariant TObjectsTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto column = TRecordColumn(index.column());
  if (role == Qt::TextAlignmentRole && IsNumericColumn(column))
    return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
  if (role != Qt::DisplayRole) return {};
  if (index.internalId() == kRootId) {
    const auto kind = ObjKind(index.row());
    if (column == TRecordColumn::Caption) return RootCaption(kind);
    if (column != TRecordColumn::Id) return {};
    const std::size_t all = m_rows.kinds[std::size_t(kind)].order.size();
    if (!Filtered()) return QString::number(all);
    return u"%1 из %2"_s.arg(ShownCount(kind)).arg(all);
  }
  const auto ref = *RecordAt(index);
  if (column == TRecordColumn::Caption) return m_rows.captions[m_rows.kinds[std::size_t(ref.kind)].captionOf[ref.index]];
  if (m_held || !RefersToRecord(*m_mob, ref)) return {};
  return FromCp1251(RecordColumnText(*m_mob, ref, column, m_decimalSeparator));
}

QVariant TObjectsTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (TRecordColumn(section)) {
    case TRecordColumn::Caption: return u"Имя"_s;
    case TRecordColumn::Id: return u"ID"_s;
    case TRecordColumn::Name2: return u"Name2"_s;
    case TRecordColumn::ScriptVariableName: return u"ScriptVariableName"_s;
    case TRecordColumn::PlayerNumber: return u"PlayerNumber"_s;
    case TRecordColumn::X: return u"X"_s;
    case TRecordColumn::Y: return u"Y"_s;
  }
  return {};
}

Qt::ItemFlags TObjectsTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.internalId() != kRootId) flags |= Qt::ItemNeverHasChildren;
  return flags;
}

}  // namespace kelvarin
