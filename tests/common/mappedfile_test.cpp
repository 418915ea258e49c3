// A mapped file either holds off every other writer and sees one that asks, or
// says that it cannot; pages lost to a cut read as zeros; and a file about to be
// overwritten in place hands its mappings to a copy of its bytes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/mappedfile.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class MappedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = (fs::temp_directory_path() /
              ("kelvarin-mapped-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
                 .string();
    std::ofstream(m_path, std::ios::binary) << std::string(3 * 4096, 'a');
    int err = 0;
    ASSERT_TRUE(m_file.Open(m_path, err)) << err;
  }
  void TearDown() override { fs::remove(m_path); }
  bool Reads(char c) const {
    return std::all_of(m_file.Bytes().begin(), m_file.Bytes().end(), [c](std::uint8_t b) { return b == c; });
  }

  std::string m_path;
  TMappedFile m_file;
};

TEST_F(MappedFileTest, AGuardedFileTurnsAwayAWriterAndIsNoLongerIntact) {
  if (!m_file.Guarded()) GTEST_SKIP() << "the temporary folder's file system grants no lease";
  EXPECT_TRUE(m_file.Intact());
  // Without O_NONBLOCK the writer would wait for the mapping to let go.
  const int writer = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
  EXPECT_EQ(writer, -1);
  EXPECT_EQ(errno, EWOULDBLOCK);
  EXPECT_FALSE(m_file.Intact());
  EXPECT_FALSE(m_file.Damaged());
  EXPECT_TRUE(Reads('a'));
}

TEST_F(MappedFileTest, AFileOpenForWritingIsNotGuardedAndACutReadsAsZeros) {
  m_file = TMappedFile();
  const int writer = ::open(m_path.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  int err = 0;
  ASSERT_TRUE(m_file.Open(m_path, err));
  EXPECT_FALSE(m_file.Guarded());
  ASSERT_EQ(::ftruncate(writer, 4096), 0);
  ::close(writer);
  EXPECT_EQ(m_file.Bytes()[0], 'a');
  EXPECT_EQ(m_file.Bytes()[2 * 4096], 0);  // the lost page, instead of SIGBUS
  EXPECT_TRUE(m_file.Damaged());
  EXPECT_FALSE(m_file.Intact());
}

TEST_F(MappedFileTest, MappingsMovedToACopyKeepTheirBytesWhileTheFileIsOverwritten) {
  const std::string copyPath = m_path + ".copy";
  fs::copy_file(m_path, copyPath);
  const int copy = ::open(copyPath.c_str(), O_RDONLY);
  ASSERT_GE(copy, 0);
  const std::uint8_t* before = m_file.Bytes().data();
  int err = 0;
  ASSERT_TRUE(TMappedFile::MoveMappingsToCopy(m_path, copy, err)) << err;
  ::close(copy);
  fs::remove(copyPath);
  // The file is let go: a writer gets in at once.
  const int writer = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, std::string(4096, 'b').data(), 4096), 4096);
  ::close(writer);
  EXPECT_EQ(m_file.Bytes().data(), before);
  EXPECT_TRUE(Reads('a'));
  EXPECT_TRUE(m_file.Intact());
}

}  // namespace
}  // namespace kelvarin
