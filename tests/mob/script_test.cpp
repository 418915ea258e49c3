// The script block: cipher, key rule, plain-text key 0, absent block.
#include <gtest/gtest.h>

#include "support/mobbytes.h"

namespace kelvarin {
namespace {

using namespace kelvarin::testing;

TEST(ScriptCipher, KnownKeystreamAndSelfInverse) {
  Bytes text = Str("AB");
  TMob::ScriptCipher(text.data(), text.size(), 1);
  EXPECT_EQ(text, (Bytes{104, 97}));
  Bytes hi = Str("Hi");
  TMob::ScriptCipher(hi.data(), hi.size(), kDefaultScriptKey);
  EXPECT_EQ(hi, (Bytes{236, 86}));
  TMob::ScriptCipher(hi.data(), hi.size(), kDefaultScriptKey);
  EXPECT_EQ(hi, Str("Hi"));
  TMob::ScriptCipher(nullptr, 0, 5);  // nothing to do, nothing touched
}

TEST(ScriptBlock, ForeignKeyIsReadWithItsOwnKeyAndWrittenWithTheDefault) {
  const std::string text = "Script Main\n{\n  \xCF\xF0\xE8\xE2\xE5\xF2;\n}";
  TMob mob;
  ASSERT_TRUE(LoadBytes(mob, MobFile({ScriptBlock(12345, text)})));
  EXPECT_TRUE(mob.HasScript);
  EXPECT_EQ(mob.ScriptKey, 12345u);
  EXPECT_EQ(mob.ScriptText, text);
  EXPECT_TRUE(LogHas(mob, "Загружен скрипт длиной 25 байт. Блок № 2. Длина всего блока 37 байт.\r\n"));

  EXPECT_EQ(SaveBytes(mob), MobFile({ScriptBlock(kDefaultScriptKey, text)}));
  EXPECT_EQ(mob.ScriptKey, kDefaultScriptKey);
  EXPECT_TRUE(LogHas(mob, "Под номером 2 записан блок скрипта длиной 37 байт.\r\n"));
}

TEST(ScriptBlock, KeyZeroHoldsPlainTextBothWays) {
  TMob mob;
  const Bytes file = MobFile({ScriptBlock(0, "plain text")});
  ASSERT_TRUE(LoadBytes(mob, file));
  EXPECT_EQ(mob.ScriptText, "plain text");
  EXPECT_EQ(SaveBytes(mob), file);
  EXPECT_EQ(mob.ScriptKey, 0u);
}

TEST(ScriptBlock, EmptyScriptIsTwelveBytesWithTheKeyRuleApplied) {
  for (std::uint32_t key : {0u, 7u, kDefaultScriptKey}) {
    TMob mob;
    ASSERT_TRUE(LoadBytes(mob, MobFile({ScriptBlock(key, "")})));
    EXPECT_TRUE(mob.ScriptText.empty());
    const std::uint32_t written = key ? kDefaultScriptKey : 0;
    EXPECT_EQ(SaveBytes(mob), MobFile({Framed(kScriptBlockType, U32(written))}));
  }
}

TEST(ScriptBlock, ZoneWithoutScriptNeverGainsOne) {
  TMob mob;
  const Bytes file = MobFile({Framed(kObjectBlockType, {})});
  ASSERT_TRUE(LoadBytes(mob, file));
  EXPECT_FALSE(mob.HasScript);
  mob.ScriptText = "new text";
  mob.ScriptKey = 1;
  EXPECT_EQ(SaveBytes(mob), file);
}

}  // namespace
}  // namespace kelvarin
