// The Objects page: the objects tree, the parameter table that checks each typed
// value and writes it straight into the record, the orientation view with its
// help text, and the two buttons of the record history. Every change of a record
// it makes becomes a step of the session's history; it fills the tree when a
// document opens or closes and shows the record an undo or redo touched.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "document/documentsession.h"
#include "document/recordset.h"
#include "objects/core/objectparams.h"
#include "objects/ui/objectstreemodel.h"
#include "objects/ui/torientatorfr.h"
#include "shell/page.h"
#include "shell/recordactions.h"

class QAction;
class QLabel;
class QLineEdit;
class QTimer;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;
class QVBoxLayout;

namespace kelvarin {

class TShellServices;
class TValuesEditor;

class TObjectsPage : public QWidget, public TPage, private TDocumentListener, private TOrientatorHost {
  Q_OBJECT

 public:
  // A wheel run ends after this long without a wheel event.
  static constexpr int kWheelGestureMs = 500;
  // Typing in the filter box applies it after this pause.
  static constexpr int kFilterPauseMs = 150;
  // Records the filter's index takes in per turn of the event loop while the
  // window is idle after an open or an edit (a few milliseconds' work).
  static constexpr std::size_t kIndexSlice = 20000;

  explicit TObjectsPage(TShellServices& shell, QWidget* parent = nullptr);
  ~TObjectsPage() override;

  // ---- TPage
  QWidget* PageWidget() override { return this; }
  std::vector<QWidget*> LockedControls() const override;
  void CommitEdit() override { CommitValuesEditor(); }
  void WindowClosing() override { ReleaseGL(); }
  // The splitter between the tree, the table and the view, and the width of the
  // table's name column (the tree has one column, as wide as the tree).
  void RestoreLayout(const TLayoutValues& layout) override;
  void SaveLayout(TLayoutValues& layout) const override;
  // Result entries that lead to a record: selected and shown.
  bool ShowsResult(const TResultEntry& entry) const override;
  void ShowResult(const TResultEntry& entry) override;
  // Ctrl+E on this page puts the focus into the filter box; Shift+F12 in the tree
  // finds the selected record in the script. In the tree, Delete, Ctrl+D, Ctrl+C,
  // Ctrl+X and Ctrl+V act on the selected records.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;

  // Rebuilds the tree from the open document (empty when none is open) and empties
  // the table.
  void FillObjectsTree();

  // Applies the filter box's text now (typing applies it after a short pause).
  // The kinds with matches are expanded; the selected record stays selected
  // while it passes, and is selected again when the filter lets it through.
  void ApplyFilter();
  // Empties the filter box and shows every record, the selection kept.
  void ClearFilter();
  // Lists every script line that names the selected record (its identity, its
  // names) in the result list.
  void FindInScript();

  // Creates the orientation view, or shows a short notice in its place when no
  // OpenGL context can be had. Runs when the page is first shown rather than at
  // the window's creation, so a session that never opens the page loads no
  // display driver; later calls do nothing.
  void InitGL();
  // Stops the view for good; called when the main window closes.
  void ReleaseGL();

  // Checks and applies the rows whose text was typed and not yet taken (the
  // open cell's, or one the cell editor left behind): the table's part of the
  // rule that a command reading or changing the records starts from what the
  // user typed. Untouched rows are not applied again; the focus stays.
  void CommitValuesEditor();

  bool ValuesEditorFocused() const { return m_valuesEditorFocused; }
  void ValuesEditorEnter();
  void ValuesEditorExit();
  void ValuesEditorValidate(const QString& key);
  void ObjectsTreeChange();
  void ShowObjectParams(TObjRef ref);
  // The rows several selected records share; identity rows read-only, differing
  // values empty.
  void ShowSharedParams(const std::vector<TObjRef>& refs);
  void ApplyParamRow(const QString& key);
  // The records selected in the tree, the current one first (kind rows select
  // nothing).
  std::vector<TObjRef> SelectedRecords() const;
  // The selected records, or the current one alone when none is selected.
  std::vector<TObjRef> ChosenRecords() const;
  // Selects `refs` in the tree and shows them, whatever page is showing.
  void SelectRecords(const std::vector<TObjRef>& refs);
  // The records the table shows together; empty unless several are selected.
  const std::vector<TObjRef>& SharedRecords() const { return m_sharedRecords; }

  // The rotation of the record selected last, as it was when it was selected.
  TQuaternion SavedRotation() const override { return m_savedRotation; }
  // The record the table shows; nullopt when it shows none.
  std::optional<TObjRef> ShownRecord() const { return m_shownRecord; }

