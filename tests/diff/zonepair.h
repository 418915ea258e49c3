// Zones for the diff and merge tests: a generated zone, edited through the core,
// written as the writer makes it and loaded back either way a document holds its
// records (decoded in lists, or left in the file image).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "common/bytes.h"
#include "common/cp1251.h"
#include "diff/linediff.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin::testing {

using TEdit = std::function<void(TMob&)>;

inline Bytes ImageOf(TMob& mob) {
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  return image;
}

// The generated zone every test starts from, edited.
inline Bytes EditedZone(const TEdit& edit, std::size_t records = 200) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = 11, .scriptLines = 40});
  if (edit) edit(mob);
  return ImageOf(mob);
}

inline void LoadInto(TMob& mob, const Bytes& image, bool keepInImage) {
  mob.RecordsStayInImage = keepInImage;
  ASSERT_TRUE(mob.LoadImage(Bytes(image))) << mob.LogText;
}

inline float FloatOfBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The script with line `number` (from 1) replaced by `line` (its end kept).
inline void ReplaceScriptLine(TMob& mob, std::size_t number, const std::string& line) {
  std::string text;
  std::size_t n = 0;
  for (std::string_view l : SplitLinesKeepingEnds(mob.ScriptText)) {
    ++n;
    text += n == number ? line + std::string(l.substr(LineWithoutEnd(l).size())) : std::string(l);
  }
  mob.ScriptText = text;
}

inline std::string Cp(const char* utf8) { return Utf8ToCp1251(utf8).value(); }

}  // namespace kelvarin::testing
