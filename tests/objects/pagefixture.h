// A shown Objects page on a generated zone, with helpers that select tree nodes and
// type into the parameter table the way a user does.
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <memory>

#include "support/fakeshell.h"
#include "mob/generator.h"
#include "objects/ui/objectspage.h"
#include "objects/ui/objectstreemodel.h"
#include "objects/ui/valueseditor.h"

namespace kelvarin {

class PageTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    GenerateZone(shell.mob, {.records = 300, .seed = 5});
    shell.session.Adopt("zone.mob");
    page = std::make_unique<TObjectsPage>(shell);
    page->InitGL();
    page->FillObjectsTree();
  }

  void TearDown() override {
    if (page) page->ReleaseGL();
    page.reset();
  }

  // The view exists only where OpenGL works (under Xvfb, not on the offscreen platform).
  TOrientatorFr* View() const { return page->ObjectOrientator(); }

  // Shows the page as the active window. Activation stays inside this process:
  // asking the display for the input focus would race with other test programs
  // sharing it. The window is kept away from the middle of the screen, where the
  // display's pointer rests and could hand the focus around.
  void ShowPage() {
    page->setGeometry(0, 0, 900, 420);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    QApplication::setActiveWindow(page.get());
    ASSERT_EQ(QApplication::activeWindow(), page.get());
  }

  TObjectsTreeModel& Model() { return *page->TreeModel(); }
  TValuesEditor& Table() { return *page->Editor(); }

  // Selects the record node at `row` under the kind's root; returns its record.
  TObjRef Select(ObjKind kind, int row = 0) {
    const QModelIndex index = Model().index(row, 0, Model().RootIndex(kind));
    page->ObjectsTree()->setCurrentIndex(index);
    return Model().RecordAt(index).value();
  }

  int RowOf(const QString& key) {
    for (int row = 0; row < Table().rowCount(); ++row)
      if (Table().Key(row) == key) return row;
    ADD_FAILURE() << "no row " << key.toStdString();
    return 0;
  }

  // Puts the cursor on the row's value cell and types `text` into its editor
  // without leaving the cell.
  void TypeInto(const QString& key, const QString& text) {
    const int row = RowOf(key);
    Table().setCurrentCell(row, 1);
    Table().editItem(Table().item(row, 1));
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
  }

  QLineEdit* OpenEditor() { return Table().OpenEditor(); }

  // Takes the cursor off the row, which checks and applies it. (Moving it to
  // another row would do the same, and re-apply that row when it moves on.)
  void LeaveRow(const QString& key) {
    ASSERT_EQ(Table().CurrentKey(), key);
    Table().setCurrentCell(-1, -1);
  }

  void TypeAndLeave(const QString& key, const QString& text) {
    TypeInto(key, text);
    LeaveRow(key);
  }

  TFakeShell shell;
  std::unique_ptr<TObjectsPage> page;
};

}  // namespace kelvarin
