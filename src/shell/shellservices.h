// What the pages of the main window need from the shell. The main window
// implements it; page tests use a small fake.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "program/resultentry.h"

class QWidget;

namespace kelvarin {

class TDocumentSession;
class TPageLinks;
class TPrompts;
struct TSettings;

class TShellServices {
 public:
  virtual ~TShellServices() = default;

  // The open document with its commands, notifications and record history: the
  // one way a page reads or changes the document.
  virtual TDocumentSession& Session() = 0;

  // Appends text to the log page; CR LF pairs split it into lines.
  virtual void AppendLog(const QString& text) = 0;
  virtual void ShowLogPage() = 0;
  virtual void ShowStatusMessage(const QString& text) = 0;
  // The lasting text at the right of the status bar (where the script's caret
  // stands); an empty text takes it away.
  virtual void ShowCaretStatus(const QString& text) = 0;
  // Fills the result list below the pages and shows it; a click on an entry goes
  // to its target.
  virtual void ShowResults(const QString& title, std::vector<TResultEntry> entries) = 0;
  // The script as the user sees it now, in code page 1251 with LF line breaks:
  // the Script page's editor holds edits the document gets only when it is saved.
  virtual std::string EditedScript() = 0;
  // Whether `page` is the main window's active tab page.
  virtual bool IsActivePage(const QWidget* page) const = 0;
  // Shows the page that takes the entry's target (a script place, a record), then
  // the target; nothing while the busy lock is held.
  virtual void GoToResult(const TResultEntry& entry) = 0;
  // The selected record and the mass-change criteria, shared between the pages.
  virtual TPageLinks& Links() = 0;

  virtual TPrompts& Prompts() = 0;
  virtual TSettings& Settings() = 0;
  // Writes the settings file (a failure is reported in the log by the shell).
  virtual void SaveSettings() = 0;

  // Every page's typed, unconfirmed value goes into the document (TPage::
  // CommitEdit): the one rule before any command that reads or changes the
  // records. The window's own commands run it themselves; a page runs it first
  // in a command of its own.
  virtual void CommitEdits() = 0;

  // The document commands with their questions, as a mass change runs them: Open
  // asks about unsaved changes, Save asks for a name when the file has gone.
  virtual bool OpenMob(const QString& path) = 0;
  virtual bool SaveMob() = 0;
};

}  // namespace kelvarin
