// startup-floor: the least a Qt Widgets editor can show, the floor bench-startup
// measures the editor against. A main window of the editor's starting size holding
// a tab widget with a tree view; nothing else is loaded, read or measured.
#include <QApplication>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  auto* tabs = new QTabWidget;
  auto* model = new QStandardItemModel(&window);
  model->appendRow(new QStandardItem(u"Units"_s));
  auto* tree = new QTreeView;
  tree->setModel(model);
  tabs->addTab(tree, u"Objects"_s);
  window.setCentralWidget(tabs);
  window.resize(839, 580);
  window.show();
  return app.exec();
}
