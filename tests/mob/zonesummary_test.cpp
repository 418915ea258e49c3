// The quick summary reads a file's framing only; whenever it answers, a full load
// must agree with it in verdict and in every number, and it must answer for the
// files the writer makes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "mob/zonesummary.h"
#include "support/filebytes.h"
#include "support/mobbytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

using testing::GeneratedImage;
namespace fs = std::filesystem;

class ZoneSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override { m_path = m_dir.Path("zone.mob"); }

  void Write(const Bytes& bytes) { test::WriteFileBytes(m_path, bytes); }
  // Whether the quick summary answered; when it did, it must be the full load's.
  bool QuickAgreesWithFullLoad(const std::string& what) {
    TZoneSummary quick;
    if (!QuickZoneSummary(m_path, quick)) return false;
    TMob mob;
    mob.RecordsStayInImage = true;
    EXPECT_TRUE(mob.LoadFile(m_path)) << what;
    EXPECT_TRUE(quick == ZoneSummaryOf(mob)) << what;
    return true;
  }

  // Thousands of small files are written: memory is much faster than a disk.
  test::TTempFolder m_dir{fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()};
  std::string m_path;
};

TEST_F(ZoneSummaryTest, WrittenFilesAreSummedUpWithoutALoad) {
  for (std::size_t records : {0, 1, 30, 2000})
    for (std::uint64_t seed : {1, 2, 3}) {
      Write(GeneratedImage(records, seed));
      EXPECT_TRUE(QuickAgreesWithFullLoad(std::to_string(records) + " records, seed " +
                                          std::to_string(seed)));
    }
}

TEST_F(ZoneSummaryTest, DamagedFilesAreLeftToTheFullLoadOrAgreeWithIt) {
  const Bytes image = GeneratedImage(9, 4);
  std::size_t answered = 0;
  for (std::size_t i = 0; i < image.size(); ++i)
    for (std::uint8_t delta : {1, 0x80, 0xFF}) {
      Bytes damaged = image;
      damaged[i] = std::uint8_t(damaged[i] + delta);
      Write(damaged);
      answered += QuickAgreesWithFullLoad("byte " + std::to_string(i) + " + " + std::to_string(delta));
      if (HasFailure()) return;
    }
  for (std::size_t cut = 0; cut < image.size(); cut += 5) {
    Write(Bytes(image.begin(), image.begin() + std::ptrdiff_t(cut)));
    answered += QuickAgreesWithFullLoad("cut at " + std::to_string(cut));
    if (HasFailure()) return;
  }
  // Changed values inside records, in unknown blocks, the script or the tail
  // keep a file ordinary.
  EXPECT_GT(answered, image.size());
}

TEST_F(ZoneSummaryTest, OnlyRegularFilesAreReadQuickly) {
  TZoneSummary summary;
  EXPECT_FALSE(QuickZoneSummary(m_dir.Path("missing.mob"), summary));
  EXPECT_FALSE(QuickZoneSummary(m_dir.Root().string(), summary));
  const std::string fifo = m_dir.Path("pipe.mob");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Opened without waiting for a writer, and left to the full load.
  EXPECT_FALSE(QuickZoneSummary(fifo, summary));
  // Nothing to map: the full load says what an empty file is.
  Write({});
  EXPECT_FALSE(QuickZoneSummary(m_path, summary));
}

}  // namespace
}  // namespace kelvarin
