// A real main window on a temporary program folder, with scripted prompts, a
// stand-in script editor wired like the script page, and generated zones.
#pragma once

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/core/appstate.h"
#include "app/ui/mainf.h"
#include "common/filesystem.h"
#include "support/scriptedprompts.h"

namespace kelvarin {

// The real file system, with writes that fail on demand (a full disk, say).
class FailableFiles : public PosixFileSystem {
 public:
  bool failWrites = false;
  bool failCopies = false;
  int CreateTemp(const std::string& target, std::string& tempPath, int& err) override;
  bool CopyInto(int handle, const std::string& from, int& err) override;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the window (a test may change the settings or the window class first).
  virtual void CreateWindow();
  void ShowWindow();

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
  FailableFiles m_files;
  std::unique_ptr<TAppState> m_state;
  TScriptedPrompts m_prompts;
  std::unique_ptr<TMainF> m_window;
  QPlainTextEdit* m_scriptEd = nullptr;
  // The hooks a page would set; tests add theirs and pass them on again.
  TMainF::TPageHooks m_hooks;
  int m_fillTreeCalls = 0;
  int m_commitCalls = 0;
};

}  // namespace kelvarin
