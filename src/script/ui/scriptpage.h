// TScriptPage: the "Скрипт" page. It shows the open document's script in ScriptEd,
// hands the text back before every save, and carries the Edit menu's items, search
// and replace, and the script key dialog. The main window owns LastEditor, the busy
// lock and the keys: it finds the Edit items by their object names.
#pragma once

#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "script/ui/textsearch.h"

class QAction;
class QMenu;

namespace kelvarin {

class TScriptEditor;
class TShellServices;
class TSynZoneScriptSyn;

class TScriptPage : public QWidget {
  Q_OBJECT
 public:
  explicit TScriptPage(TShellServices& shell, QWidget* parent = nullptr);

  TScriptEditor* ScriptEd() const { return m_scriptEd; }
  TSynZoneScriptSyn& SynZoneScriptSyn1() const;

  // ---- text exchange with the document
  // After a successful open: shows the document's script. Not a change; the undo
  // history is empty and the caret at the start.
  void MobToScript();
  // On close: empties the editor and its undo history.
  void ClearScript();
  // Before every save: the editor's text, every CR removed, becomes the
  // document's ScriptText. False when it holds a character code page 1251 cannot
  // hold: the log names its line and column, the Log page is shown, the caret is
  // put on it, and the document is left as it was. The save must then not go on.
  bool ScriptToMob();

  // ---- Edit menu
  // Adds the eleven items, separators included, to the shell's EditMenu.
  void FillEditMenu(QMenu* menu);
  // Enables every Edit item exactly when `active` (the main window's rule: the
  // Script page is showing and its editor is LastEditor) and the editor is usable
  // (it is disabled without a document and during the busy lock).
  void UpdateEditMenu(bool active);
  // An item by its objectName ("UndoMenu", "SearchNextMenu", ...), or nullptr.
  QAction* EditMenuItem(const QString& name) const;

  // ---- commands
  // The search dialog; once accepted, ReplaceNext or SearchNext.
  void SearchRepMenuClick();
  // Selects the next occurrence of SearchStr after the caret, ignoring case; does
  // nothing (and says nothing) when there is none. No wrap to the start.
  void SearchNext();
  // Replaces the next occurrence after the caret by RepStr, as one undoable step,
  // when SearchStr and RepStr are set and MakeReplace is on.
  void ReplaceNext();
  // The script key dialog (the main window opens it only with a document open and
  // no load or save running). The new key does not mark the document modified.
  void ChangeScriptKey();

 private:
  void ScriptEdChange();
  // The next occurrence of `search` (code page 1251) from the caret on.
  std::optional<TTextMatch> FindNext(const std::string& search) const;

  TShellServices& m_shell;
  TScriptEditor* m_scriptEd;
  std::array<QAction*, 11> m_editItems{};
};

}  // namespace kelvarin
