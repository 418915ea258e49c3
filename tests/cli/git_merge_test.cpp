// The real kelvarin-cli as git's diff text converter and merge driver, installed
// as the README says, in a temporary repository: two branches that edit different
// records of one zone merge with no conflict into the zone with both edits, byte
// for byte; crossed edits stop the merge with the conflict listed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class GitMergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("kelvarin-git-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir / "repo");
    // Nothing of the machine's own git settings takes part.
    setenv("HOME", m_dir.c_str(), 1);
    setenv("GIT_CONFIG_NOSYSTEM", "1", 1);
    setenv("GIT_AUTHOR_NAME", "Test", 1);
    setenv("GIT_AUTHOR_EMAIL", "test@example.org", 1);
    setenv("GIT_COMMITTER_NAME", "Test", 1);
    setenv("GIT_COMMITTER_EMAIL", "test@example.org", 1);
    ASSERT_EQ(Git("init -q -b main"), 0) << m_output;
    std::ofstream(m_dir / "repo" / ".gitattributes") << "*.mob diff=kelvarin merge=kelvarin\n";
    const std::string cli = KELVARIN_CLI;
    ASSERT_EQ(Git("config diff.kelvarin.textconv '" + cli + " textconv'"), 0);
    ASSERT_EQ(Git("config merge.kelvarin.driver '" + cli + " merge %O %A %B'"), 0);
    SaveZone({});
    ASSERT_EQ(Git("add . && git commit -q -m base"), 0) << m_output;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Runs `git ARGS` in the repository; the output is kept in m_output.
  int Git(const std::string& args) {
    const std::string command = "cd '" + (m_dir / "repo").string() + "' && git " + args + " 2>&1";
    m_output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) m_output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static void Generate(TMob& mob) { GenerateZone(mob, {.records = 300, .seed = 8, .scriptLines = 30}); }

  void SaveZone(const std::function<void(TMob&)>& edit) {
    TMob mob;
    Generate(mob);
    if (edit) edit(mob);
    ASSERT_TRUE(mob.Save((m_dir / "repo" / "zone.mob").string())) << mob.LogText;
  }

  void Branch(const std::string& name, const std::function<void(TMob&)>& edit) {
    ASSERT_EQ(Git("checkout -q -b " + name + " main"), 0) << m_output;
    SaveZone(edit);
    ASSERT_EQ(Git("commit -q -am " + name), 0) << m_output;
  }

  std::string ZoneBytes() const {
    std::ifstream in(m_dir / "repo" / "zone.mob", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path m_dir;
  std::string m_output;
};

TEST_F(GitMergeTest, BranchesEditingDifferentRecordsMergeCleanly) {
  const auto lever = [](TMob& m) { m.Levers[0].Key = 31337; };
  const auto object = [](TMob& m) {
    m.Objects[5].Name2 = "moved by right";
    m.Objects[5].LoadX = 12.5f;
  };
  Branch("right", object);
  Branch("left", lever);

  // The text converter makes git show field lines.
  ASSERT_EQ(Git("show --format= left"), 0) << m_output;
  EXPECT_NE(m_output.find("\n+  Key = 31337\n"), std::string::npos) << m_output;

  ASSERT_EQ(Git("merge -q --no-edit right"), 0) << m_output;
  TMob both;
  Generate(both);
  lever(both);
  object(both);
  Bytes expected;
  ASSERT_TRUE(both.BuildImage(expected));
  EXPECT_EQ(ZoneBytes(), std::string(expected.begin(), expected.end()));
}

TEST_F(GitMergeTest, CrossedEditsStopTheMergeWithTheConflictListed) {
  std::int32_t lever = 0;
  Branch("theirs", [&](TMob& m) { m.Levers[0].Key = 2; });
  Branch("ours", [&](TMob& m) {
    m.Levers[0].Key = 1;
    lever = m.Levers[0].ObjectID;
  });
  EXPECT_NE(Git("merge --no-edit theirs"), 0);
  EXPECT_NE(m_output.find("conflict: levers " + std::to_string(lever) + ": Key: base "), std::string::npos)
      << m_output;
  EXPECT_NE(m_output.find("ours 1, theirs 2; ours kept"), std::string::npos);
  EXPECT_NE(m_output.find("CONFLICT"), std::string::npos);
}

}  // namespace
}  // namespace kelvarin
