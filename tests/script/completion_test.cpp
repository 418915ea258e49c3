#include "script/core/scriptcompletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/cp1251.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "script/core/scriptnameindex.h"

namespace kelvarin {
namespace {

using Kind = TCompletionKind;
using Group = TCompletionGroup;

std::string Cp(const char* utf8) { return *Utf8ToCp1251(utf8); }

std::vector<std::string> Texts(const std::vector<TCompletion>& items) {
  std::vector<std::string> texts;
  for (const TCompletion& c : items) texts.push_back(c.text);
  return texts;
}

TEST(CompletionContext, FollowsTheTokenAtTheCaret) {
  const struct {
    const char* line;  // "|" marks the caret
    Kind kind;
    const char* prefix;
  } cases[] = {
      {"  Sle|", Kind::Identifier, "Sle"},
      {"  Sle|ep(1);", Kind::Identifier, "Sle"},
      {"|", Kind::Identifier, ""},
      {"Sleep(|", Kind::Identifier, ""},
      {"a = b + |", Kind::Identifier, ""},
      {"x = GetObjectByName(\"orc|", Kind::ObjectName, "orc"},
      {"x = GetObjectByName(\"orc_1|\");", Kind::ObjectName, "orc_1"},
      {"x = GetObjectByName(\"|\");", Kind::ObjectName, ""},
      {"x = getobjectbyname ( \"o|", Kind::ObjectName, "o"},
      {"x = GetObjectByName(\"Гоб|", Kind::ObjectName, "Гоб"},  // UTF-8 as the editor holds it
      {"x = GetObjectByName(\"orc\")|", Kind::Identifier, ""},   // past the closing quote
      {"GiveItem(GetPlayer(1), \"sw|", Kind::None, ""},         // an ordinary string
      {"x = GetObjectByName2(\"o|", Kind::None, ""},             // not the function
      {"x = GetObjectByName((\"o|", Kind::None, ""},
      {"// Sle|", Kind::None, ""},
      {"Sleep(12|", Kind::None, ""},
  };
  TSynZoneScriptSyn scanner;
  for (const auto& c : cases) {
    std::string line = c.line;
    const std::size_t caret = line.find('|');
    line.erase(caret, 1);
    const TCompletionContext context = CompletionContextAt(scanner, line, caret);
    EXPECT_EQ(context.kind, c.kind) << c.line;
    EXPECT_EQ(context.prefix, c.prefix) << c.line;
    if (context.kind != Kind::None) {
      EXPECT_EQ(context.prefixStart + context.prefix.size(), caret) << c.line;
    }
  }
}

TEST(IdentifierCompletions, FunctionsThenTheScriptsNamesThenKeywordsAlphabeticalIgnoringCase) {
  const std::vector<std::string> names = {"speed", "Sigma", "other"};
  const std::vector<TCompletion> items = IdentifierCompletions("s", names);
  // The groups follow one another in their order.
  ASSERT_FALSE(items.empty());
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end(),
                             [](const TCompletion& a, const TCompletion& b) { return a.group < b.group; }));
  EXPECT_EQ(items.front(), (TCompletion{"SendEvent", Group::Function}));
  const std::vector<std::string> texts = Texts(items);
  EXPECT_EQ(std::vector<std::string>(texts.end() - 4, texts.end()),
            (std::vector<std::string>{"Sigma", "speed", "Script", "string"}));
  // Alphabetical within a group, letter case ignored.
  const auto at = [&](const char* word) { return std::find(texts.begin(), texts.end(), word) - texts.begin(); };
  EXPECT_LT(at("SetCameraOrientation"), at("SetCP"));
  EXPECT_LT(at("SetCP"), at("SetCPFast"));
  EXPECT_LT(at("SetCPFast"), at("SetCurrentParty"));
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "other"), 0);

  EXPECT_EQ(Texts(IdentifierCompletions("sLeEp", names)),
            (std::vector<std::string>{"Sleep", "SleepUntil", "SleepUntilIdle"}));
  EXPECT_EQ(Texts(IdentifierCompletions("i", {})).back(), "if");
  EXPECT_TRUE(IdentifierCompletions("zz", names).empty());
}

TEST(IdentifierCompletions, AnEmptyPrefixOffersTheWholeLanguageAndEveryName) {
  const std::vector<std::string> names = {"alarm", "Main"};
  const std::vector<TCompletion> items = IdentifierCompletions("", names);
  auto count = [&](Group g) { return std::count_if(items.begin(), items.end(), [&](auto& c) { return c.group == g; }); };
  EXPECT_EQ(count(Group::Function), 212);
  EXPECT_EQ(count(Group::ScriptName), 2);
  EXPECT_EQ(count(Group::Keyword), 12);  // 8 control words and 4 type words
}

