#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "version/core/programversion.h"
#include "version/core/verinfotxtformat.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

TVerInfoTxtFormat Version(int major, int minor, int release, int revision, int status, int rcNum = -1) {
  TVerInfoTxtFormat v;
  v.Major = major;
  v.Minor = minor;
  v.Release = release;
  v.Revision = revision;
  v.Status = status;
  v.RCNum = rcNum;
  return v;
}

struct TextForms {
  const char* what;
  TVerInfoTxtFormat version;
  const char* full;
  const char* fullNosvn;
  const char* shortForm;
  const char* shortNosvn;
  const char* dots;
  const char* fileName;
};

TEST(VerInfoTxtFormat, TextFormsForEveryStatus) {
  const TextForms cases[] = {
      {"release", Version(0, 3, 7, 20, 4), "0.3.7, revision: 20.", "0.3.7.20.", "0.3.7, r20.", "0.3.7.20.",
       "0.3.7.20", "0_3_7_20"},
      {"beta", Version(0, 3, 7, 20, 1), "0.3.7 Beta, revision: 20.", "0.3.7.20 Beta.", "0.3.7b, r20.",
       "0.3.7.20b.", "0.3.7.20", "0_3_7_20b"},
      {"alpha", Version(0, 3, 7, 20, 0), "0.3.7 Alpha, revision: 20.", "0.3.7.20 Alpha.", "0.3.7a, r20.",
       "0.3.7.20a.", "0.3.7.20", "0_3_7_20a"},
      {"release candidate", Version(0, 3, 7, 20, 3, 2), "0.3.7 Release Candidat N 2, revision: 20.",
       "0.3.7.20 Release Candidat N 2.", "0.3.7rc2, r20.", "0.3.7.20rc2.", "0.3.7.20", "0_3_7_20rc2"},
      {"not set", Version(0, 3, 7, 20, -1), "0.3.7, revision: 20.", "0.3.7.20.", "0.3.7, r20.", "0.3.7.20.",
       "0.3.7.20", "0_3_7_20"},
      {"unused code 2", Version(1, 0, 0, 5, 2), "1.0.0, revision: 5.", "1.0.0.5.", "1.0.0, r5.", "1.0.0.5.",
       "1.0.0.5", "1_0_0_5"},
  };
  for (const TextForms& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.version.GenerateVersionString(), c.full);
    EXPECT_EQ(c.version.GenerateVersionString_nosvn(), c.fullNosvn);
    EXPECT_EQ(c.version.GenerateShortVersionString(), c.shortForm);
    EXPECT_EQ(c.version.GenerateShortVersionString_nosvn(), c.shortNosvn);
    EXPECT_EQ(c.version.GenerateDotsVersionString(), c.dots);
    std::string fileNameNoStatus = c.dots;
    std::replace(fileNameNoStatus.begin(), fileNameNoStatus.end(), '.', '_');
    EXPECT_EQ(c.version.GenerateFNVersionString_nostatus(), fileNameNoStatus);
    EXPECT_EQ(c.version.GenerateFNVersionString(), c.fileName);
  }
  // The short status form differs from the file form for release candidates only.
  EXPECT_EQ(Version(0, 3, 7, 20, 3, 2).GenerateStatusString(false, false), " RC2");
  EXPECT_EQ(Version(0, 3, 7, 20, 1).GenerateStatusString(false, false), "b");
  const TVerInfoTxtFormat unset = Version(0, 3, 7, 20, -1);
  for (bool longForm : {false, true})
    for (bool fileForm : {false, true}) EXPECT_EQ(unset.GenerateStatusString(longForm, fileForm), "");
}

TEST(VerInfoTxtFormat, ProgramVersionIsTheBuildsRelease) {
  TVerInfoTxtFormat v;
  EXPECT_EQ(v.ErrorText, "none");
  EXPECT_EQ(v.Major, -1);
  SetProgramVersion(v);
  EXPECT_EQ(v.GenerateVersionString(), "0.3.7, revision: 20.");
  EXPECT_EQ(v.GenerateDotsVersionString(), "0.3.7.20");
  EXPECT_EQ(v.Status, TVerInfoTxtFormat::kStatusRelease);
}

