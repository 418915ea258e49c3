#include "app/ui/resultspanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/qt/qtext.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

void TResultListModel::SetEntries(std::vector<TResultEntry> entries) {
  beginResetModel();
  m_entries = std::move(entries);
  endResetModel();
}

int TResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || std::size_t(index.row()) >= m_entries.size()) return {};
  const TResultEntry& entry = m_entries[std::size_t(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return FromUtf8(entry.text);
    case Qt::DecorationRole: {
      if (!entry.severity) return {};
      const QStyle::StandardPixmap icon = *entry.severity == TSeverity::Error     ? QStyle::SP_MessageBoxCritical
                                          : *entry.severity == TSeverity::Warning ? QStyle::SP_MessageBoxWarning
                                                                                  : QStyle::SP_MessageBoxInformation;
      return QApplication::style()->standardIcon(icon);
    }
    default:
      return {};
  }
}

TResultsPanel::TResultsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(u"ResultsPanel"_s);
  m_title = new QLabel(this);
  m_title->setObjectName(u"ResultsTitle"_s);
  m_close = new QToolButton(this);
  m_close->setObjectName(u"ResultsCloseBut"_s);
  m_close->setText(u"×"_s);
  m_close->setToolTip(u"Закрыть список"_s);
  m_close->setAutoRaise(true);
  m_model = new TResultListModel(this);
  m_view = new QListView(this);
  m_view->setObjectName(u"ResultsView"_s);
  m_view->setModel(m_model);
  m_view->setUniformItemSizes(true);  // long lists stay fast
  m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);

  auto* header = new QHBoxLayout;
  header->setContentsMargins(4, 0, 0, 0);
  header->addWidget(m_title, 1);
  header->addWidget(m_close);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(header);
  column->addWidget(m_view);

  connect(m_close, &QToolButton::clicked, this, &TResultsPanel::Clear);
  connect(m_view, &QListView::clicked, this, &TResultsPanel::Activate);
  connect(m_view, &QListView::activated, this, &TResultsPanel::Activate);
  hide();
}

void TResultsPanel::Show(const QString& title, std::vector<TResultEntry> entries) {
  m_title->setText(title);
  m_model->SetEntries(std::move(entries));
  show();
}

void TResultsPanel::Clear() {
  m_model->SetEntries({});
  m_title->clear();
  hide();
}

QString TResultsPanel::Title() const { return m_title->text(); }

void TResultsPanel::Activate(const QModelIndex& index) {
  if (!index.isValid() || std::size_t(index.row()) >= Entries().size()) return;
  // A copy: going to the target may refill the list.
  const TResultEntry entry = Entries()[std::size_t(index.row())];
  emit EntryActivated(entry);
}

}  // namespace kelvarin
