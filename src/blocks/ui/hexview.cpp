#include "blocks/ui/hexview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>
#include <set>

#include "blocks/core/hexdump.h"
#include "common/qt/fixedpitchfont.h"
#include "common/qt/qtext.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

namespace {

enum Column { kOffsetColumn, kHexColumn, kCharsColumn, kColumnCount };

}  // namespace

void THexModel::SetBytes(Bytes bytes) {
  beginResetModel();
  m_bytes = std::move(bytes);
  endResetModel();
}

int THexModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(HexDumpLineCount(m_bytes.size()));
}

int THexModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant THexModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto line = HexDumpLineBytes(m_bytes, std::size_t(index.row()));
  switch (index.column()) {
    case kOffsetColumn: return FromUtf8(HexDumpOffsetText(std::uint64_t(index.row()) * kHexDumpBytesPerLine));
    case kHexColumn: return FromUtf8(HexDumpBytesText(line));
    default: return FromCp1251(HexDumpCharsText(line));
  }
}

QVariant THexModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  switch (section) {
    case kOffsetColumn: return u"Смещение"_s;
    case kHexColumn: return u"Байты"_s;
    default: return u"Текст (1251)"_s;
  }
}

THexView::THexView(QWidget* parent) : QTableView(parent), m_model(new THexModel(this)) {
  setObjectName(u"BlocksHexView"_s);
  setModel(m_model);
  setEditTriggers(NoEditTriggers);
  setSelectionBehavior(SelectRows);
  setSelectionMode(ExtendedSelection);
  setWordWrap(false);
  setShowGrid(false);
  setFont(FixedPitchFont(13));
  verticalHeader()->hide();
  // Every row is one text line high: the view never measures rows it does not draw.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 2);
  const QFontMetrics metrics(font());
  const auto width = [&](int characters) { return metrics.horizontalAdvance(QString(characters, u'0')) + 12; };
  horizontalHeader()->resizeSection(kOffsetColumn, width(8));
  horizontalHeader()->resizeSection(kHexColumn, width(int(kHexDumpBytesPerLine * 3 - 1)));
  horizontalHeader()->setStretchLastSection(true);
}

void THexView::SetBytes(Bytes bytes) { m_model->SetBytes(std::move(bytes)); }

QString THexView::SelectionAsHex() const {
  const Bytes& bytes = m_model->Data();
  std::set<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.insert(index.row());
  if (rows.empty())
    for (int row = 0; row < m_model->rowCount(); ++row) rows.insert(row);
  QStringList lines;
  for (int row : rows) lines << FromUtf8(HexDumpBytesText(HexDumpLineBytes(bytes, std::size_t(row))));
  return lines.join(u'\n');
}

void THexView::CopyAsHex() const {
  const QString text = SelectionAsHex();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void THexView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyAsHex();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void THexView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(u"Копировать как hex"_s, this, &THexView::CopyAsHex);
  copy->setObjectName(u"CopyHexMenu"_s);
  copy->setEnabled(!m_model->Data().empty());
  menu.exec(event->globalPos());
}

}  // namespace kelvarin
