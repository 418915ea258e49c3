// TScriptPage: the "Скрипт" page. It shows the open document's script in ScriptEd,
// hands the text back before every save, and carries the Edit menu's items, search
// and replace, and the script key dialog. The main window owns LastEditor, the busy
// lock and the keys: it finds the Edit items by their object names.
//
// Beyond those, the page offers completion, go to line, replace all and find all
// (into the window's result list), and tells the status bar where the caret stands
// and when a search found nothing. Their keys (Ctrl+Space, Ctrl+G, Ctrl+H) act
// under the same rule as the Edit items. F12 or Ctrl+click on a GetObjectByID or
// GetObjectByName call shows the object it names on the Objects page.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "document/documentsession.h"
#include "script/ui/textsearch.h"
#include "shell/page.h"

class QAction;
class QMenu;

namespace kelvarin {

class TScriptCompleter;
class TScriptEditor;
class TShellServices;
class TSynZoneScriptSyn;
struct TCaretPlace;
struct TScriptPlace;

class TScriptPage : public QWidget, public TPage, private TDocumentListener {
  Q_OBJECT
 public:
  explicit TScriptPage(TShellServices& shell, QWidget* parent = nullptr);
  ~TScriptPage() override;

  // ---- TPage: the editor is the window's text editor, with its own undo keys.
  QWidget* PageWidget() override { return this; }
  QWidget* TextEditor() const override;
  bool OwnsUndoKeys() const override { return true; }
  // Ctrl+F, F3, Ctrl+R (when their Edit items are on) and Ctrl+Shift+Alt+K (with a
  // document open); none while the busy lock is held.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;
  // Result entries that lead into the script.
  bool ShowsResult(const TResultEntry& entry) const override;
  void ShowResult(const TResultEntry& entry) override;
  std::optional<std::string> EditedScript() const override;

  TScriptEditor* ScriptEd() const { return m_scriptEd; }
  TScriptCompleter& Completer() const { return *m_completer; }
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
  // Adds the items, separators included, to the shell's EditMenu: the eleven of
  // old first, then find all, replace all and go to line after a separator.
  void FillEditMenu(QMenu* menu) override;
  // Enables every Edit item exactly when `active` (the main window's rule: the
  // Script page is showing and its editor is LastEditor) and the editor is usable
  // (it is disabled without a document and during the busy lock).
  void UpdateEditMenu(bool active) override;
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
  // Replaces every occurrence from the start of the text, under the conditions of
  // ReplaceNext, as one undoable step; the status bar tells how many.
  void ReplaceAll();
  // Lists every line holding SearchStr in the window's result list.
  void FindAll();
  // The go-to-line dialog.
  void GoToLine();
  // F12 or Ctrl+click on a GetObjectByID(N) / GetObjectByName("s") call at the
  // editor's byte position `pos`: one record answering it is shown on the Objects
  // page; none or several are told in the status bar, several listed in the
  // result list. False when no such call stands there.
  bool GoToObjectAt(long pos);
  // Shows the place (clamped to the text) with the caret on it and the focus in
  // the editor.
  void ShowPlace(const TScriptPlace& place);
  // The status bar's text for a caret place.
  static QString CaretStatusText(const TCaretPlace& place);
  // The script key dialog (the main window opens it only with a document open and
  // no load or save running). The new key does not mark the document modified.
  void ChangeScriptKey();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // TDocumentListener: the text follows the document.
  void DocumentOpened() override;
  void DocumentClosed() override { ClearScript(); }
  void ScriptReplaced() override { MobToScript(); }
  bool DocumentAboutToSave() override { return ScriptToMob(); }

  void TriggerIfEnabled(QAction* action);
  void ScriptEdChange();
  void UpdateCaretStatus();
  // "Не найдено: …" in the status bar.
  void ReportNotFound(const std::string& search);
  // The next occurrence of `search` (code page 1251) from the caret on.
  std::optional<TTextMatch> FindNext(const std::string& search) const;

  TShellServices& m_shell;
  // Kept apart from the shell: the page outlives the window's services when the
  // window is destroyed, but not the session.
  TDocumentSession& m_session;
  TScriptEditor* m_scriptEd;
  TScriptCompleter* m_completer;
  std::vector<QAction*> m_editItems;
  bool m_commandsEnabled = false;
};

}  // namespace kelvarin
