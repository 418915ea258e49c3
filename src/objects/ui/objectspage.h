// The Objects page: the objects tree, the parameter table that checks each typed
// value and writes it straight into the record, and the orientation view with its
// help text. The main window owns the page, fills the tree after each open and
// close, and commits the table before each save.
#pragma once

#include <QWidget>
#include <optional>

#include "objects/core/objectparams.h"
#include "objects/ui/torientatorfr.h"

class QLabel;
class QPlainTextEdit;
class QSplitter;
class QTreeView;
class QVBoxLayout;

namespace kelvarin {

class ObjectsTreeModel;
class TShellServices;
class ValuesEditor;

class ObjectsPage : public QWidget, private TOrientatorHost {
  Q_OBJECT

 public:
  explicit ObjectsPage(TShellServices& shell, QWidget* parent = nullptr);
  ~ObjectsPage() override;

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

  // The 18 lines of the help text under the view.
  static QString HelpText();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  static constexpr int kTreeWidth = 320;
  static constexpr int kTableWidth = 325;

  // TOrientatorHost
  bool OrientatorPageActive() const override;
  bool StoreRotationToRecord(const TQuaternion& rotation) override;
  void ShowRotationRows(const TQuaternion& rotation) override;
  void SetModified() override;

  void FitHelpMemo();
  void ClearParams();
  void RevertRow(const QString& key, const std::optional<std::string>& text);
  void ShowTrapPointsInfo(const QString& key);
  char DecimalSeparator() const;

  TShellServices& m_shell;
  ObjectsTreeModel* m_model;
  QTreeView* m_tree;
  kelvarin::ValuesEditor* m_valuesEditor;
  TOrientatorFr* m_orientator = nullptr;
  QLabel* m_notice;
  QPlainTextEdit* m_helpMemo;
  QVBoxLayout* m_side;
  QSplitter* m_splitter;
  bool m_laidOut = false;

  bool m_valuesEditorFocused = false;
  TQuaternion m_savedRotation;
  std::optional<ObjRef> m_shownRecord;
};

}  // namespace kelvarin
