// The real kelvarin-cli process: whatever it is given, it ends with an exit code
// and a message, never by a signal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "support/childprocess.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class CliProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run({"generate", Path("zone.mob"), "--records", "50"}).code, 0);
  }

  std::string Path(const std::string& name) const { return m_dir.Path(name); }
  test::ChildEnd Run(std::vector<std::string> args, const std::string& out = "", rlim_t memory = 0) {
    args.insert(args.begin(), KELVARIN_CLI);
    return test::RunProgram(args, out.empty() ? Path("stdout") : out, Path("stderr"), memory);
  }
  std::string Stderr() const { return test::ReadFileBytes(Path("stderr")); }

  test::TTempFolder m_dir;
};

TEST_F(CliProcessTest, HostileInputEndsWithExitOneAndAMessage) {
  test::WriteFileBytes(Path("overflow.json"), R"({"mobKind": 1e400})");
  test::WriteFileBytes(Path("deep.json"), R"({"mobKind": )" + std::string(130000, '[') + std::string(130000, ']') + "}");
  fs::create_directory(Path("folder"));
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"number overflow", {"build", Path("overflow.json"), Path("out.mob")}, "number overflow"},
      {"deep nesting", {"build", Path("deep.json"), Path("out.mob")}, "nested deeper than 64 levels"},
      {"folder as JSON", {"build", Path("folder"), Path("out.mob")}, "это не обычный файл, а папка"},
      {"folder as script", {"script", "set", Path("zone.mob"), Path("folder")}, "это не обычный файл, а папка"},
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
  test::WriteFileBytes(Path("bad.txt"), "KillUnit(GetObjectByID(999999999));\n");
  ASSERT_EQ(Run({"script", "set", Path("zone.mob"), Path("bad.txt")}).code, 0) << Stderr();
  EXPECT_EQ(Run({"check", Path("zone.mob"), "--json"}).code, 3);
  EXPECT_NE(test::ReadFileBytes(Path("stdout")).find("\"code\": \"dangling-id\""), std::string::npos);
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

// A reader that stops reading (`kelvarin-cli check --json | head`) ends the output:
// exit code 1, as for any output that could not be written, but not a word, and
// not a signal. Every command that writes to stdout alike.
TEST_F(CliProcessTest, OutputIntoAPipeClosedEarlyEndsSilentlyWithExitOne) {
  ASSERT_EQ(Run({"generate", Path("big.mob"), "--records", "3000"}).code, 0);
  const std::vector<std::vector<std::string>> commands = {
      {"dump", Path("big.mob")},          {"info", Path("zone.mob")},
      {"script", "get", Path("zone.mob")}, {"check", Path("zone.mob"), "--json"},
      {"blocks", Path("zone.mob")},        {"--help"}};
  for (const std::size_t readFirst : {std::size_t(0), std::size_t(100)}) {
    for (const std::vector<std::string>& command : commands) {
      // Only the dump of a large zone outgrows the pipe's buffer before the end.
      if (readFirst > 0 && command[0] != "dump") continue;
      SCOPED_TRACE(command[0] + " after " + std::to_string(readFirst) + " bytes");
      int fds[2];
      ASSERT_EQ(::pipe(fds), 0);
      if (readFirst == 0) ::close(fds[0]);  // nobody will ever read
      const std::string err = Path("stderr");
      std::vector<std::string> args = command;
      args.insert(args.begin(), KELVARIN_CLI);
      const pid_t child = ::fork();
      if (child == 0) {
        if (readFirst > 0) ::close(fds[0]);
        ::dup2(fds[1], 1);
        if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(96);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
      }
      ::close(fds[1]);
      std::string head(readFirst, '\0');
      for (std::size_t got = 0; got < readFirst;) {
        const ssize_t n = ::read(fds[0], head.data() + got, readFirst - got);
        ASSERT_GT(n, 0);
        got += std::size_t(n);
      }
      if (readFirst > 0) ::close(fds[0]);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_EQ(Stderr(), "");
    }
  }
}

}  // namespace
}  // namespace kelvarin
