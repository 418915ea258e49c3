#include "app/ui/recentmenu.h"

#include <QAction>
#include <QDir>
#include <QMenu>

#include "common/filesystem.h"
#include "common/qt/qtext.h"
#include "program/recentfiles.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

void FillRecentMenu(QMenu& menu, TRecentFiles& recent, std::function<void(const QString&)> open) {
  recent.Prune([](const std::string& path) { return Files().Exists(ToUtf8(FromCp1251(path))); });
  menu.clear();
  int number = 0;
  for (const std::string& stored : recent.Paths()) {
    const QString path = FromCp1251(stored);
    ++number;
    // 1 to 9 by their digit, the tenth by its 0.
    QString label = QString::number(number);
    label.insert(label.size() - 1, u'&');
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(u'&', u"&&"_s);
    QAction* item = menu.addAction(label + u"  "_s + shown);
    QObject::connect(item, &QAction::triggered, &menu, [open, path] { open(path); });
  }
  menu.menuAction()->setEnabled(number > 0);
}

}  // namespace kelvarin
