// A mass-change host over real files in a temporary folder, recording what the
// engine asked of it; and small builders for zones with chosen records.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/documentsession.h"
#include "masschange/core/masschangeengine.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin::test {

// A loaded document with a script, unknown blocks and a tail but empty record
// lists, ready to take chosen records and be saved.
inline void EmptyZone(TMob& mob, std::uint64_t seed = 1) {
  GenerateZone(mob, {.records = 16, .seed = seed, .scriptLines = 5});
  mob.ForEachList([](auto& list) { list.clear(); });
}

inline TUnitObjBlock Unit(std::int32_t id, float x = 0, float y = 0) {
  TUnitObjBlock r;
  r.ObjectID = id;
  r.LoadX = x;
  r.LoadY = y;
  r.Name1 = "unit";
  r.Name2 = "unit_" + std::to_string(id);
  return r;
}
template <class R> R Common(std::int32_t id, float x = 0, float y = 0) {
  R r;
  r.ObjectID = id;
  r.LoadX = x;
  r.LoadY = y;
  return r;
}
template <class R> R Particle(std::int32_t id, float x = 0, float y = 0) {
  R r;
  r.ID = id;
  r.CoordX = x;
  r.CoordY = y;
  return r;
}

// The plan of options a test states; they must read.
inline TMassChangePlan Plan(const MassChangeOpts& opts, char decimalSeparator) {
  TMassChangeParse parse = ParseMassChange(opts, decimalSeparator);
  EXPECT_TRUE(parse.plan) << parse.error;
  return parse.plan ? std::move(*parse.plan) : TMassChangePlan{};
}

// Saves `mob` to `path` and returns the bytes written.
inline std::string SaveZone(TMob& mob, const std::string& path) {
  EXPECT_TRUE(mob.Save(path, {.saveAttempts = 0})) << mob.LogText;
  return ReadFileBytes(path);
}

// The open document is a session over `file`; the host records the run's log
// lines, the documents' log texts, the refusals, and the commands and busy-lock
// changes in the order they came.
class EngineHost : public TMassChangeHost, private TLogSink, private TDocumentListener {
 public:
  explicit EngineHost(std::string file) : file(std::move(file)) {
    session.SetLogSink(this);
    session.SetOptionsSource([this] { return settings; });
    session.AddListener(this);
    EXPECT_TRUE(session.Load(this->file)) << mob.LogText;
    documentLogs.clear();
  }

  TDocumentSession& Session() override { return session; }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  bool SaveMob() override {
    // The run holds the lock for its whole length: its saves take none of their own.
    EXPECT_FALSE(session.LockOnLoadSave);
    calls.push_back("SaveMob");
    return session.Save(file);
  }
  bool OpenMob(const std::string& path) override {
    EXPECT_FALSE(session.LockOnLoadSave);
    calls.push_back("OpenMob");
    return session.Load(path);
  }

  std::string file;
  TSessionOptions settings{.UseThreads = false, .SaveAttempts = 0, .MakeAutoBackups = false};
  TDocumentSession session;
  TMob& mob = session.Mob();
  std::vector<std::string> lines, documentLogs, errors, calls;

 private:
  void AppendLog(const std::string& line) override { lines.push_back(line); }
  void AppendDocumentLog(const std::string& text) override { documentLogs.push_back(text); }
  void BusyChanged(bool busy) override { calls.push_back(busy ? "LockControls" : "UnlockControls"); }
};

}  // namespace kelvarin::test
