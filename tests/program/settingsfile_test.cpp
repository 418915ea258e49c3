#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "program/appstate.h"
#include "program/settingsfile.h"
#include "common/filesystem.h"
#include "common/inifile.h"
#include "mob/filelog.h"
#include "support/childprocess.h"
#include "support/faultyfiles.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            (std::string("kelvarin-settings-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Folder() const { return m_dir.string() + "/"; }
  std::string IniPath() const { return Folder() + "Kelvarin.ini"; }
  void WriteIni(const std::string& text) { std::ofstream(IniPath(), std::ios::binary) << text; }
  std::string ReadIni() const {
    std::ifstream in(IniPath(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The file's non-empty lines.
  std::vector<std::string> IniLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadIni());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  // Starts the program's state on the folder, as the editor does.
  std::unique_ptr<TAppState> Start() {
    auto state = std::make_unique<TAppState>(Folder());
    state->StartUp();
    return state;
  }

  fs::path m_dir;
};

TEST_F(SettingsFile, FirstRunWritesTheCompleteFileInOrder) {
  auto state = Start();
  std::vector<std::string> expected = {
      "[Main]", "IniFileVer=6", "LastProgrVer=0.3.7.20", "UseTMobThreads=0", "SaveAttempts=10",
      "WorkPath=" + Folder(), "MakeAutoBackups=1", "SearchStr=", "RepStr=", "MakeReplace=0", "UndoLimitMB=256",
      "RecoverySeconds=5", "[MassChangeOpts]"};
  for (const TMassChangeBoolField& f : MassChangeBoolFields()) {
    const std::string name = f.name;
    const bool on = name == "MC_AS_Obj_ReplaceCB" || name == "MC_AS_Obj_OnlyParamsRB";
    expected.push_back(name + "_ini=" + (on ? "1" : "0"));
  }
  for (const TMassChangeTextField& f : MassChangeTextFields()) expected.push_back(std::string(f.name) + "_ini=");
  EXPECT_EQ(IniLines(), expected);
  EXPECT_EQ(state->Settings.WorkPath, Folder());
  EXPECT_TRUE(state->TakeSettingsProblem().empty());
}

TEST_F(SettingsFile, VersionThreeIsUpgradedStepByStep) {
  WriteIni("[Main]\r\nIniFileVer=3\r\n");
  auto state = Start();
  TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadInteger("Main", "IniFileVer", 0), 6);
  // Step 3 -> 4 writes 27 + 22 keys, 4 -> 5 one, 5 -> 6 four: every mass-change key.
  int written = 0;
  for (const TMassChangeBoolField& f : MassChangeBoolFields())
    written += ini.KeyExists("MassChangeOpts", std::string(f.name) + "_ini");
  for (const TMassChangeTextField& f : MassChangeTextFields())
    written += ini.KeyExists("MassChangeOpts", std::string(f.name) + "_ini");
  EXPECT_EQ(written, 27 + 22 + 1 + 4);
  // The earlier steps did not run: their keys stay absent and read as defaults.
  EXPECT_FALSE(ini.KeyExists("Main", "MakeAutoBackups"));
  EXPECT_FALSE(ini.KeyExists("Main", "SearchStr"));

  const TSettings& s = state->Settings;
  EXPECT_FALSE(s.UseTMobThreads);
  EXPECT_EQ(s.SaveAttempts, 0);
  EXPECT_EQ(s.WorkPath, "0");
  EXPECT_EQ(s.SearchStr, "0");
  EXPECT_EQ(s.RepStr, "0");
  EXPECT_FALSE(s.MakeAutoBackups);
  MassChangeOpts upgraded;  // ReplaceCB and OnlyParamsRB on, everything else off or empty
  EXPECT_EQ(s.MassChange, upgraded);
}