  QTreeView* ObjectsTree() const { return m_tree; }
  QLineEdit* FilterBox() const { return m_filterEd; }
  QAction* FindInScriptAction() const { return m_findInScriptAct; }
  TObjectsTreeModel* TreeModel() const { return m_model; }
  kelvarin::TValuesEditor* Editor() const { return m_valuesEditor; }
  // nullptr until the page has been shown (InitGL), and without OpenGL.
  TOrientatorFr* ObjectOrientator() const { return m_orientator; }
  QLabel* OrientatorNotice() const { return m_notice; }
  QPlainTextEdit* OrientatorHelpMemo() const { return m_helpMemo; }
  // Undo and redo of the record history; their tooltips name the next steps.
  QPushButton* UndoButton() const { return m_undoBut; }
  QPushButton* RedoButton() const { return m_redoBut; }

  // The 18 lines of the help text under the view.
  static QString HelpText();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int kTreeWidth = 320;
  static constexpr int kTableWidth = 325;

  // TDocumentListener
  // On a load's worker thread: the tree's rows, ready for the fill.
  void PrepareDocument(const TMob& mob) override { m_preparedRows = m_model->Prepare(mob); }
  void DocumentOpened() override { FillObjectsTree(); }
  void DocumentClosed() override;
  void LoadFailed() override { m_preparedRows.reset(); }
  void RecordsChanged(const TRecordsChange& change, TChangeCause cause,
                      const TDocumentListener* origin) override;
  void HistoryChanged() override { UpdateHistoryButtons(); }
  void BusyChanged(bool busy) override;

  // TOrientatorHost
  bool OrientatorPageActive() const override;
  void WheelMoved() override;
  bool StoreRotationToRecord(const TQuaternion& rotation, TTurnGesture gesture) override;
  void ShowRotationRows(const TQuaternion& rotation) override;

  // Pushes a step this page made; its notice is then not news to the page.
  // Selects `ref` in the tree and shows it, whatever page is showing.
  void ShowChangedRecord(std::optional<TObjRef> ref);
  void ApplySharedRow(const QString& key);
  // The row's text in code page 1251; nullopt, with the status message saying which
  // character 1251 cannot hold, when it has one.
  std::optional<std::string> RowBytes(const QString& key, const QString& text);
  // The table shows one record (or none): the view and the trap points button work.
  void EnableSingleRecordTools(bool single);
  void UpdateHistoryButtons();
  // The next turn starts a step of its own.
  void EndTurnGesture();

  // The filter box takes input only with a document open and the lock free.
  bool FilterUsable() const;
  // After the tree's rows have changed: the kinds with matches open, and the
  // record the table shows is selected again where it is shown.
  void AfterRowsChanged();
  void ShowTreeMenu(const QPoint& at);

  void FitHelpMemo();
  void SizeTreeColumns();
  void ClearParams();
  void RevertRow(const QString& key, const std::optional<std::string>& text);
  // The ellipsis button of a TrapPoints row: the points dialog, whose OK puts the
  // whole list in as one step.
  void EditTrapPoints(const QString& key);
  char DecimalSeparator() const;

  TShellServices& m_shell;
  // Kept apart from the shell: the page outlives the window's services when the
  // window is destroyed, but not the session.
  TDocumentSession& m_session;
  TObjectsTreeModel* m_model;
  // The rows a load worked out, until the tree takes them.
  std::unique_ptr<TObjectsTreeModel::TRows> m_preparedRows;
  QTreeView* m_tree;
  QLineEdit* m_filterEd;
  QTimer* m_filterTimer;
  QTimer* m_indexTimer;  // builds the filter's index between other events
  QAction* m_findInScriptAct;
  // Which kinds were open before a filter opened the ones with matches.
  std::optional<std::array<bool, kObjKindCount>> m_expandedBeforeFilter;
  bool m_filtering = false;  // the rows change under the selection
  kelvarin::TValuesEditor* m_valuesEditor;
  TOrientatorFr* m_orientator = nullptr;
  bool m_glInitialised = false;
  QLabel* m_notice;
  QPlainTextEdit* m_helpMemo;
  QVBoxLayout* m_side;
  QSplitter* m_splitter;
  QPushButton* m_undoBut;
  QPushButton* m_redoBut;
  bool m_laidOut = false;
  std::optional<QList<int>> m_restoredSizes;  // applied when the page first shows
  bool m_treeStale = false;       // to be filled at the lock's release
  bool m_showingChange = false;   // selecting what an undo or redo touched

  std::uint64_t m_turnGesture = 0;
  QElapsedTimer m_lastWheel;

  bool m_valuesEditorFocused = false;
  TQuaternion m_savedRotation;
  std::optional<TObjRef> m_shownRecord;
  std::vector<TObjRef> m_sharedRecords;
  TRecordGroups m_sharedGroups;  // m_sharedRecords by kind, for the rows and their commits
  TRecordActions m_actions;
};

}  // namespace kelvarin
