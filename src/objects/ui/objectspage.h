// The Objects page: the objects tree, the parameter table that checks each typed
// value and writes it straight into the record, the orientation view with its
// help text, and the two buttons of the record history. Every change of a record
// it makes becomes a step of the session's history; it fills the tree when a
// document opens or closes and shows the record an undo or redo touched.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "document/session.h"
#include "objects/core/objectparams.h"
#include "objects/ui/torientatorfr.h"
#include "shell/page.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;
class QVBoxLayout;

namespace kelvarin {

class ObjectsTreeModel;
class TShellServices;
class ValuesEditor;

class ObjectsPage : public QWidget, public TPage, private TDocumentListener, private TOrientatorHost {
  Q_OBJECT

 public:
  // A wheel run ends after this long without a wheel event.
  static constexpr int kWheelGestureMs = 500;

  explicit ObjectsPage(TShellServices& shell, QWidget* parent = nullptr);
  ~ObjectsPage() override;

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

  // Rebuilds the tree from the open document (empty when none is open) and empties
  // the table.
  void FillObjectsTree();

  // Creates the orientation view, or shows a short notice in its place when no
  // OpenGL context can be had (an OpenGL widget in a window without a display
  // driver would break the whole window). Called once when the main window is
  // created.
  void InitGL();
  // Stops the view for good; called when the main window closes.
  void ReleaseGL();

  // Applies a value still being typed into the table, as the focus leaving the
  // table would, and keeps the table marked as focused: called before Save and
  // Save As.
  void CommitValuesEditor();

  bool ValuesEditorFocused() const { return m_valuesEditorFocused; }
  void ValuesEditorEnter();
  void ValuesEditorExit();
  void ValuesEditorValidate(const QString& key);
  void ObjectsTreeChange();
  void ShowObjectParams(ObjRef ref);
  void ApplyParamRow(const QString& key);

  // The rotation of the record selected last, as it was when it was selected.
  TQuaternion SavedRotation() const override { return m_savedRotation; }
  // The record the table shows; nullopt when it shows none.
  std::optional<ObjRef> ShownRecord() const { return m_shownRecord; }

  QTreeView* ObjectsTree() const { return m_tree; }
  ObjectsTreeModel* TreeModel() const { return m_model; }
  kelvarin::ValuesEditor* Editor() const { return m_valuesEditor; }
  // nullptr until InitGL, and without OpenGL.
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

 private:
  static constexpr int kTreeWidth = 320;
  static constexpr int kTableWidth = 325;

  // TDocumentListener
  void DocumentOpened() override { FillObjectsTree(); }
  void DocumentClosed() override { FillObjectsTree(); }
  void RecordsChanged(const TRecordsChange& change, TChangeCause cause) override;
  void HistoryChanged() override { UpdateHistoryButtons(); }
  void BusyChanged(bool busy) override;

  // TOrientatorHost
  bool OrientatorPageActive() const override;
  void WheelMoved() override;
  bool StoreRotationToRecord(const TQuaternion& rotation, TTurnGesture gesture) override;
  void ShowRotationRows(const TQuaternion& rotation) override;
  void SetModified() override;

  // Pushes a step this page made; its notice is then not news to the page.
  void PushOwnStep(std::unique_ptr<TDocCommand> step);
  // Selects `ref` in the tree and shows it, whatever page is showing.
  void ShowChangedRecord(std::optional<ObjRef> ref);
  void UpdateHistoryButtons();
  // The next turn starts a step of its own.
  void EndTurnGesture();

  void FitHelpMemo();
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
  ObjectsTreeModel* m_model;
  QTreeView* m_tree;
  kelvarin::ValuesEditor* m_valuesEditor;
  TOrientatorFr* m_orientator = nullptr;
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
  bool m_pushingOwnStep = false;

  std::uint64_t m_turnGesture = 0;
  QElapsedTimer m_lastWheel;

  bool m_valuesEditorFocused = false;
  TQuaternion m_savedRotation;
  std::optional<ObjRef> m_shownRecord;
};

}  // namespace kelvarin