// UndoLimitMB and RecoverySeconds are this program's own keys: a value it cannot
// take keeps the default, and the log gets one line that says so.
TEST_F(SettingsFile, AnOwnNumberThatIsNoWholeNumberKeepsTheDefaultAndSaysSo) {
  const struct {
    const char* key;
    const char* value;  // nullptr: no such key
    int taken;
    bool noted;
  } cases[] = {
      {"UndoLimitMB", nullptr, 256, false},      {"UndoLimitMB", "0", 0, false},
      {"UndoLimitMB", "512", 512, false},        {"UndoLimitMB", "+8", 8, false},
      {"UndoLimitMB", "-1", 256, true},          {"UndoLimitMB", "lots", 256, true},
      {"UndoLimitMB", "", 256, true},            {"UndoLimitMB", "99999999999", 256, true},
      {"RecoverySeconds", nullptr, 5, false},    {"RecoverySeconds", "0", 0, false},
      {"RecoverySeconds", "30", 30, false},      {"RecoverySeconds", "-5", 5, true},
      {"RecoverySeconds", "1.5", 5, true},
  };
  for (const auto& c : cases) {
    const std::string line = c.value ? std::string(c.key) + "=" + c.value : "";
    SCOPED_TRACE(line);
    WriteIni("[Main]\r\nIniFileVer=6\r\n" + line + "\r\n");
    auto state = Start();
    const bool undo = std::string_view(c.key) == "UndoLimitMB";
    EXPECT_EQ(undo ? state->Settings.UndoLimitMB : state->Settings.RecoverySeconds, c.taken);
    const std::vector<std::string> notes = state->TakeSettingsNotes();
    ASSERT_EQ(notes.size(), c.noted ? 1u : 0u);
    if (c.noted) {
      EXPECT_EQ(notes[0], NotTakenLine("Main", c.key, c.value,
                                       undo ? "целое число мегабайт, 0 или больше" : "целое число секунд, 0 или больше",
                                       std::to_string(c.taken)));
    }
    EXPECT_TRUE(state->TakeSettingsNotes().empty());  // told once
  }
}

TEST_F(SettingsFile, VersionOneRunsEveryStep) {
  WriteIni("[Main]\r\nIniFileVer=1\r\nSaveAttempts=4\r\n");
  auto state = Start();
  TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadInteger("Main", "IniFileVer", 0), 6);
  const TSettings& s = state->Settings;
  EXPECT_TRUE(s.MakeAutoBackups);
  EXPECT_EQ(s.SearchStr, "");
  EXPECT_EQ(s.RepStr, "");
  EXPECT_FALSE(s.MakeReplace);
  EXPECT_EQ(s.SaveAttempts, 4);
  EXPECT_EQ(s.MassChange, MassChangeOpts{});
}

