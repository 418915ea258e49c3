// Loads and saves on the worker thread: every line reaches the window in order,
// one at a time, while the window keeps processing its events.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <thread>

#include "common/filesystem.h"
#include "mob/generator.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/mobbytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

class RecordingLogView : public TMobLogView {
 public:
  explicit RecordingLogView(TMob& mob) : m_mob(mob) {}
  void ShowLogLine(const std::string& line) override {
    EXPECT_EQ(std::this_thread::get_id(), m_windowThread);
    // While the window shows a line, the worker is held: the log holds exactly the
    // lines shown so far.
    lines.push_back(line);
    EXPECT_EQ(LogLines(m_mob).size(), lines.size());
  }
  void ProcessMessages() override {
    EXPECT_EQ(std::this_thread::get_id(), m_windowThread);
    ++pumps;
  }
  void WorkerStarting() override { ++starts; }

  std::vector<std::string> lines;
  int pumps = 0;
  int starts = 0;

 private:
  TMob& m_mob;
  std::thread::id m_windowThread = std::this_thread::get_id();
};

TEST(WorkerThreads, LoadOfAMissingFileShowsItsThreeLines) {
  TMob mob;
  RecordingLogView view(mob);
  EXPECT_FALSE(mob.Load("/nonexistent/zone.mob", {.view = &view}));
  EXPECT_EQ(view.lines, (std::vector<std::string>{"", "-----------------------------", "Загрузить моб не удалось!"}));
  EXPECT_EQ(view.starts, 1);
  EXPECT_GT(view.pumps, 0);
}

TEST(WorkerThreads, AnExceptionOfTheWorkerReachesTheWindowThread) {
  test::TTempFolder dir;
  const std::string path = dir.Path("zone.mob");
  test::WriteFileBytes(path, "zone");
  // Reading runs out of memory.
  test::TFaultyFiles files;
  files.map.Fail(ENOMEM);
  files.read.Fail(ENOMEM);
  SetFiles(&files);
  TMob mob;
  RecordingLogView view(mob);
  EXPECT_THROW(mob.Load(path, {.view = &view}), std::bad_alloc);
  SetFiles(nullptr);
  // The document is ready for the next run, which relays nothing to the old view.
  view.lines.clear();
  EXPECT_FALSE(mob.Load("/nonexistent/zone.mob"));
  EXPECT_TRUE(view.lines.empty());
}

TEST(WorkerThreads, SaveAndLoadShowEveryLineInLogOrder) {
  test::TTempFolder dir;
  const std::string path = dir.Path("zone.mob");
  TMob mob;
  GenerateZone(mob, {.records = 300, .seed = 2});
  RecordingLogView view(mob);
  ASSERT_TRUE(mob.Save(path, {.view = &view}));
  EXPECT_EQ(view.lines, LogLines(mob));

  TMob loaded;
  RecordingLogView loadView(loaded);
  ASSERT_TRUE(loaded.Load(path, {.view = &loadView}));
  EXPECT_EQ(loadView.lines, LogLines(loaded));
  EXPECT_EQ(loaded.Units, mob.Units);

  // Without a view the next run is direct: the view hears nothing.
  loadView.lines.clear();
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_TRUE(loadView.lines.empty());
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace kelvarin
