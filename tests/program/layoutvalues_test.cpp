// The remembered layout: its values read back only when whole, its section of the
// settings file, and where a window lands on the screens there are now.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "program/layoutvalues.h"
#include "program/settings.h"
#include "program/settingsfile.h"
#include "common/inifile.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

using Ints = std::optional<std::vector<int>>;

TEST(LayoutValues, AValueReadsBackOnlyWhenItIsWhole) {
  TLayoutValues layout;
  layout.SetInts("Splitter", {320, -5, 180});
  EXPECT_EQ(layout.Entries().back().second, "320,-5,180");
  EXPECT_EQ(layout.Ints("Splitter", 3, -10, 1000), Ints({320, -5, 180}));
  EXPECT_EQ(layout.Ints("splitter", 3, -10, 1000), Ints({320, -5, 180}));  // names as the ini compares them
  EXPECT_EQ(layout.Ints("Splitter", 2, -10, 1000), std::nullopt);          // a count that does not fit
  EXPECT_EQ(layout.Ints("Splitter", 3, 0, 1000), std::nullopt);            // out of range
  EXPECT_EQ(layout.Ints("Missing", 1, 0, 1), std::nullopt);

  for (const char* broken : {"", "1,,2", "1,2,", ",1,2", "1;2;3", "1,2,x", "1, 2, 3", "99999999999,1,1", "1.5,2,3"}) {
    layout.Set("Broken", broken);
    EXPECT_EQ(layout.Ints("Broken", 3, -1000, 1000), std::nullopt) << broken;
  }
  // Setting a key again replaces it in place.
  layout.SetInts("SPLITTER", {1, 2, 3});
  EXPECT_EQ(layout.Entries().size(), 2u);
  EXPECT_EQ(layout.Ints("Splitter", 3, 0, 10), Ints({1, 2, 3}));
}

TEST(LayoutValues, AValueThatDoesNotReadIsNotedOnce) {
  TLayoutValues layout;
  layout.Set("Window", "10,20,abc");
  layout.Set("Splitter", "1,2,3");
  EXPECT_EQ(layout.Ints("Window", 3, 0, 100), std::nullopt);
  EXPECT_EQ(layout.Ints("Splitter", 3, 0, 100), Ints({1, 2, 3}));
  EXPECT_EQ(layout.Ints("Missing", 1, 0, 1), std::nullopt);  // absent: nothing to tell
  const std::vector<std::string> notes = layout.TakeNotTaken();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], NotTakenLine("Layout", "Window", "10,20,abc", "3 целых чисел от 0 до 100 через запятую",
                                   "раскладка по умолчанию"));
  EXPECT_TRUE(layout.TakeNotTaken().empty());
}

// Each key is found at once, however many the section holds (a linear search made
// a start on 100,000 keys take most of a minute).
TEST(LayoutValues, ManyKeysAreReadAndFoundByName) {
  TLayoutValues layout;
  const int n = 200000;
  for (int i = 0; i < n; ++i) layout.SetInts("Key" + std::to_string(i), {i});
  layout.SetInts("KEY7", {-7});
  ASSERT_EQ(layout.Entries().size(), std::size_t(n));
  EXPECT_EQ(layout.Ints("key7", 1, -10, n), Ints(std::vector<int>{-7}));
  for (int i = 8; i < n; i += 997) EXPECT_EQ(layout.Ints("key" + std::to_string(i), 1, -10, n), Ints(std::vector<int>{i}));
}

TEST(LayoutValues, TheSectionKeepsKeysThisRunDidNotTouch) {
  const fs::path path = fs::temp_directory_path() / "kelvarin-layout-test.ini";
  std::ofstream(path, std::ios::binary) << "[Main]\nIniFileVer=6\n[Layout]\nMainWindow=10,20,800,600\n"
                                           "FromANewerVersion=7\n";
  TSettings settings;
  {
    TIniFile ini(path.string());
    std::string error;
    ASSERT_TRUE(LoadSettings(ini, settings, error));
  }
  EXPECT_EQ(settings.Layout.Ints("MainWindow", 4, -100, 5000), Ints({10, 20, 800, 600}));
  settings.Layout.SetInts("MainWindow", {0, 0, 900, 700});
  settings.Layout.SetInts("ObjectsSplitter", {1, 2, 3});
  {
    TIniFile ini(path.string());
    std::string error;
    ASSERT_TRUE(SaveSettings(ini, settings, "0.3.7.20", error));
    EXPECT_NE(ini.Text().find("[Layout]\nMainWindow=0,0,900,700\nFromANewerVersion=7\nObjectsSplitter=1,2,3\n"),
              std::string::npos)
        << ini.Text();
  }
  fs::remove(path);
}

TEST(WindowPlacement, AWindowLandsWhollyOnTheScreenItOverlapsMost) {
  const TRect left{0, 0, 1280, 1000};  // the task bar takes the last 24 rows
  const TRect right{1280, 0, 1920, 1080};
  const TRect fallback{216, 195, 847, 609};
  // Where it was, when it fits.
  EXPECT_EQ(PlaceOnScreens(TRect{100, 50, 900, 700}, {left, right}, fallback), (TRect{100, 50, 900, 700}));
  // Mostly on the right screen: moved inside it.
  EXPECT_EQ(PlaceOnScreens(TRect{2900, -40, 400, 300}, {left, right}, fallback), (TRect{2800, 0, 400, 300}));
  // Larger than its screen (a lowered resolution): shrunk to it.
  EXPECT_EQ(PlaceOnScreens(TRect{-10, 10, 1600, 1200}, {left}, fallback), (TRect{0, 0, 1280, 1000}));
  // Partly off the bottom edge: pulled up so the whole window shows.
  EXPECT_EQ(PlaceOnScreens(TRect{100, 900, 800, 600}, {left}, fallback), (TRect{100, 400, 800, 600}));
}

TEST(WindowPlacement, APlaceOnNoScreenOrNoPlaceGivesTheStartingLayout) {
  const TRect screen{0, 0, 1280, 1024};
  const TRect fallback{216, 195, 847, 609};
  // The second screen it stood on has been unplugged.
  EXPECT_EQ(PlaceOnScreens(TRect{1400, 100, 800, 600}, {screen}, fallback), fallback);
  EXPECT_EQ(PlaceOnScreens(TRect{-900, -700, 800, 600}, {screen}, fallback), fallback);
  // Touching the screen's edge is not being on it.
  EXPECT_EQ(PlaceOnScreens(TRect{1280, 0, 800, 600}, {screen}, fallback), fallback);
  EXPECT_EQ(PlaceOnScreens(TRect{10, 10, 0, 600}, {screen}, fallback), fallback);
  EXPECT_EQ(PlaceOnScreens(TRect{10, 10, 800, -1}, {screen}, fallback), fallback);
  EXPECT_EQ(PlaceOnScreens(std::nullopt, {screen}, fallback), fallback);
  EXPECT_EQ(PlaceOnScreens(TRect{10, 10, 800, 600}, {}, fallback), fallback);
}

}  // namespace
}  // namespace kelvarin
