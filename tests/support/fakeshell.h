// A stand-in for the main window around one page (and for benchmarks of a page):
// it holds a real document session, the settings and scripted prompts, answers
// the page's questions from its public fields, and records what the page asks of
// the shell. The document commands do nothing.
#pragma once

#include <QApplication>
#include <QStringList>
#include <optional>
#include <string>

#include "program/settings.h"
#include "common/qt/qtext.h"
#include "document/documentsession.h"
#include "mob/tmob.h"
#include "shell/page.h"
#include "shell/pagelinks.h"
#include "shell/shellservices.h"
#include "support/scriptedprompts.h"

namespace kelvarin {

class TFakeShell : public TShellServices, private TLogSink {
 public:
  TFakeShell() { session.SetLogSink(this); }

  TDocumentSession session;
  TMob& mob = session.Mob();
  TSettings settings;
  TScriptedPrompts prompts;
  bool active = true;    // the page asking is the window's active page
  int logPageShown = 0;
  int settingsSaves = 0;
  QStringList log;
  QStringList statusMessages;
  QString caretStatus;
  QString resultsTitle;
  std::vector<TResultEntry> results;
  std::vector<TResultEntry> goneTo;  // GoToResult, in order
  TPageLinks links;
  std::optional<std::string> editedScript;  // EditedScript; the document's when unset
  TPage* page = nullptr;  // what CommitEdits commits; none unless a test sets it
  int commitCalls = 0;

  TDocumentSession& Session() override { return session; }
  void AppendLog(const QString& text) override { log << text; }
  void ShowLogPage() override { ++logPageShown; }
  void ShowStatusMessage(const QString& text) override { statusMessages << text; }
  void ShowCaretStatus(const QString& text) override { caretStatus = text; }
  void ShowResults(const QString& title, std::vector<TResultEntry> entries) override {
    resultsTitle = title;
    results = std::move(entries);
  }
  bool IsActivePage(const QWidget*) const override { return active; }
  void GoToResult(const TResultEntry& entry) override { goneTo.push_back(entry); }
  TPageLinks& Links() override { return links; }
  std::string EditedScript() override { return editedScript.value_or(mob.ScriptText); }
  TPrompts& Prompts() override { return prompts; }
  TSettings& Settings() override { return settings; }
  void SaveSettings() override { ++settingsSaves; }
  // The page under test is the only one: its typed value is committed.
  void CommitEdits() override {
    ++commitCalls;
    if (page) page->CommitEdit();
  }
  bool OpenMob(const QString&) override { return false; }
  bool SaveMob() override { return false; }

 private:
  void AppendLog(const std::string& text) override { log << FromUtf8(text); }
};

// gtest_main makes no application object; widgets need one.
inline void EnsureApplication() {
  if (qApp) return;
  static int argc = 1;
  static char name[] = "kelvarin-tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

}  // namespace kelvarin
