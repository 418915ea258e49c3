// kelvarin-cli's writes where the folder takes no new file (the file layer refuses
// the new file: the tests run as root, whom no permission stops): in place only
// with --in-place, never reading from the bytes being overwritten, and the old
// bytes back when the write fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "cliharness.h"
#include "common/filesystem.h"
#include "mob/filelog.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class ClosedFolder : public TPosixFileSystem {
 public:
  std::string keptIn;             // where the old bytes are kept
  int writesBeforeFullDisk = -1;  // -1: the disk never fills

  int CreateTemp(const std::string&, std::string&, int& err) override {
    err = EACCES;
    return -1;
  }
  bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) override {
    if (writesBeforeFullDisk != 0) {
      if (writesBeforeFullDisk > 0) --writesBeforeFullDisk;
      return TPosixFileSystem::Write(handle, data, size, err);
    }
    TPosixFileSystem::Write(handle, data, size / 2, err);
    err = ENOSPC;
    return false;
  }

 protected:
  std::vector<std::string> KeptCopyFolders() override { return {keptIn}; }
};

class CliWrites : public test::CliHarness {
 protected:
  void SetUp() override {
    CliHarness::SetUp();
    m_closed.keptIn = Path("kept");
    fs::create_directories(m_closed.keptIn);
  }
  void TearDown() override {
    SetFiles(nullptr);
    CliHarness::TearDown();
  }
  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  Bytes Generated(std::size_t records) {
    EXPECT_EQ(Run({"generate", Path("g.mob"), "--records", std::to_string(records)}), 0);
    return Read(Path("g.mob"));
  }
  // What the decoded document of `bytes` saves as: what any resave must write.
  static Bytes Resaved(const Bytes& bytes) {
    TMob mob;
    EXPECT_TRUE(mob.LoadImage(bytes.data(), bytes.size()));
    Bytes image;
    EXPECT_TRUE(mob.BuildImage(image));
    return image;
  }
  ClosedFolder m_closed;
};

// The zone's object sub-blocks changed by `change`; the lengths around them follow.
Bytes WithSubBlocks(Bytes image, const std::function<void(std::vector<Bytes>&)>& change) {
  for (std::size_t p = 16; p + 8 <= image.size();) {
    const std::uint32_t type = ReadU32(image.data() + p), size = ReadU32(image.data() + p + 4);
    if (type != kObjectBlockType) {
      p += size;
      continue;
    }
    std::vector<Bytes> subs;
    for (std::size_t q = p + 8; q < p + size; q += ReadU32(image.data() + q + 4))
      subs.emplace_back(image.begin() + std::ptrdiff_t(q), image.begin() + std::ptrdiff_t(q + ReadU32(image.data() + q + 4)));
    change(subs);
    Bytes block(8);
    for (const Bytes& sub : subs) block.insert(block.end(), sub.begin(), sub.end());
    StoreU32(block.data(), kObjectBlockType);
    StoreU32(block.data() + 4, std::uint32_t(block.size()));
    image.erase(image.begin() + std::ptrdiff_t(p), image.begin() + std::ptrdiff_t(p + size));
    image.insert(image.begin() + std::ptrdiff_t(p), block.begin(), block.end());
    StoreU32(image.data() + 4, std::uint32_t(ReadU32(image.data() + 4) + block.size() - size));
    return image;
  }
  ADD_FAILURE() << "no object block";
  return image;
}

// The first unit without its first chunk (UseMobInfo, which the writer always
// writes): the one record whose length changes on saving.
void DropFirstUnitsFirstChunk(std::vector<Bytes>& subs) {
  for (Bytes& sub : subs) {
    if (KindFromId(ReadU32(sub.data())) != ObjKind::Unit) continue;
    ASSERT_EQ(ReadU32(sub.data() + 12), 9u);
    sub.erase(sub.begin() + 8, sub.begin() + 17);
    StoreU32(sub.data() + 4, std::uint32_t(sub.size()));
    return;
  }
  FAIL() << "no unit";
}

