// A real main window on a temporary program folder, with scripted prompts,
// stand-in pages plugged in as the real ones are (a script page with a plain
// text editor, and a page whose controls the busy lock takes), and generated
// zones.
#pragma once

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "program/appstate.h"
#include "app/ui/mainf.h"
#include "common/filesystem.h"
#include "document/documentsession.h"
#include "shell/page.h"
#include "support/faultyfiles.h"
#include "support/scriptedprompts.h"

class QAction;

namespace kelvarin {

// The script page as the window sees it: its editor is a plain text edit named
// ScriptEd that shows the document's script and hands it back before a save; its
// keys work as the real page's do, on Edit items a test adds (and enables or
// disables itself).
class StandInScriptPage : public QWidget, public TPage, private TDocumentListener {
 public:
  StandInScriptPage(TMainF& window, TDocumentSession& session);
  ~StandInScriptPage() override;

  QWidget* PageWidget() override { return this; }
  QWidget* TextEditor() const override { return editor; }
  bool OwnsUndoKeys() const override { return true; }
  void CommitEdit() override { ++commitCalls; }
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;
  // An Edit item like the script page's (SearchRepMenu, SearchNextMenu, ...),
  // counting its runs.
  QAction* AddEditItem(const QString& name, int* counter);

  QPlainTextEdit* editor;
  int fillCalls = 0;  // the document opened or closed
  int commitCalls = 0;
  int keyDialogs = 0;

 private:
  void DocumentOpened() override;
  void DocumentClosed() override;
  bool DocumentAboutToSave() override;
  void Load(const QString& text);

  TMainF& m_window;
  TDocumentSession& m_session;
  std::vector<QAction*> m_items;
  bool m_loading = false;
};

// A page that hands the window the controls a test puts on it (as the objects
// and mass-change pages hand theirs) and counts the window's calls.
class StandInControlsPage : public QWidget, public TPage {
 public:
  QWidget* PageWidget() override { return this; }
  std::vector<QWidget*> LockedControls() const override { return controls; }
  void ControlsEnabled() override {
    if (onControlsEnabled) onControlsEnabled();
  }
  void WindowShown() override { ++windowShows; }
  void WindowClosing() override { ++windowClosings; }

  std::vector<QWidget*> controls;
  std::function<void()> onControlsEnabled;
  int windowShows = 0;
  int windowClosings = 0;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the window (a test may change the settings or the window class first).
  virtual void CreateWindow();
  void ShowWindow();
  // Closes the window and the program as a user does, and starts both again on
  // the same settings file.
  void Restart();

  // A generated zone written to `name` in the temporary folder; returns its path.
  QString MakeZone(const QString& name, std::size_t records = 40, std::uint64_t seed = 1);
  QString TempPath(const QString& name) const { return m_dir.filePath(name); }
  std::string FileBytes(const QString& path) const;

  QStringList LogLines() const;
  // The log lines after the first `from` lines.
  QStringList LogLinesFrom(qsizetype from) const;
  bool LogPageActive() const;
  void EditScript(const QString& text);  // an edit in the stand-in editor

  QTemporaryDir m_dir;
  // Saves fail while m_files.createTemp fails (a backup copy is written like a
  // save: only a failing copy step tells them apart).
  test::TFaultyFiles m_files;
  std::unique_ptr<TAppState> m_state;
  TScriptedPrompts m_prompts;
  std::unique_ptr<TMainF> m_window;
  StandInScriptPage* m_scriptPage = nullptr;
  StandInControlsPage* m_controlsPage = nullptr;  // on the mass-change sheet
  QPlainTextEdit* m_scriptEd = nullptr;
};

}  // namespace kelvarin
