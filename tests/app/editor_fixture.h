// The main window with the real script, objects and mass-change pages plugged in,
// as the editor runs it, and helpers that find the pages' controls and work them
// the way a user does.
#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <vector>

#include "app/ui/editor.h"
#include "mainf_fixture.h"
#include "objects/ui/objectspage.h"
#include "objects/ui/objectstreemodel.h"
#include "objects/ui/valueseditor.h"
#include "script/ui/scripteditor.h"

namespace kelvarin::test {

class EditorTest : public MainWindowTest {
 protected:
  void CreateWindow() override {
    m_window = std::make_unique<TMainF>(*m_state, m_prompts);
    InstallPages(*m_window);
  }

  template <class W = QWidget> W* Find(const char* name) const {
    W* w = m_window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  TScriptEditor* ScriptEd() const { return Find<TScriptEditor>("ScriptEd"); }
  TObjectsPage* Objects() const { return m_window->findChild<TObjectsPage*>(); }
  TValuesEditor* Table() const { return Objects()->Editor(); }
  QAction* EditItem(const char* name) const { return Find<QAction>(name); }
  QWidget* Focused() const { return QApplication::focusWidget(); }
  bool ScriptEdFocused() const { return Focused() && (Focused() == ScriptEd() || ScriptEd()->isAncestorOf(Focused())); }

  // The controls the busy lock walks, without the two menus.
  std::vector<QWidget*> LockedControls() const {
    std::vector<QWidget*> controls;
    for (QWidget* control : m_window->LockList())
      if (control->objectName() != u"FileMenu"_qs && control->objectName() != u"HelpMenu"_qs)
        controls.push_back(control);
    return controls;
  }

  // Runs `interact` on the modal dialog of type D once it is up.
  template <class D> void WithDialog(std::function<void(D&)> interact) {
    QTimer::singleShot(0, [interact] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      interact(*dialog);
    });
  }

  // Selects the first record of `kind` in the tree and types `text` into its
  // parameter row `key` without leaving the cell; returns the record.
  std::size_t TypeParameter(ObjKind kind, const QString& key, const QString& text) {
    m_window->Pages()->setCurrentWidget(m_window->ObjectsSheet());
    TObjectsTreeModel& model = *Objects()->TreeModel();
    const QModelIndex node = model.index(0, 0, model.RootIndex(kind));
    Objects()->ObjectsTree()->setCurrentIndex(node);
    TValuesEditor& table = *Table();
    int row = 0;
    while (row < table.rowCount() && table.Key(row) != key) ++row;
    EXPECT_LT(row, table.rowCount()) << key.toStdString();
    table.setFocus();
    table.setCurrentCell(row, 1);  // opens the cell editor
    EXPECT_NE(table.OpenEditor(), nullptr);
    if (table.OpenEditor()) table.OpenEditor()->setText(text);
    return model.RecordAt(node).value().index;
  }
};

}  // namespace kelvarin::test
