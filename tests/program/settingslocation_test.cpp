// Where the settings file of a copy lies: beside a copy in a folder of its own, in
// the user's configuration folder for an installed one. Tests run as root, who may
// write anywhere, so the user's side runs in a child that has become nobody.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "program/appstate.h"
#include "program/settingslocation.h"
#include "common/inifile.h"
#include "support/childprocess.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class SettingsLocation : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program's folder belongs to root with the usual 0755: nobody may not write it.
    fs::create_directories(Program());
    fs::permissions(Program(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(Home());
    ASSERT_EQ(::chown(Home().c_str(), test::kNobody, test::kNobody), 0);
  }

  std::string Program() const { return m_dir.Path("program") + "/"; }
  std::string Home() const { return m_dir.Path("home") + "/"; }
  std::string UserConfig() const { return Home() + ".config/Kelvarin/"; }
  TUserFolders User() const { return {UserConfig(), Home()}; }

  // Starts the program's state as nobody; `check` says what was wrong (0: nothing).
  int StartAsNobody(const std::function<int(TAppState&)>& check) {
    const test::ChildEnd end = test::RunInChild([&] {
      if (!test::BecomeNobody()) return 90;
      TAppState state(Program(), User());
      state.StartUp();
      return check(state);
    });
    EXPECT_TRUE(end.exited) << "signal " << end.signal;
    return end.code;
  }

  test::TTempFolder m_dir;
};

TEST_F(SettingsLocation, AReadOnlyProgramFolderKeepsTheSettingsInTheUsersFolder) {
  EXPECT_EQ(StartAsNobody([&](TAppState& state) {
              if (state.IniFile().Path() != UserConfig() + "Kelvarin.ini") return 10;
              if (state.SettingsFileLine() != "Файл настроек: " + UserConfig() + "Kelvarin.ini") return 11;
              if (!state.TakeSettingsProblem().empty()) return 12;  // written without a fault
              // The dialogs start in the user's home, not among the programs.
              if (state.Settings.WorkPath != Home()) return 13;
              state.Settings.SaveAttempts = 4;
              return state.SaveSettings() ? 0 : 14;
            }),
            0);
  EXPECT_FALSE(fs::exists(Program() + "Kelvarin.ini"));
  // The next start chooses the same file and reads what the last one saved.
  EXPECT_EQ(StartAsNobody([&](TAppState& state) {
              return state.IniFile().Path() == UserConfig() + "Kelvarin.ini" && state.Settings.SaveAttempts == 4 ? 0
                                                                                                                : 20;
            }),
            0);
}

TEST_F(SettingsLocation, AFileAlreadyBesideTheProgramIsUsedEvenWhenItCannotBeWritten) {
  std::ofstream(Program() + "Kelvarin.ini") << "[Main]\nIniFileVer=6\nSaveAttempts=7\n";
  EXPECT_EQ(StartAsNobody([&](TAppState& state) {
              if (state.IniFile().Path() != Program() + "Kelvarin.ini") return 10;
              if (state.Settings.SaveAttempts != 7) return 11;
              // Saving fails and says so, once; nothing moves to the user's folder.
              if (state.SaveSettings() || state.TakeSettingsProblem().empty()) return 12;
              return fs::exists(UserConfig()) ? 13 : 0;
            }),
            0);
}

TEST_F(SettingsLocation, AWritableProgramFolderOfItsOwnKeepsTheSettingsBesideIt) {
  fs::permissions(Program(), fs::perms::all);
  EXPECT_EQ(StartAsNobody([&](TAppState& state) {
              if (state.IniFile().Path() != Program() + "Kelvarin.ini") return 10;
              return state.Settings.WorkPath == Program() ? 0 : 11;  // the first-run folder as before
            }),
            0);
  EXPECT_TRUE(fs::exists(Program() + "Kelvarin.ini"));
  EXPECT_FALSE(fs::exists(UserConfig()));
}

TEST_F(SettingsLocation, AUsersFolderThatCannotBeMadeIsReportedAndTheValuesStay) {
  fs::permissions(Home(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(StartAsNobody([&](TAppState& state) {
              if (state.Settings.SaveAttempts != 10) return 10;
              const std::string problem = state.TakeSettingsProblem();
              return problem.find(UserConfig() + "Kelvarin.ini") != std::string::npos ? 0 : 11;
            }),
            0);
}

TEST_F(SettingsLocation, TheChoiceFollowsTheFolderNotTheUser) {
  // Under /usr the package manager owns the folder, writable by root or not.
  EXPECT_FALSE(ChooseSettingsLocation("/usr/bin/", UserConfig()).BesideProgram);
  EXPECT_EQ(ChooseSettingsLocation("/usr/local/bin", UserConfig()).Folder, UserConfig());
  // Root may write the program's folder: beside it.
  EXPECT_TRUE(ChooseSettingsLocation(Program(), UserConfig()).BesideProgram);
  // Without a user's folder to go to, the file stays beside the program.
  EXPECT_TRUE(ChooseSettingsLocation("/usr/bin/", "").BesideProgram);
  // A missing program folder cannot be written.
  EXPECT_FALSE(ChooseSettingsLocation(Program() + "gone/", UserConfig()).BesideProgram);

  EXPECT_TRUE(IsUnderUsr("/usr"));
  EXPECT_TRUE(IsUnderUsr("/usr/share/../bin/"));
  EXPECT_FALSE(IsUnderUsr("/usrlocal/bin/"));
  EXPECT_FALSE(IsUnderUsr("/opt/usr/bin/"));
  // Through a link into /usr.
  fs::create_directory_symlink("/usr/bin", m_dir.Root() / "linked-bin");
  EXPECT_TRUE(IsUnderUsr(m_dir.Path("linked-bin")));
}

TEST_F(SettingsLocation, TheGuideAndLicenceAreFoundBesideTheProgramOrInTheInstalledDocFolder) {
  // An installed layout: P/bin/kelvarin and P/share/doc/kelvarin/.
  const fs::path prefix = m_dir.Root() / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share/doc/kelvarin");
  std::ofstream(prefix / "share/doc/kelvarin/Readme.txt") << "guide";
  const TAppState installed((prefix / "bin").string(), User());
  EXPECT_EQ(installed.DocFile("Readme.txt"), (prefix / "share/doc/kelvarin/Readme.txt").string());
  // A file beside the program comes first.
  std::ofstream(prefix / "bin/Readme.txt") << "guide";
  EXPECT_EQ(installed.DocFile("Readme.txt"), (prefix / "bin/Readme.txt").string());
  // Neither: the place beside the program, which the failure message names.
  EXPECT_EQ(installed.DocFile("License.txt"), (prefix / "bin/License.txt").string());
}

}  // namespace
}  // namespace kelvarin
