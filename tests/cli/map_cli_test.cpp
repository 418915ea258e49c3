// kelvarin-cli map: a PNG of the requested size drawn off screen (no display), the
// kinds asked for and no others, records without coordinates listed, and bad
// sizes, kinds and files refused.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

#include "cli/cli.h"
#include "map/render/mapstyle.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class MapCli : public ::testing::Test {
 protected:
  void SetUp() override {
    // The command must not need a display.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    TMob mob;
    GenerateZone(mob, {.records = 3000, .seed = 4, .scriptLines = 1});
    mob.Units[2].LoadX = std::numeric_limits<float>::quiet_NaN();
    mob.Particles1[0].CoordY = std::numeric_limits<float>::infinity();
    ASSERT_TRUE(mob.Save(Path("zone.mob"), {.saveAttempts = 0}));
    unitId = mob.Units[2].ObjectID;
  }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvarin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    out.str("");
    err.str("");
    return RunCli(int(argv.size()), argv.data(), out, err);
  }
  std::string Path(const std::string& name) { return m_dir.Path(name); }

  static int PixelsOf(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour ? 1 : 0;
    return n;
  }

  test::TTempFolder m_dir;
  std::ostringstream out, err;
  std::int32_t unitId = 0;
};

TEST_F(MapCli, DrawsAPictureOfTheRequestedSizeAndListsWhatItCannotPlace) {
  ASSERT_EQ(Run({"map", Path("zone.mob"), Path("zone.png")}), 0) << err.str();
  QImage image(QString::fromStdString(Path("zone.png")));
  EXPECT_EQ(image.size(), QSize(1024, 1024));
  EXPECT_GT(PixelsOf(image, KindStyle(ObjKind::Object).colour), 50);
  EXPECT_NE(out.str().find("units #2 ObjectID " + std::to_string(unitId) + ": x NaN"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("particles1 #0 ID"), std::string::npos);
  EXPECT_NE(out.str().find("y inf"), std::string::npos);

  ASSERT_EQ(Run({"map", Path("zone.mob"), Path("units.png"), "--size", "640x360", "--kinds", "units,flames"}), 0)
      << err.str();
  image.load(QString::fromStdString(Path("units.png")));
  EXPECT_EQ(image.size(), QSize(640, 360));
  EXPECT_GT(PixelsOf(image, KindStyle(ObjKind::Unit).colour), 50);
  EXPECT_EQ(PixelsOf(image, KindStyle(ObjKind::Object).colour), 0);
  EXPECT_EQ(out.str().find("particles1"), std::string::npos);
}

TEST_F(MapCli, RefusesBadSizesKindsAndFiles) {
  for (const char* size : {"0x10", "10", "10x", "x10", "10x10x", "-5x10", "9000x10", " 10x10"})
    EXPECT_EQ(Run({"map", Path("zone.mob"), Path("a.png"), "--size", size}), 2) << size;
  EXPECT_NE(err.str().find("--size"), std::string::npos);
  EXPECT_EQ(Run({"map", Path("zone.mob"), Path("a.png"), "--kinds", "units,dragons"}), 2);
  EXPECT_NE(err.str().find("\"dragons\""), std::string::npos);
  EXPECT_EQ(Run({"map", Path("zone.mob"), Path("a.png"), "--kinds", ""}), 2);
  EXPECT_FALSE(fs::exists(Path("a.png")));

  EXPECT_EQ(Run({"map", Path("missing.mob"), Path("a.png")}), 1);
  EXPECT_EQ(Run({"map", Path("zone.mob"), Path("no-such-folder/a.png")}), 1);
  EXPECT_NE(err.str().find("cannot be written"), std::string::npos);
}

// The picture is written as every file is: what is no regular file is refused and
// left as it was, and so is the zone itself, by any name.
TEST_F(MapCli, RefusesTargetsThatAreNoPictureFile) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0666), 0);
  fs::create_symlink("loop-b", Path("loop-a"));
  fs::create_symlink("loop-a", Path("loop-b"));
  fs::create_symlink("zone.mob", Path("zone-link.png"));
  const auto zoneBytes = fs::file_size(Path("zone.mob"));
  for (const char* target : {"fifo", "loop-a", "zone.mob", "zone-link.png"}) {
    SCOPED_TRACE(target);
    EXPECT_EQ(Run({"map", Path("zone.mob"), Path(target)}), 1);
    EXPECT_FALSE(err.str().empty());
  }
  EXPECT_NE(err.str().find("is the zone to draw"), std::string::npos) << err.str();
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_TRUE(fs::is_symlink(Path("loop-a")));
  EXPECT_TRUE(fs::is_symlink(Path("zone-link.png")));
  EXPECT_EQ(fs::file_size(Path("zone.mob")), zoneBytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Root()), {}), 5);  // nothing left beside them
}

}  // namespace
}  // namespace kelvarin
