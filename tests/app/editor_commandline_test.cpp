// The editor's command line as a user meets it: the real program, started without a
// display. Help and version must answer there; a bad option must not try to open a
// window either.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/childprocess.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace {

namespace fs = std::filesystem;

struct TRun {
  int ExitCode = -1;
  std::string Out, Err;
};

class EditorCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    // A copy of its own, so what it writes beside itself shows.
    fs::copy_file(KELVARIN_EDITOR, m_dir.Root() / "kelvarin");
    // No display to connect to and the X11 platform forced: any attempt to open a
    // window fails.
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  }

  TRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), m_dir.Path("kelvarin"));
    const std::string out = m_dir.Path("out"), err = m_dir.Path("err");
    const kelvarin::test::ChildEnd end = kelvarin::test::RunProgram(args, out, err);
    return TRun{end.exited ? end.code : -1, kelvarin::test::ReadFileBytes(out), kelvarin::test::ReadFileBytes(err)};
  }

  kelvarin::test::TTempFolder m_dir;
};

TEST_F(EditorCommandLine, HelpAndVersionPrintAndExitWithoutADisplay) {
  for (const std::string option : {"--help", "-h"}) {
    const TRun run = Run({option});
    EXPECT_EQ(run.ExitCode, 0) << option << run.Err;
    EXPECT_NE(run.Out.find("Использование: kelvarin [ФАЙЛ.mob]"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Err, "");
  }
  const TRun version = Run({"--version"});
  EXPECT_EQ(version.ExitCode, 0) << version.Err;
  EXPECT_EQ(version.Out, "Kelvarin 0.3.7.20\n");
  // The program did not start up on the way: no settings file was written.
  EXPECT_FALSE(fs::exists(m_dir.Root() / "Kelvarin.ini"));
}

TEST_F(EditorCommandLine, AnUnknownOptionPrintsTheUsageOnStderrAndExits2) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"-"}, {"-platform", "offscreen"}, {"zone.mob", "--verbose"}}) {
    const TRun run = Run(args);
    EXPECT_EQ(run.ExitCode, 2) << args.front();
    EXPECT_EQ(run.Out, "") << args.front();
    EXPECT_TRUE(run.Err.starts_with("kelvarin: неизвестный параметр \"")) << run.Err;
    EXPECT_NE(run.Err.find("Использование: kelvarin"), std::string::npos) << run.Err;
  }
  EXPECT_FALSE(fs::exists(m_dir.Root() / "Kelvarin.ini"));
}

TEST_F(EditorCommandLine, AFileArgumentStillStartsTheEditor) {
  // Without a display the start fails in Qt's platform set-up, which shows that the
  // argument was taken as a file to open, not refused as an option.
  const TRun run = Run({"./-odd.mob"});
  EXPECT_NE(run.ExitCode, 2);
  EXPECT_EQ(run.Err.find("неизвестный параметр"), std::string::npos) << run.Err;
}

}  // namespace
