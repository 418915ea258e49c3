// Where a save writes and what it leaves: targets that are no regular file,
// symbolic links, long names, folders that take no new file, and a save killed
// half-way.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>

#include "common/filesystem.h"
#include "mob/filelog.h"
#include "support/mobbytes.h"
#include "support/childprocess.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;
namespace fs = std::filesystem;

const char kNotSaved[] = "Моб нихрена не сохранен :(.";

class SaveTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder.emplace(Root());
    m_dir = m_folder->Root();
    ASSERT_TRUE(LoadBytes(m_mob, MobFile({Framed(kObjectBlockType, {})})));
    m_image = SaveBytes(m_mob);
  }
  void TearDown() override {
    SetFiles(nullptr);
    fs::permissions(m_dir, fs::perms::owner_all);
    m_folder.reset();
  }
  // The memory file system where there is one: the kill test below wants both
  // kinds of file system, and the temporary folder is usually on disk.
  virtual fs::path Root() const { return fs::temp_directory_path(); }

  std::int32_t m_attempts = 2;  // of every save below
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  static std::string Read(const std::string& path) { return test::ReadFileBytes(path); }
  static void Write(const std::string& path, const std::string& text) { test::WriteFileBytes(path, text); }
  std::string Image() const { return std::string(m_image.begin(), m_image.end()); }
  std::vector<std::string> Names(const fs::path& dir) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> Names() const { return Names(m_dir); }

  std::optional<test::TTempFolder> m_folder;
  fs::path m_dir;
  TMob m_mob;
  Bytes m_image;
};

// ---- targets that are not regular files ----------------------------------------

void MakeSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