TEST(VerInfoTxtFormat, ParseStatus) {
  struct Case {
    const char* text;
    int status;
    int rcNum;
  } cases[] = {{"a", 0, -1}, {"b", 1, -1}, {"r", 4, -1}, {"", 4, -1}, {"rc5", 3, 5}, {"RC12", 3, 12},
               {"x", 9, -1} /* single other character: unchanged */};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TVerInfoTxtFormat v;
    v.Status = 9;
    EXPECT_TRUE(v.ParseStatus(c.text));
    EXPECT_EQ(v.Status, c.status);
    EXPECT_EQ(v.RCNum, c.rcNum);
  }
  TVerInfoTxtFormat v;
  v.Status = 1;
  EXPECT_FALSE(v.ParseStatus("beta"));  // "ta" is no release-candidate number
  EXPECT_EQ(v.Status, 1);
}

class VerInfoFile : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return m_dir.Path(name); }
  std::string Write(const char* name, const std::string& text) {
    test::WriteFileBytes(Path(name), text);
    return Path(name);
  }

  test::TTempFolder m_dir;
};

TEST_F(VerInfoFile, SaveAndLoadRoundTrip) {
  struct Case {
    const char* what;
    TVerInfoTxtFormat version;
    const char* lastLine;
  } cases[] = {
      {"beta", Version(1, 2, 3, 45, 1), "b"},
      {"release", Version(0, 3, 7, 20, 4), ""},
      {"release candidate", Version(2, 0, 1, 7, 3, 12), "rc12"},
      {"alpha", Version(0, 0, 1, 1, 0), "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = Path("nested/folders/ver.txt");  // Save makes the folders
    TVerInfoTxtFormat written = c.version;
    ASSERT_TRUE(written.Save(path)) << written.ErrorText;
    const std::string text = test::ReadFileBytes(path);
    EXPECT_EQ(text.substr(0, 17), "VerInfoTxt\r\nv 1\r\n");
    EXPECT_TRUE(text.ends_with("\r\n" + std::string(c.lastLine) + "\r\n")) << text;

    TVerInfoTxtFormat read;
    ASSERT_TRUE(read.Load(path)) << read.ErrorText;
    written.FormatVer = 1;
    EXPECT_EQ(read, written);
  }
}

TEST_F(VerInfoFile, ReadsOtherLineEndsAndTrimsNumbers) {
  struct Case {
    const char* what;
    std::string text;
    int status;
  } cases[] = {
      {"LF only, r", "VerInfoTxt\nv 1\n1\n2\n3\n4\nr\n", 4},
      {"form feeds", "VerInfoTxt\fv 1\f1\f2\f3\f4\fb", 1},
      {"blanks around numbers", "VerInfoTxt\r\n  v   1 \r\n 1 \r\n2\t\r\n3\r\n4\r\n rc3 \r\nextra\r\n", 3},
      {"no status line", "VerInfoTxt\r\nv 1\r\n1\r\n2\r\n3\r\n4\r\n", 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVerInfoTxtFormat v;
    ASSERT_TRUE(v.Load(Write("ver.txt", c.text))) << v.ErrorText;
    EXPECT_EQ(v.GenerateDotsVersionString(), "1.2.3.4");
    EXPECT_EQ(v.Status, c.status);
  }
}

TEST_F(VerInfoFile, RefusedFilesKeepTheNumbersAndSayWhy) {
  const std::string good = "\r\n1\r\n2\r\n3\r\n4\r\nb\r\n";
  struct Case {
    const char* what;
    std::string text;
    std::string error;  // what ErrorText must contain
  } cases[] = {
      {"newer layout", "VerInfoTxt\r\nv 2" + good,
       "has more new version (2) then i know (1). Aborted loading. Try update to a new version of this software."},
      {"blank after signature", "VerInfoTxt \r\nv 1" + good, "is not VerInfoTxt file."},
      {"other signature", "verinfotxt\r\nv 1" + good, "is not VerInfoTxt file."},
      {"bad number", "VerInfoTxt\r\nv 1\r\n1\r\nx2\r\n3\r\n4\r\nb\r\n", "line 4"},
      {"too short", "VerInfoTxt\r\nv 1\r\n1\r\n", "too short"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVerInfoTxtFormat v = Version(9, 8, 7, 6, 0);
    const std::string path = Write("ver.txt", c.text);
    EXPECT_FALSE(v.Load(path));
    EXPECT_NE(v.ErrorText.find(c.error), std::string::npos) << v.ErrorText;
    EXPECT_EQ(v.GenerateDotsVersionString(), "9.8.7.6");
    EXPECT_EQ(v.Status, 0);
  }
  TVerInfoTxtFormat v;
  EXPECT_FALSE(v.Load(Path("missing.txt")));
  EXPECT_EQ(v.ErrorText, "File " + Path("missing.txt") + " is not exists.");
}

}  // namespace
}  // namespace kelvarin
