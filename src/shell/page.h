// A page of the main window as the window sees it: what the busy lock takes of
// it, what it does at the window's own moments, and which keys it answers. What
// happens to the document a page learns from the session, as a listener it
// registers itself; pages never learn it from each other.
#pragma once

#include <Qt>
#include <optional>
#include <string>
#include <vector>

#include "program/resultentry.h"

class QMenu;
class QWidget;

namespace kelvarin {

class TLayoutValues;

class TPage {
 public:
  virtual ~TPage() = default;

  // The widget the window puts into the page's sheet.
  virtual QWidget* PageWidget() = 0;

  // The page's text editor: the window's focus memory follows it (it can become
  // the last editor), and the busy lock takes it first, before the window's own
  // menus. nullptr when the page has none.
  virtual QWidget* TextEditor() const { return nullptr; }
  // The controls the busy lock takes after the window's menus, in the order it
  // walks them. With the text editor they are what the window enables while a
  // document is open and disables while none is.
  virtual std::vector<QWidget*> LockedControls() const { return {}; }
  // The window has just enabled them for an open document: the page's own
  // enabling rules go on top.
  virtual void ControlsEnabled() {}

  // Before any command that reads or changes the records (the window runs it
  // for every page, TShellServices::CommitEdits): a value the user typed and has
  // not yet confirmed goes into the document, checked as confirming it would. A
  // control that holds nothing typed applies nothing, so a command never marks
  // the document modified for a value nobody changed.
  virtual void CommitEdit() {}
  // The window's first showing, and its closing once the unsaved-changes question
  // has let it close.
  virtual void WindowShown() {}
  virtual void WindowClosing() {}

  // The page's remembered sizes (splitters, columns): restored when the page is
  // added, before the window shows, and saved when the window closes. A value that
  // is missing or broken leaves the page's own starting layout.
  virtual void RestoreLayout(const TLayoutValues& layout) { (void)layout; }
  virtual void SaveLayout(TLayoutValues& layout) const { (void)layout; }

  // The Edit menu: the page adds its items once, and enables them while `active`
  // (its text editor is the last editor and its page is showing).
  virtual void FillEditMenu(QMenu* menu) { (void)menu; }
  virtual void UpdateEditMenu(bool active) { (void)active; }

  // Whether Ctrl+Z, Ctrl+Y and Shift+Ctrl+Z on this page are the page's own (its
  // editor keeps its own history) rather than the record history's.
  virtual bool OwnsUndoKeys() const { return false; }
  // An entry of the result list leads here when the page shows its target (a
  // place in the script, a record); the window shows the page, then the target.
  virtual bool ShowsResult(const TResultEntry& entry) const {
    (void)entry;
    return false;
  }
  virtual void ShowResult(const TResultEntry& entry) { (void)entry; }

  // The script as its editor holds it now (code page 1251, LF line breaks), for
  // the page that edits it; nullopt from every other page.
  virtual std::optional<std::string> EditedScript() const { return std::nullopt; }

  // A key the window sees before the focused control, after its own shortcuts;
  // true when the page took it (it then reaches no control).
  virtual bool KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    (void)key;
    (void)modifiers;
    return false;
  }
};

}  // namespace kelvarin
