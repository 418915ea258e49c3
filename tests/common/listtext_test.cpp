#include <gtest/gtest.h>

#include "common/listtext.h"

namespace kelvarin {
namespace {

using List = std::vector<std::string>;

TEST(ListText, JoinsWithBareCommas) {
  EXPECT_EQ(ListToText({}), "");
  EXPECT_EQ(ListToText({"a"}), "a");
  EXPECT_EQ(ListToText({"a", "b c", ""}), "a,b c,");
  EXPECT_EQ(ListToText({""}), "");  // one empty item reads back as no item at all
}

TEST(ListText, NormaliseRemovesBlanksAroundCommasOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"a ,  b c ,d", "a,b c,d"},
      {"", ""},
      {"  a b  ", "  a b  "},  // blanks at the ends and inside items stay
      {"a , , b", "a,,b"},
      {"   ,a", ",a"},
      {"a,   ", "a,"},
      {"a\t, b", "a\t,b"},  // only blanks are blanks
      {",,", ",,"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(NormaliseListText(in), out) << '"' << in << '"';
}

TEST(ListText, SplitsOnEveryCommaWithoutTrimming) {
  EXPECT_EQ(TextToList(""), List{});
  EXPECT_EQ(TextToList("a"), List{"a"});
  EXPECT_EQ(TextToList("a,,b"), (List{"a", "", "b"}));
  EXPECT_EQ(TextToList("a,"), (List{"a", ""}));
  EXPECT_EQ(TextToList(","), (List{"", ""}));
  EXPECT_EQ(TextToList(" a , b"), (List{" a ", " b"}));
  const List items = {"x", "", "y z", "\xC0\xC1"};
  EXPECT_EQ(TextToList(ListToText(items)), items);
}

}  // namespace
}  // namespace kelvarin