TEST_F(SaveTargetTest, ATargetThatIsNoRegularFileIsRefusedAndLeftAlone) {
  struct Case {
    const char* name;
    FileKind kind;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"char device", FileKind::CharDevice,
       [](const std::string& p) { ASSERT_EQ(::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0); }},
      {"block device", FileKind::BlockDevice,
       [](const std::string& p) { ASSERT_EQ(::mknod(p.c_str(), S_IFBLK | 0666, makedev(7, 0)), 0); }},
      {"fifo", FileKind::Fifo, [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }},
      {"socket", FileKind::Socket, MakeSocket},
      {"folder", FileKind::Directory, [](const std::string& p) { fs::create_directory(p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = Path(c.name);
    c.make(target);
    struct stat before {};
    ASSERT_EQ(::lstat(target.c_str(), &before), 0);

    m_mob.LogText.clear();
    EXPECT_FALSE(m_mob.SaveFile(target, m_attempts));
    const auto lines = LogLines(m_mob);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], NotRegularFileLine(target, c.kind));
    EXPECT_EQ(lines.back(), kNotSaved);
    EXPECT_FALSE(LogHas(m_mob, "Пытаюсь сохранить еще раз"));  // no retry can help

    struct stat after {};
    ASSERT_EQ(::lstat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    EXPECT_EQ(Names(), std::vector<std::string>{c.name});
    fs::remove(target);
  }
}

// ---- symbolic links -----------------------------------------------------------

TEST_F(SaveTargetTest, LinksAreSavedThroughAndStay) {
  fs::create_directories(m_dir / "real");
  fs::create_directories(m_dir / "links");
  Write(Path("real/zone.mob"), "old");
  // A chain of two links, the first one relative to its own folder.
  fs::create_symlink("../real/zone.mob", m_dir / "links/first.mob");
  fs::create_symlink(m_dir / "links/first.mob", m_dir / "links/second.mob");
  ASSERT_TRUE(m_mob.SaveFile(Path("links/second.mob"), m_attempts)) << m_mob.LogText;
  EXPECT_EQ(Read(Path("real/zone.mob")), Image());
  EXPECT_TRUE(fs::is_symlink(m_dir / "links/first.mob"));
  EXPECT_TRUE(fs::is_symlink(m_dir / "links/second.mob"));
  // The new file was made in the folder of the file, nothing in the links' folder.
  EXPECT_EQ(Names(m_dir / "real"), std::vector<std::string>{"zone.mob"});
  EXPECT_EQ(Names(m_dir / "links"), (std::vector<std::string>{"first.mob", "second.mob"}));
}

TEST_F(SaveTargetTest, ADanglingLinkWritesTheFileItNames) {
  fs::create_symlink("named.mob", m_dir / "link.mob");
  ASSERT_TRUE(m_mob.SaveFile(Path("link.mob"), m_attempts)) << m_mob.LogText;
  EXPECT_TRUE(fs::is_symlink(m_dir / "link.mob"));
  EXPECT_EQ(Read(Path("named.mob")), Image());
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.mob", "named.mob"}));
}

TEST_F(SaveTargetTest, LoopingLinksAreRefused) {
  fs::create_symlink("b.mob", m_dir / "a.mob");
  fs::create_symlink("a.mob", m_dir / "b.mob");
  EXPECT_FALSE(m_mob.SaveFile(Path("a.mob"), m_attempts));
  EXPECT_EQ(LogLines(m_mob).end()[-2], NotRegularFileLine(Path("a.mob"), FileKind::LinkLoop));
  EXPECT_TRUE(fs::is_symlink(m_dir / "a.mob"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.mob", "b.mob"}));
}

// ---- temporary files ------------------------------------------------------------

TEST_F(SaveTargetTest, ANameNearTheLimitSavesWithEitherKindOfTemporaryFile) {
  // The real file system on one that has no unnamed files.
  test::TFaultyFiles named;
  named.noUnnamedTemps = true;
  for (TFileSystem* files : {&Files(), static_cast<TFileSystem*>(&named)}) {
    SetFiles(files);
    const std::string name = std::string(242, 'z') + ".mob";  // 246 bytes of the 255 allowed
    Write(Path(name), "old");
    EXPECT_TRUE(m_mob.SaveFile(Path(name), m_attempts)) << m_mob.LogText;
    EXPECT_EQ(Read(Path(name)), Image());
    EXPECT_EQ(Names(), std::vector<std::string>{name});
    fs::remove(Path(name));
    SetFiles(nullptr);
  }
}

TEST_F(SaveTargetTest, ANameBeyondTheLimitFailsWithItsReasonAndLeavesNothing) {
  const std::string name = std::string(300, 'z') + ".mob";
  m_attempts = 0;
  EXPECT_FALSE(m_mob.SaveFile(Path(name), m_attempts));
  EXPECT_TRUE(LogHas(m_mob, ReasonLine(ENAMETOOLONG))) << m_mob.LogText;
  EXPECT_TRUE(Names().empty());
}

class KilledSaveTest : public SaveTargetTest {
 protected:
  fs::path Root() const override {
    return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  }
};

TEST_F(KilledSaveTest, ASaveKilledWhileWritingLeavesTheOldFileAndNothingElse) {
  const std::string target = Path("zone.mob");
  Write(target, "old contents");
  for (int round = 0; round < 3; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipeFds[0]);
      // The save stops in the middle of writing its data and tells the test so.
      test::TFaultyFiles pausing;
      pausing.write.Fail(EIO).HalfDone().whenStruck = [fd = pipeFds[1]] {
        (void)!::write(fd, "w", 1);
        for (;;) ::pause();
      };
      SetFiles(&pausing);
      m_mob.SaveFile(target, m_attempts);
      ::_exit(0);
    }
    ::close(pipeFds[1]);
    char mark = 0;
    ASSERT_EQ(::read(pipeFds[0], &mark, 1), 1);  // the child is half-way through its write
    ::close(pipeFds[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Names(), std::vector<std::string>{"zone.mob"});
    EXPECT_EQ(Read(target), "old contents");
  }
}

// ---- a folder that takes no new file -----------------------------------------------

TEST_F(SaveTargetTest, AWritableFileInAReadOnlyFolderIsOverwrittenInPlace) {
  const std::string target = Path("zone.mob");
  Write(target, std::string(1000, 'x'));  // longer than the image: the rest must go
  fs::permissions(target, fs::perms::all);
  // The folder belongs to root: for nobody it takes no new file.
  const test::ChildEnd end = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 10;
    if (!m_mob.SaveFile(target, m_attempts)) return 11;
    const auto lines = LogLines(m_mob);
    return std::find(lines.begin(), lines.end(), InPlaceLine(target)) != lines.end() ? 0 : 12;
  });
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(Read(target), Image());
  EXPECT_EQ(Names(), std::vector<std::string>{"zone.mob"});
}

// A folder that takes no new file, with the steps of an overwrite in place made to
// fail on demand. The old bytes are kept in a folder of the test's, after one that
// cannot be (or in memory).
class ClosedFolder : public TPosixFileSystem {
 public:
  std::string keptIn;  // empty: no folder takes the old bytes, memory does
  bool noRoomToKeep = false;
  bool failWrites = false;  // half the data reaches the file, then the disk is full
  bool failPutBack = false;
  int writes = 0;

