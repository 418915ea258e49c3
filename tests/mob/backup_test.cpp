// Backup copies: where they go, and that a failing copy keeps the previous one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <csignal>
#include <filesystem>


#include "common/filesystem.h"
#include "mob/backupcopy.h"
#include "mob/filelog.h"
#include "support/childprocess.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;
const char kSeparator[] = "------------------------------";

class BackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_zone = Path("zone12.mob");
    Write(m_zone, "zone contents");
  }
  void TearDown() override { SetFiles(nullptr); }
  std::string Path(const std::string& name) const { return m_dir.Path(name); }
  static std::string Read(const std::string& path) { return test::ReadFileBytes(path); }
  static void Write(const std::string& path, const std::string& text) { test::WriteFileBytes(path, text); }

  test::TTempFolder m_dir;
  std::string m_zone;
};

TEST_F(BackupTest, NamesAppendTheSuffixToTheWholeName) {
  EXPECT_EQ(ManualBackupPath("/maps/zone12.mob"), "/maps/zone12.mob.bak.mob");
  EXPECT_EQ(AutoBackupPath("/maps/zone12.mob"), "/maps/zone12.mob.auto.bak.mob");
}

TEST_F(BackupTest, ACopyReplacesThePreviousBackup) {
  const std::string target = AutoBackupPath(m_zone);
  Write(target, "previous backup");
  const TBackupReport report = CopyToBackup(m_zone, target, true);
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.lines, (Lines{kSeparator, "Успешно сделан бекап в файл " + target, ""}));
  EXPECT_EQ(Read(target), "zone contents");
}

TEST_F(BackupTest, AFullDiskKeepsThePreviousBackupAndSaysWhy) {
  const std::string target = ManualBackupPath(m_zone);
  Write(target, "previous good backup");
  // The disk fills up while the copy is written.
  test::TFaultyFiles full;
  full.copy.Fail(ENOSPC).HalfDone();
  SetFiles(&full);
  const TBackupReport report = CopyToBackup(m_zone, target, true);
  SetFiles(nullptr);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.lines,
            (Lines{kSeparator, "Сделать бекап в файл " + target + " не удалось!", ReasonLine(ENOSPC), ""}));
  EXPECT_EQ(Read(target), "previous good backup");
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Root()), {}), 2);  // no temporary file left
}

TEST_F(BackupTest, ARealWriteLimitKeepsThePreviousBackup) {
  Write(m_zone, std::string(4096, 'z'));
  const std::string target = AutoBackupPath(m_zone);
  Write(target, "previous good backup");
  // Writes past 100 bytes fail in the child (EFBIG), as on a disk that fills up.
  const test::ChildEnd end = test::RunInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, 100};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    const TBackupReport report = CopyToBackup(m_zone, target, true);
    return !report.ok && report.lines.at(2) == ReasonLine(EFBIG) ? 0 : 11;
  });
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(Read(target), "previous good backup");
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Root()), {}), 2);
}

TEST_F(BackupTest, BackupsOfALinkLieBesideTheFileItNames) {
  fs::create_directories(m_dir.Root() / "links");
  fs::create_symlink("../zone12.mob", m_dir.Root() / "links/zone.mob");
  const std::string link = Path("links/zone.mob");
  EXPECT_EQ(AutoBackupPath(link), Path("links/../zone12.mob") + ".auto.bak.mob");
  EXPECT_TRUE(CopyToBackup(link, AutoBackupPath(link), true).ok);
  EXPECT_EQ(Read(m_zone + ".auto.bak.mob"), "zone contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Root() / "links"), {}), 1);
}

TEST_F(BackupTest, NothingButRegularFilesIsCopiedOrReplaced) {
  const std::string fifo = Path("zone12.mob.bak.mob");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  TBackupReport report = CopyToBackup(m_zone, fifo, true);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.lines.at(2), NotRegularFileLine(fifo, FileKind::Fifo));
  EXPECT_TRUE(fs::is_fifo(fifo));

  // A device as the document's file: a backup would read it for ever.
  const std::string device = Path("zero");
  ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
  report = CopyToBackup(device, Path("zero.auto.bak.mob"), true);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.lines.at(2), NotRegularFileLine(device, FileKind::CharDevice));
  EXPECT_FALSE(fs::exists(Path("zero.auto.bak.mob")));

  report = CopyToBackup(Path("missing.mob"), Path("missing.mob.bak.mob"), true);
  EXPECT_EQ(report.lines.at(2), ReasonLine(ENOENT));
}

}  // namespace
}  // namespace kelvarin
