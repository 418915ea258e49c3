// A session over real files in a temporary folder: a log sink and a listener that
// record what they are told, the file layer with failures on demand, generated zones.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/filesystem.h"
#include "document/documentsession.h"
#include "mob/generator.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin::test {

class RecordingLog : public TLogSink {
 public:
  // Every line on its own; a document log (CR LF lines) is split.
  void AppendLog(const std::string& text) override {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 2;
      if (start == text.size()) break;
    }
  }
  std::vector<std::string> lines;
};

class RecordingListener : public TDocumentListener {
 public:
  void DocumentOpened() override { events.push_back("opened"); }
  void DocumentClosed() override { events.push_back("closed"); }
  bool DocumentAboutToSave() override {
    events.push_back("about to save");
    return allowSave;
  }
  void DocumentSaved(bool pathChanged) override { events.push_back(pathChanged ? "saved as" : "saved"); }
  void SaveFailed() override { events.push_back("save failed"); }
  void LoadFailed() override { events.push_back("load failed"); }
  void BackupFailed() override { events.push_back("backup failed"); }
  void ModifiedChanged(bool modified) override { events.push_back(modified ? "modified" : "unmodified"); }
  void RecordsChanged(const TRecordsChange& change, TChangeCause cause, const TDocumentListener* origin) override {
    changes.push_back(change);
    origins.push_back(origin);
    events.push_back(cause == TChangeCause::Edit ? "edit" : cause == TChangeCause::Undo ? "undo" : "redo");
  }
  void BusyChanged(bool busy) override { events.push_back(busy ? "busy" : "free"); }
  // HistoryChanged is left out: it comes with most of the others.

  bool allowSave = true;
  std::vector<std::string> events;
  std::vector<TRecordsChange> changes;
  std::vector<const TDocumentListener*> origins;
};

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFiles(&files);
    options.MakeAutoBackups = false;
    options.SaveAttempts = 0;
    session.SetOptionsSource([this] { return options; });
    session.AddListener(&listener);
  }
  void TearDown() override { SetFiles(nullptr); }

  std::string Path(const std::string& name) const { return m_dir.Path(name); }
  std::string MakeZone(const std::string& name, std::size_t records = 60, std::uint64_t seed = 1) {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 5});
    EXPECT_TRUE(mob.SaveFile(Path(name))) << mob.LogText;
    return Path(name);
  }
  static std::string Read(const std::string& path) { return ReadFileBytes(path); }
  std::size_t CountLines(const std::string& prefix) const {
    std::size_t n = 0;
    for (const std::string& line : log.lines) n += line.rfind(prefix, 0) == 0;
    return n;
  }

  TFaultyFiles files;
  RecordingLog log;
  RecordingListener listener;
  TSessionOptions options;
  TDocumentSession session{&log};

 private:
  TTempFolder m_dir;
};

}  // namespace kelvarin::test