TEST_F(SettingsFile, NoUpgradeWithoutVersionOrAboveSix) {
  struct Case {
    const char* what;
    const char* text;
  } cases[] = {
      {"no version", "[Main]\r\nSaveAttempts=3\r\nWorkPath=/data/\r\n"},
      {"version 0", "[Main]\r\nIniFileVer=0\r\nSaveAttempts=3\r\nWorkPath=/data/\r\n"},
      {"version 7", "[Main]\r\nIniFileVer=7\r\nSaveAttempts=3\r\nWorkPath=/data/\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteIni(c.text);
    auto state = Start();
    EXPECT_EQ(ReadIni(), c.text);  // reading changed nothing
    EXPECT_EQ(state->Settings.SaveAttempts, 3);
    EXPECT_EQ(state->Settings.WorkPath, "/data/");
    EXPECT_FALSE(state->Settings.MakeAutoBackups);
    EXPECT_EQ(state->Settings.MassChange.MC_KR_Param_Name1Ed, "0");
    EXPECT_FALSE(state->Settings.MassChange.MC_AS_Obj_ReplaceCB);
    // The next save writes the current layout version.
    ASSERT_TRUE(state->SaveSettings());
    EXPECT_EQ(TIniFile(IniPath()).ReadInteger("Main", "IniFileVer", 0), 6);
  }
}

TEST_F(SettingsFile, ReadingRules) {
  // Names compare case-insensitively; numbers that do not parse read as defaults;
  // any integer other than 0 is true; 1251 bytes come through unchanged.
  WriteIni("[main]\r\nsaveattempts=abc\r\nUSETMOBTHREADS=-2\r\nMakeAutoBackups=yes\r\n"
           "WorkPath=C:\\\xCC\xEE\xE1\xFB\\\r\n[masschangeopts]\r\nmc_as_obj_delrb_ini=1\r\n");
  auto state = Start();
  const TSettings& s = state->Settings;
  EXPECT_EQ(s.SaveAttempts, 0);
  EXPECT_TRUE(s.UseTMobThreads);
  EXPECT_FALSE(s.MakeAutoBackups);
  EXPECT_EQ(s.WorkPath, "C:\\\xCC\xEE\xE1\xFB\\");
  EXPECT_TRUE(s.MassChange.MC_AS_Obj_DelRB);

  ASSERT_TRUE(state->SaveSettings());
  TIniFile ini(IniPath());
  EXPECT_EQ(ini.ReadString("Main", "WorkPath", ""), "C:\\\xCC\xEE\xE1\xFB\\");
  EXPECT_EQ(ini.ReadString("Main", "SaveAttempts", ""), "0");
  EXPECT_EQ(ini.ReadString("Main", "UseTMobThreads", ""), "1");
}

TEST_F(SettingsFile, AnUnwritableFileIsReportedOnceAndTheValuesStay) {
  TAppState state(Folder() + "missing-folder/");
  state.StartUp();
  EXPECT_EQ(state.Settings.SaveAttempts, 10);  // first-run values, in memory only
  const std::string problem = state.TakeSettingsProblem();
  EXPECT_NE(problem.find(Folder() + "missing-folder/Kelvarin.ini"), std::string::npos) << problem;
  EXPECT_FALSE(state.SaveSettings());
  EXPECT_TRUE(state.TakeSettingsProblem().empty());
  EXPECT_FALSE(fs::exists(Folder() + "missing-folder"));

}

TEST_F(SettingsFile, AnUnreadableFileGivesTheFirstRunValuesAndIsWrittenAnew) {
  test::TFaultyFiles unreadable;
  unreadable.read.Fail(EACCES);
  WriteIni("[Main]\r\nIniFileVer=6\r\nSaveAttempts=3\r\n");
  SetFiles(&unreadable);
  auto state = Start();
  SetFiles(nullptr);
  EXPECT_EQ(state->Settings.SaveAttempts, 10);  // not the reading default 0
  EXPECT_TRUE(state->Settings.MakeAutoBackups);
  EXPECT_EQ(state->Settings.WorkPath, Folder());
  EXPECT_EQ(TIniFile(IniPath()).ReadInteger("Main", "SaveAttempts", 0), 10);
}

TEST_F(SettingsFile, RetriesReadAboveTheBoundCountAsTheBound) {
  for (const auto& [text, expected] : {std::pair{"2147483647", 100}, {"101", 100}, {"100", 100}, {"-5", -5}}) {
    WriteIni(std::string("[Main]\r\nIniFileVer=6\r\nSaveAttempts=") + text + "\r\n");
    EXPECT_EQ(Start()->Settings.SaveAttempts, expected) << text;
  }
}

TEST_F(SettingsFile, AFileThatIsNoRegularFileIsNeitherReadNorWritten) {
  ASSERT_EQ(::mkfifo(IniPath().c_str(), 0666), 0);
  // Reading a FIFO would block the start for ever: the child has seconds.
  const test::ChildEnd end = test::RunInChild(
      [&] {
        auto state = Start();
        if (state->Settings.SaveAttempts != 10 || !state->Settings.MakeAutoBackups) return 10;
        if (state->TakeSettingsProblem().find(NotRegularFileLine(IniPath(), FileKind::Fifo)) != 0) return 11;
        if (state->SaveSettings()) return 12;
        state->ShutDown();
        return state->TakeSettingsProblem().empty() ? 0 : 13;  // told once
      },
      /*seconds=*/5);
  EXPECT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_EQ(end.code, 0);
  EXPECT_TRUE(fs::is_fifo(IniPath()));
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 1);
}

TEST_F(SettingsFile, AnUnreadableFileIsReplacedSoTheSettingsPersist) {
  WriteIni("[Main]\r\nIniFileVer=6\r\nSaveAttempts=3\r\n");
  fs::permissions(IniPath(), fs::perms::none);
  ASSERT_EQ(::chown(m_dir.c_str(), test::kNobody, test::kNobody), 0);
  const test::ChildEnd end = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 10;
    {
      auto state = Start();
      if (state->Settings.SaveAttempts != 10) return 11;  // the first-run values
      state->Settings.SaveAttempts = 4;
      if (!state->SaveSettings()) return 12;
    }
    return Start()->Settings.SaveAttempts == 4 ? 0 : 13;  // read back at the next start
  });
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

TEST_F(SettingsFile, TheUndoBoundIsReadWrittenAndReachesTheSession) {
  // Files from before the key: the default.
  WriteIni("[Main]\r\nIniFileVer=6\r\nSaveAttempts=3\r\n");
  EXPECT_EQ(Start()->Settings.UndoLimitMB, 256);
  WriteIni("[Main]\r\nIniFileVer=6\r\nUndoLimitMB=32\r\nUseTMobThreads=1\r\nSaveAttempts=7\r\n");
  auto state = Start();
  EXPECT_EQ(state->Settings.UndoLimitMB, 32);
  const TSessionOptions options = state->Session.Options();
  EXPECT_EQ(options.UndoLimitBytes, std::size_t(32) << 20);
  EXPECT_TRUE(options.UseThreads);
  EXPECT_EQ(options.SaveAttempts, 7);
  // A negative bound keeps no history.
  state->Settings.UndoLimitMB = -5;
  EXPECT_EQ(state->Session.Options().UndoLimitBytes, 0u);
}

}  // namespace
}  // namespace kelvarin
