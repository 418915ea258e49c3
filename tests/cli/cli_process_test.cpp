// The real kelvarin-cli process: whatever it is given, it ends with an exit code
// and a message, never by a signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/childprocess.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class CliProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("kelvarin-cli-process-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
    ASSERT_EQ(Run({"generate", Path("zone.mob"), "--records", "50"}).code, 0);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  test::ChildEnd Run(std::vector<std::string> args, const std::string& out = "", rlim_t memory = 0) {
    args.insert(args.begin(), KELVARIN_CLI);
    return test::RunProgram(args, out.empty() ? Path("stdout") : out, Path("stderr"), memory);
  }
  std::string Stderr() const { return Read(Path("stderr")); }

  fs::path m_dir;
};

TEST_F(CliProcessTest, HostileInputEndsWithExitOneAndAMessage) {
  Write(Path("overflow.json"), R"({"mobKind": 1e400})");
  Write(Path("deep.json"), R"({"mobKind": )" + std::string(130000, '[') + std::string(130000, ']') + "}");
  fs::create_directory(Path("folder"));
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"number overflow", {"build", Path("overflow.json"), Path("out.mob")}, "number overflow"},
      {"deep nesting", {"build", Path("deep.json"), Path("out.mob")}, "nested deeper than 64 levels"},
      {"folder as JSON", {"build", Path("folder"), Path("out.mob")}, "Is a directory"},
      {"folder as script", {"script", "set", Path("zone.mob"), Path("folder")}, "Is a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::ChildEnd end = Run(c.args);
    EXPECT_TRUE(end.exited) << "signal " << end.signal;
    EXPECT_EQ(end.code, 1);
    const std::string err = Stderr();
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  EXPECT_FALSE(fs::exists(Path("out.mob")));
}

TEST_F(CliProcessTest, CheckAnswersWithItsExitCodes) {
  EXPECT_EQ(Run({"check", Path("zone.mob")}).code, 0) << Stderr();
  Write(Path("bad.txt"), "KillUnit(GetObjectByID(999999999));\n");
  ASSERT_EQ(Run({"script", "set", Path("zone.mob"), Path("bad.txt")}).code, 0) << Stderr();
  EXPECT_EQ(Run({"check", Path("zone.mob"), "--json"}).code, 3);
  EXPECT_NE(Read(Path("stdout")).find("\"code\": \"dangling-id\""), std::string::npos);
  fs::create_directory(Path("folder"));
  EXPECT_EQ(Run({"check", Path("folder")}).code, 1);
  EXPECT_EQ(Run({"check", "--no-such-option", Path("zone.mob")}).code, 2);
}

TEST_F(CliProcessTest, RunningOutOfMemoryIsExitOneWithAMessage) {
  const test::ChildEnd end = Run({"generate", Path("huge.mob"), "--records", "50000000"}, "", 256u << 20);
  EXPECT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_EQ(end.code, 1);
  EXPECT_EQ(Stderr(), "kelvarin-cli: out of memory: the command needs more memory than it can get\n");
  EXPECT_FALSE(fs::exists(Path("huge.mob")));
}

TEST_F(CliProcessTest, OutputToAFullDeviceIsExitOne) {
  const std::string full = Path("full");
  ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"dump", Path("zone.mob")},
                                               {"info", Path("zone.mob")},
                                               {"script", "get", Path("zone.mob")}}) {
    SCOPED_TRACE(args[0]);
    const test::ChildEnd end = Run(args, full);
    EXPECT_TRUE(end.exited) << "signal " << end.signal;
    EXPECT_EQ(end.code, 1);
    EXPECT_NE(Stderr().find("the output could not be written"), std::string::npos) << Stderr();
  }
}

TEST_F(CliProcessTest, OutputIntoAClosedPipeIsExitOneNotASignal) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);  // nobody will ever read
  const std::string err = Path("stderr");
  const test::ChildEnd end = test::RunInChild([&] {
    ::dup2(fds[1], 1);
    if (!std::freopen(err.c_str(), "w", stderr)) return 96;
    ::execl(KELVARIN_CLI, KELVARIN_CLI, "dump", Path("zone.mob").c_str(), static_cast<char*>(nullptr));
    return 127;
  });
  ::close(fds[1]);
  EXPECT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_EQ(end.code, 1);
  EXPECT_NE(Stderr().find("the output could not be written"), std::string::npos) << Stderr();
}

}  // namespace
}  // namespace kelvarin
