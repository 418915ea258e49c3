// A menu of recent paths (files, scripts), rebuilt whenever it can come into sight.
#pragma once

#include <QString>
#include <functional>

class QMenu;

namespace kelvarin {

class TRecentFiles;

// Drops the paths that are gone from `recent`, then lists the others in `menu`,
// numbered 1 to 9 and 0 by their keys; `open` gets the chosen path. The menu is
// enabled when it lists any.
void FillRecentMenu(QMenu& menu, TRecentFiles& recent, std::function<void(const QString&)> open);

}  // namespace kelvarin
