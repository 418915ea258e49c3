// The File menu's list of recent zones: newest first, no repeats, at most ten,
// gone files dropped, and its section of the settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

#include "program/recentfiles.h"
#include "program/settings.h"
#include "program/settingsfile.h"
#include "common/inifile.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

using Paths = std::vector<std::string>;

TEST(RecentFiles, NewestFirstWithoutRepeatsAndAtMostTen) {
  TRecentFiles recent;
  recent.Note("/z/a.mob");
  recent.Note("/z/b.mob");
  recent.Note("/z/a.mob");  // opened again: moves up, not in twice
  EXPECT_EQ(recent.Paths(), (Paths{"/z/a.mob", "/z/b.mob"}));
  recent.Note("");
  EXPECT_EQ(recent.Paths().size(), 2u);

  for (int i = 0; i < 12; ++i) recent.Note("/z/" + std::to_string(i) + ".mob");
  ASSERT_EQ(recent.Paths().size(), TRecentFiles::kMaxCount);
  EXPECT_EQ(recent.Paths().front(), "/z/11.mob");
  EXPECT_EQ(recent.Paths().back(), "/z/2.mob");  // 0, 1, a and b fell off the end

  // A file from far down comes back to the top, and nothing falls off.
  recent.Note("/z/5.mob");
  EXPECT_EQ(recent.Paths().front(), "/z/5.mob");
  EXPECT_EQ(recent.Paths().size(), TRecentFiles::kMaxCount);
  EXPECT_EQ(recent.Paths().back(), "/z/2.mob");
}

TEST(RecentFiles, AssignedListsAreCleanedAndPruningKeepsTheOrder) {
  TRecentFiles recent;
  recent.Assign({"/a", "", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(recent.Paths(), (Paths{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));

  const std::set<std::string> gone = {"/a", "/d", "/j"};
  EXPECT_TRUE(recent.Prune([&](const std::string& p) { return !gone.contains(p); }));
  EXPECT_EQ(recent.Paths(), (Paths{"/b", "/c", "/e", "/f", "/g", "/h", "/i"}));
  EXPECT_FALSE(recent.Prune([](const std::string&) { return true; }));
}

class RecentFilesSection : public ::testing::Test {
 protected:
  void SetUp() override {
    // A file of each test's own: ctest runs the tests of this suite side by side.
    m_path = fs::temp_directory_path() /
             ("kelvarin-recentfiles-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
              ".ini");
    fs::remove(m_path);
  }
  void TearDown() override { fs::remove(m_path); }

  std::string Text() const {
    std::ifstream in(m_path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Save(const TSettings& settings) {
    TIniFile ini(m_path.string());
    std::string error;
    ASSERT_TRUE(SaveSettings(ini, settings, "0.3.7.20", error)) << error;
  }
  TSettings Load() {
    TIniFile ini(m_path.string());
    TSettings settings;
    std::string error;
    EXPECT_TRUE(LoadSettings(ini, settings, error)) << error;
    return settings;
  }

  fs::path m_path;
};

TEST_F(RecentFilesSection, TheListIsWrittenNewestFirstAndAShorterListLeavesNoStaleKeys) {
  TSettings settings;
  // Bytes of code page 1251 (a Cyrillic folder) stay as they are.
  const std::string cyrillic = "/\xE7\xEE\xED\xFB/zone.mob";
  settings.RecentFiles.Assign({cyrillic, "/b.mob", "/c.mob"});
  Save(settings);
  EXPECT_NE(Text().find("[RecentFiles]\nFile1=" + cyrillic + "\nFile2=/b.mob\nFile3=/c.mob"), std::string::npos)
      << Text();
  EXPECT_EQ(Load().RecentFiles.Paths(), (Paths{cyrillic, "/b.mob", "/c.mob"}));

  settings.RecentFiles.Assign({"/c.mob"});
  Save(settings);
  EXPECT_EQ(Load().RecentFiles.Paths(), (Paths{"/c.mob"}));
  EXPECT_EQ(Text().find("File2"), std::string::npos);

  // An empty list leaves no section behind.
  settings.RecentFiles.Assign({});
  Save(settings);
  EXPECT_EQ(Text().find("RecentFiles"), std::string::npos);
}

TEST_F(RecentFilesSection, ThePythonScriptsRunLastHaveASectionOfTheirOwn) {
  TSettings settings;
  settings.RecentFiles.Assign({"/zone.mob"});
  settings.RecentScripts.Assign({"/tools/renumber.py", "/tools/flames.py"});
  Save(settings);
  EXPECT_NE(Text().find("[RecentScripts]\nFile1=/tools/renumber.py\nFile2=/tools/flames.py"), std::string::npos)
      << Text();
  const TSettings loaded = Load();
  EXPECT_EQ(loaded.RecentScripts.Paths(), (Paths{"/tools/renumber.py", "/tools/flames.py"}));
  EXPECT_EQ(loaded.RecentFiles.Paths(), (Paths{"/zone.mob"}));
}

TEST_F(RecentFilesSection, AHandEditedSectionIsReadWithGapsRepeatsAndExtraKeysLeftOut) {
  std::ofstream(m_path, std::ios::binary) << "[Main]\nIniFileVer=6\n[RecentFiles]\nFile2=/b.mob\nFile1=/a.mob\n"
                                             "File3=\nFile4=/a.mob\nFile5=/e.mob\nFile11=/k.mob\n";
  EXPECT_EQ(Load().RecentFiles.Paths(), (Paths{"/a.mob", "/b.mob", "/e.mob"}));
}

}  // namespace
}  // namespace kelvarin
