// The result list below the pages: one list that every command listing places
// fills (find all in the script, and others to come). A click or Enter on an entry
// asks the window to go to its target; the window knows which page shows it.
#pragma once

#include <QAbstractListModel>
#include <QWidget>
#include <vector>

#include "program/resultentry.h"

class QLabel;
class QListView;
class QToolButton;

namespace kelvarin {

class TResultListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  void SetEntries(std::vector<TResultEntry> entries);
  const std::vector<TResultEntry>& Entries() const { return m_entries; }

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::vector<TResultEntry> m_entries;
};

class TResultsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TResultsPanel(QWidget* parent = nullptr);

  // Replaces the list and shows the panel.
  void Show(const QString& title, std::vector<TResultEntry> entries);
  // Empties the list and hides the panel.
  void Clear();

  QString Title() const;
  const std::vector<TResultEntry>& Entries() const { return m_model->Entries(); }
  QListView* View() const { return m_view; }

 signals:
  void EntryActivated(const TResultEntry& entry);

 private:
  void Activate(const QModelIndex& index);

  QLabel* m_title;
  QToolButton* m_close;
  QListView* m_view;
  TResultListModel* m_model;
};

}  // namespace kelvarin