  int CreateTemp(const std::string&, std::string&, int& err) override {
    err = EACCES;
    return -1;
  }
  int KeepCopyOf(const std::string& target, std::string& keptPath, int& err) override {
    if (!noRoomToKeep) return TPosixFileSystem::KeepCopyOf(target, keptPath, err);
    err = ENOSPC;
    return -1;
  }
  bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) override {
    ++writes;
    if (!failWrites) return TPosixFileSystem::Write(handle, data, size, err);
    TPosixFileSystem::Write(handle, data, size / 2, err);
    err = ENOSPC;
    return false;
  }
  bool CopyFrom(int handle, int from, int& err) override {
    if (!failPutBack) return TPosixFileSystem::CopyFrom(handle, from, err);
    err = EIO;
    return false;
  }

 protected:
  std::vector<std::string> KeptCopyFolders() override {
    const std::string noFolder = keptIn + "/../zone.mob/cache";
    return keptIn.empty() ? std::vector<std::string>{} : std::vector<std::string>{noFolder, keptIn};
  }
};

TEST_F(SaveTargetTest, AnOverwriteInPlaceKeepsTheOldBytesUntilTheNewOnesAreSafe) {
  struct Case {
    const char* name;
    bool allowed = true, noRoomToKeep = false, failWrites = false, failPutBack = false, inMemory = false;
    InPlace outcome;
    int reason = 0;
  } cases[] = {
      {.name = "written", .outcome = InPlace::Written},
      {.name = "not allowed", .allowed = false, .outcome = InPlace::NotAllowed, .reason = EACCES},
      {.name = "no room for the old bytes", .noRoomToKeep = true, .outcome = InPlace::Untouched, .reason = ENOSPC},
      {.name = "put back", .failWrites = true, .outcome = InPlace::Restored, .reason = ENOSPC},
      {.name = "kept aside", .failWrites = true, .failPutBack = true, .outcome = InPlace::OldBytesKept,
       .reason = ENOSPC},
      {.name = "lost with memory", .failWrites = true, .failPutBack = true, .inMemory = true,
       .outcome = InPlace::OldBytesLost, .reason = ENOSPC},
  };
  const std::string target = Path("zone.mob"), kept = Path("kept");
  const std::string old(100000, 'x');  // longer than the image: the rest must go
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(target, old);
    fs::create_directories(kept);
    ClosedFolder files;
    files.keptIn = c.inMemory ? "" : kept;
    files.noRoomToKeep = c.noRoomToKeep;
    files.failWrites = c.failWrites;
    files.failPutBack = c.failPutBack;
    SetFiles(&files);
    SetOverwriteInPlace(c.allowed);
    m_attempts = 0;
    m_mob.LogText.clear();
    const bool saved = m_mob.SaveFile(target, m_attempts);
    SetOverwriteInPlace(true);
    SetFiles(nullptr);

    EXPECT_EQ(saved, c.outcome == InPlace::Written);
    const auto keptNames = Names(kept);
    TWriteResult expected;
    expected.target = target;
    expected.inPlace = c.outcome;
    if (c.outcome == InPlace::Written) {
      EXPECT_EQ(Read(target), Image());
      EXPECT_TRUE(LogHas(m_mob, InPlaceLine(target))) << m_mob.LogText;
    } else {
      if (c.outcome == InPlace::OldBytesKept) {
        ASSERT_EQ(keptNames.size(), 1u);
        expected.keptCopy = kept + "/" + keptNames[0];
        EXPECT_EQ(Read(expected.keptCopy), old);
      }
      const auto lines = LogLines(m_mob);
      EXPECT_NE(std::find(lines.begin(), lines.end(), InPlaceFailureLine(expected)), lines.end()) << m_mob.LogText;
      EXPECT_EQ(lines.end()[-2], ReasonLine(c.reason));
      EXPECT_EQ(LogHas(m_mob, "Моб остался в памяти"), expected.mayBeDamaged());
      // Whatever is not said to be damaged is as it was.
      if (!expected.mayBeDamaged()) {
        EXPECT_EQ(Read(target), old);
      }
      if (c.outcome == InPlace::NotAllowed || c.outcome == InPlace::Untouched) {
        EXPECT_EQ(files.writes, 0);
      }
    }
    // The old bytes stay aside only where they are the one whole copy.
    EXPECT_EQ(keptNames.size(), c.outcome == InPlace::OldBytesKept ? 1u : 0u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"kept", "zone.mob"}));
    fs::remove_all(kept);
  }
}

}  // namespace
}  // namespace kelvarin
