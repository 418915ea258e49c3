#include <gtest/gtest.h>

#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

TEST(RoundTrip, GeneratedZoneSurvivesLoadAndSave) {
  TMob generated;
  GenerateZone(generated, {.records = 500, .seed = 3});
  Bytes first;
  ASSERT_TRUE(generated.BuildImage(first)) << generated.LogText;

  TMob loaded;
  ASSERT_TRUE(loaded.LoadImage(first.data(), first.size())) << loaded.LogText;
  EXPECT_EQ(loaded.Units, generated.Units);
  EXPECT_EQ(loaded.Traps, generated.Traps);
  EXPECT_EQ(loaded.Particles2, generated.Particles2);
  EXPECT_EQ(loaded.UnknownObjectBlocks, generated.UnknownObjectBlocks);
  EXPECT_EQ(loaded.ScriptText, generated.ScriptText);
  EXPECT_EQ(loaded.Tail, generated.Tail);

  Bytes second;
  ASSERT_TRUE(loaded.BuildImage(second));
  EXPECT_EQ(first, second);
  // Building again from the same document gives the same image.
  Bytes third;
  ASSERT_TRUE(loaded.BuildImage(third));
  EXPECT_EQ(first, third);
}

}  // namespace
}  // namespace kelvarin