TEST(ScriptNameIndex, KeepsTheDeclarationsOfEditedLinesUpToDate) {
  TScriptNameIndex index;
  index.Reset("DeclareScript Zone\nGlobalVars\n  float alarm;\nScript Main\n{\n  group g = CreateParty();\n}\n");
  auto names = [&] {
    std::vector<std::string> n = index.Names();
    std::sort(n.begin(), n.end());
    return n;
  };
  EXPECT_EQ(index.LineCount(), 8u);
  EXPECT_EQ(names(), (std::vector<std::string>{"Main", "Zone", "alarm", "g"}));

  index.ReplaceLines(2, 1, "  float timer;");  // an edit inside one line
  EXPECT_EQ(names(), (std::vector<std::string>{"Main", "Zone", "g", "timer"}));
  index.ReplaceLines(4, 1, "{\n  string s;\n  object o;");  // Enter twice: one line became three
  EXPECT_EQ(index.LineCount(), 10u);
  EXPECT_EQ(index.DeclaredOn(6), std::vector<std::string>{"o"});
  EXPECT_EQ(names(), (std::vector<std::string>{"Main", "Zone", "g", "o", "s", "timer"}));
  index.ReplaceLines(4, 3, "{");  // and deleted again
  EXPECT_EQ(index.LineCount(), 8u);
  EXPECT_EQ(index.DeclaredOn(5), std::vector<std::string>{"g"});
  EXPECT_EQ(names(), (std::vector<std::string>{"Main", "Zone", "g", "timer"}));

  // A name declared twice stays while one declaration is left.
  index.ReplaceLines(7, 1, "float g;");
  index.ReplaceLines(5, 1, "");
  EXPECT_EQ(names(), (std::vector<std::string>{"Main", "Zone", "g", "timer"}));
  // The word being typed on a line does not offer itself, unless declared elsewhere.
  EXPECT_EQ(index.Names(2, "timer").size(), 3u);
  index.ReplaceLines(5, 1, "float timer;");
  EXPECT_EQ(index.Names(2, "timer").size(), 4u);
}

TEST(ScriptNameIndex, ALargeEditIsScannedWhenTheNamesAreNextNeeded) {
  TScriptNameIndex index;
  index.Reset("float a;\nfloat b;\nfloat c;");
  // Lines 1 and 2 became four lines; the text is read later.
  index.ReplaceLinesLater(1, 2, 4);
  EXPECT_TRUE(index.NeedsRefresh());
  EXPECT_EQ(index.Names(), std::vector<std::string>{"a"});  // the old names are gone at once
  index.Refresh("float a;\nstring s;\n\nobject o;\n// float x;");
  EXPECT_FALSE(index.NeedsRefresh());
  std::vector<std::string> names = index.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a", "o", "s"}));
  EXPECT_EQ(index.DeclaredOn(3), std::vector<std::string>{"o"});
  // Lines edited one by one meanwhile keep what they were given.
  index.ReplaceLinesLater(0, 1, 1);
  index.ReplaceLines(1, 1, "group g;");
  index.Refresh("float z;\ngroup g;\n\nobject o;\n// float x;");
  names = index.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"g", "o", "z"}));
}

TEST(ObjectNameCompletions, OfferTheNamesTheZonesObjectsCarry) {
  TMob mob;
  GenerateZone(mob, {.records = 300, .seed = 5, .scriptLines = 10});
  mob.Objects[0].Name2 = Cp("Жёлудь_1");
  mob.Objects[1].ScriptVariableName = "quoted\"name";
  mob.Particles1[0].NameStr = "orc_fire";

  // What each record carries, to compare with.
  std::set<std::string> all;
  mob.ForEachList([&](const auto& list) {
    for (const auto& r : list) {
      if constexpr (requires { r.Name2; }) {
        all.insert(r.ScriptVariableName);
        all.insert(r.Name2);
      } else {
        all.insert(r.NameStr);
      }
    }
  });
  all.erase("");
  all.erase("quoted\"name");

  const std::vector<std::string> everything = ObjectNameCompletions(mob, "");
  EXPECT_EQ(std::set<std::string>(everything.begin(), everything.end()), all);
  EXPECT_EQ(everything.size(), all.size());  // each once

  const std::vector<std::string> orc = ObjectNameCompletions(mob, "ORC");
  ASSERT_FALSE(orc.empty());
  EXPECT_NE(std::find(orc.begin(), orc.end(), "orc_fire"), orc.end());
  for (const std::string& name : orc) EXPECT_EQ(name.substr(0, 3), "orc");
  EXPECT_TRUE(std::is_sorted(orc.begin(), orc.end()));

  EXPECT_EQ(ObjectNameCompletions(mob, Cp("жЁЛ")), std::vector<std::string>{Cp("Жёлудь_1")});
  EXPECT_TRUE(ObjectNameCompletions(mob, "quoted").empty());
}

}  // namespace
}  // namespace kelvarin
