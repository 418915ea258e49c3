// The editor's command line as a user meets it: the real program, started without a
// display. Help and version must answer there; a bad option must not try to open a
// window either.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct TRun {
  int ExitCode = -1;
  std::string Out, Err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class EditorCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("kelvarin-cmdline-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Runs the editor with `args` (already quoted for the shell), with no display to
  // connect to and the X11 platform forced, so any attempt to open a window fails.
  TRun Run(const std::string& args) {
    const fs::path out = m_dir / "out", err = m_dir / "err";
    const std::string command = "cd '" + m_dir.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                                std::string(KELVARIN_EDITOR) + "' " + args + " >'" + out.string() + "' 2>'" +
                                err.string() + "'";
    const int status = std::system(command.c_str());
    TRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadAll(out);
    run.Err = ReadAll(err);
    return run;
  }

  fs::path m_dir;
};

TEST_F(EditorCommandLine, HelpAndVersionPrintAndExitWithoutADisplay) {
  for (const std::string option : {"--help", "-h"}) {
    const TRun run = Run(option);
    EXPECT_EQ(run.ExitCode, 0) << option << run.Err;
    EXPECT_NE(run.Out.find("Использование: kelvarin [ФАЙЛ.mob]"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "");
  }
  const TRun version = Run("--version");
  EXPECT_EQ(version.ExitCode, 0) << version.Err;
  EXPECT_EQ(version.Out, "Kelvarin 0.3.7.20\n");
  // Nothing is written beside the executable or in the working folder on the way.
  EXPECT_FALSE(fs::exists(m_dir / "Kelvarin.ini"));
}

TEST_F(EditorCommandLine, AnUnknownOptionPrintsTheUsageOnStderrAndExits2) {
  for (const std::string option : {"--bogus", "-", "-platform offscreen", "zone.mob --verbose"}) {
    const TRun run = Run(option);
    EXPECT_EQ(run.ExitCode, 2) << option;
    EXPECT_EQ(run.Out, "") << option;
    EXPECT_TRUE(run.Err.starts_with("kelvarin: неизвестный параметр \"")) << run.Err;
    EXPECT_NE(run.Err.find("Использование: kelvarin"), std::string::npos) << run.Err;
  }
}

TEST_F(EditorCommandLine, AFileArgumentStillStartsTheEditor) {
  // Without a display the start fails in Qt's platform set-up, which shows that the
  // argument was taken as a file to open, not refused as an option.
  const TRun run = Run("./-odd.mob");
  EXPECT_NE(run.ExitCode, 2);
  EXPECT_EQ(run.Err.find("неизвестный параметр"), std::string::npos) << run.Err;
}

}  // namespace
