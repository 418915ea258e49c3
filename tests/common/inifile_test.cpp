#include <gtest/gtest.h>

#include <filesystem>

#include "common/inifile.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.Path("Kelvarin.ini");
  }
  void Write(const std::string& text) { test::WriteFileBytes(m_path, text); }

  test::TTempFolder m_dir;
  std::string m_path;
};

TEST_F(IniFileTest, NamesCompareWithoutCaseAndDefaultsApply) {
  Write("[MAIN]\nsaveattempts=7\nUseTMobThreads=abc\nFlag=-3\n");
  TIniFile ini(m_path);
  EXPECT_EQ(ini.ReadInteger("Main", "SaveAttempts", 10), 7);
  EXPECT_EQ(ini.ReadInteger("Main", "UseTMobThreads", 0), 0);  // not a number
  EXPECT_TRUE(ini.ReadBool("main", "flag", false));            // any integer but 0
  EXPECT_EQ(ini.ReadString("Main", "WorkPath", "0"), "0");     // absent
}

TEST_F(IniFileTest, BytesRoundTripAndKeysKeepWriteOrder) {
  TIniFile ini(m_path);
  EXPECT_FALSE(ini.FileExists());
  ini.WriteInteger("Main", "IniFileVer", 6);
  ini.WriteString("Main", "WorkPath", "C:\\\xCC\xEE\xE8 \xEC\xEE\xE1\xFB\\");
  ini.WriteBool("Main", "MakeAutoBackups", true);
  ini.WriteString("MassChangeOpts", "A_ini", "");
  std::string error;
  ASSERT_TRUE(ini.UpdateFile(error)) << error;

  TIniFile again(m_path);
  EXPECT_EQ(again.ReadString("Main", "WorkPath", ""), "C:\\\xCC\xEE\xE8 \xEC\xEE\xE1\xFB\\");
  const std::string text = again.Text();
  EXPECT_LT(text.find("IniFileVer=6"), text.find("WorkPath="));
  EXPECT_LT(text.find("WorkPath="), text.find("MakeAutoBackups=1"));
  EXPECT_LT(text.find("[Main]"), text.find("[MassChangeOpts]"));
}

TEST_F(IniFileTest, UnwritableTargetReportsInsteadOfThrowing) {
  TIniFile ini(m_dir.Path("missing-folder/Kelvarin.ini"));
  ini.WriteInteger("Main", "IniFileVer", 6);
  std::string error;
  EXPECT_FALSE(ini.UpdateFile(error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace kelvarin