TEST_F(CliWrites, AFileIsOverwrittenInPlaceOnlyWhenAsked) {
  Generated(20);
  ASSERT_EQ(Run({"dump", Path("g.mob")}), 0);
  std::ofstream(Path("g.json")) << m_out.str();
  std::ofstream(Path("s.txt")) << "Script Main\n";
  const std::string zone = Path("zone.mob");
  const std::vector<std::vector<std::string>> commands = {{"resave", Path("g.mob"), zone},
                                                          {"build", Path("g.json"), zone},
                                                          {"generate", zone, "--records", "5"},
                                                          {"script", "set", zone, Path("s.txt")},
                                                          {"merge", Path("g.mob"), Path("g.mob"), Path("g.mob"), "-o", zone}};
  TWriteResult notAllowed;
  notAllowed.target = zone;
  notAllowed.inPlace = InPlace::NotAllowed;
  for (std::vector<std::string> command : commands) {
    SCOPED_TRACE(command[0]);
    ASSERT_EQ(Run({"generate", zone, "--records", "7"}), 0);
    const Bytes before = Read(zone);
    SetFiles(&m_closed);
    EXPECT_EQ(Run(command), command[0] == "merge" ? 2 : 1);  // merge answers as merge drivers do
    const std::string err = m_err.str(), line = InPlaceFailureLine(notAllowed);
    EXPECT_NE(err.find(line), std::string::npos) << err;
    EXPECT_EQ(err.find(line), err.rfind(line)) << "no retry can help";
    EXPECT_NE(m_err.str().find(ReasonLine(EACCES)), std::string::npos);
    EXPECT_EQ(Read(zone), before);
    command.push_back("--in-place");
    EXPECT_EQ(Run(command), 0) << m_err.str();
    SetFiles(nullptr);
    EXPECT_TRUE(Read(zone) != before);
    EXPECT_EQ(Run({"info", zone}), 0) << m_err.str();
    EXPECT_TRUE(fs::is_empty(Path("kept")));
  }
  // The editor's way is left as it was.
  EXPECT_TRUE(OverwriteInPlaceAllowed());
}

// A resave onto itself in place, the records left in the mapped file: nothing
// is copied from bytes already overwritten, whether records are regrouped by kind
// or change length; a full disk half-way puts the old bytes back.
TEST_F(CliWrites, AResaveOntoItselfInPlaceWritesTheZoneOrPutsItBack) {
  struct Case {
    const char* what;
    std::function<void(std::vector<Bytes>&)> change;
    int writesBeforeFullDisk = -1;
  } cases[] = {
      {"a unit whose length changes", DropFirstUnitsFirstChunk},
      {"sub-blocks in reverse kind order", [](std::vector<Bytes>& subs) { std::reverse(subs.begin(), subs.end()); }},
      {"a full disk half-way", DropFirstUnitsFirstChunk, 2},
  };
  const Bytes generated = Generated(4000);
  const std::string zone = Path("zone.mob");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes input = WithSubBlocks(generated, c.change);
    ASSERT_GT(input.size(), std::size_t(1) << 20);  // well past the writer's staging buffer
    Write(zone, input);
    m_closed.writesBeforeFullDisk = c.writesBeforeFullDisk;
    SetFiles(&m_closed);
    const int code = Run({"resave", "--in-place", zone, zone});
    SetFiles(nullptr);
    if (c.writesBeforeFullDisk < 0) {
      EXPECT_EQ(code, 0) << m_err.str();
      EXPECT_NE(m_err.str().find(InPlaceLine(zone)), std::string::npos) << m_err.str();
      EXPECT_TRUE(Read(zone) == Resaved(input));
    } else {
      EXPECT_EQ(code, 1);
      EXPECT_TRUE(Read(zone) == input);
      TWriteResult restored;
      restored.target = zone;
      restored.inPlace = InPlace::Restored;
      EXPECT_NE(m_err.str().find(InPlaceFailureLine(restored)), std::string::npos) << m_err.str();
    }
    EXPECT_TRUE(fs::is_empty(Path("kept")));
  }
}

}  // namespace
}  // namespace kelvarin
