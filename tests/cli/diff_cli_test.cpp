// kelvarin-cli diff, textconv and merge in process: the exit codes that tell the
// same, different and trouble apart, the JSON forms, and the merge's output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/jsondoc.h"
#include "cliharness.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

class DiffCliTest : public test::CliHarness {
 protected:
  // The generated zone, edited, saved as `name`.
  std::string Zone(const std::string& name, const std::function<void(TMob&)>& edit = {}) {
    TMob mob;
    GenerateZone(mob, {.records = 120, .seed = 21, .scriptLines = 20});
    if (edit) edit(mob);
    EXPECT_TRUE(mob.Save(Path(name))) << mob.LogText;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

TEST_F(DiffCliTest, DiffAnswersLikeDiff) {
  const std::string a = Zone("a.mob"), same = Zone("same.mob");
  const std::string b = Zone("b.mob", [](TMob& m) { m.Levers[0].Key = 4242; });
  std::ofstream(Path("text.mob")) << "not a zone";
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"diff", a, same}, 0},
      {{"diff", a, b}, 1},
      {{"diff", a, Path("missing.mob")}, 2},
      {{"diff", a, Path("text.mob")}, 2},
      {{"diff", a}, 2},
      {{"diff", a, b, "--json"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(Run(c.args), c.code) << m_err.str();
  }
  EXPECT_EQ(Run({"diff", a, same}), 0);
  EXPECT_EQ(m_out.str(), "");
  EXPECT_EQ(Run({"diff", a, b}), 1);
  EXPECT_NE(m_out.str().find(": changed (index 0)\n    Key: "), std::string::npos) << m_out.str();
  EXPECT_NE(m_out.str().find(" -> 4242\n"), std::string::npos);
}

TEST_F(DiffCliTest, LayoutAloneExitsZeroAndSaysSo) {
  const std::string a = Zone("a.mob", [](TMob& m) {
    m.UnknownBlocks.clear();
    m.BlockCount = 3;
  });
  // The object block moved before the script block.
  std::string bytes = Read(a);
  const std::uint32_t main = ReadU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 4);
  const std::uint32_t script = ReadU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 20);
  const std::string swapped = bytes.substr(0, 16) + bytes.substr(16 + script, main - 16 - script) +
                              bytes.substr(16, script) + bytes.substr(main);
  std::ofstream(Path("b.mob"), std::ios::binary) << swapped;
  EXPECT_EQ(Run({"diff", a, Path("b.mob")}), 0) << m_err.str();
  EXPECT_NE(m_out.str().find("differ only in layout"), std::string::npos) << m_out.str();
  EXPECT_EQ(Run({"diff", a, Path("b.mob"), "--json"}), 0);
  const Json j = Json::parse(m_out.str());
  EXPECT_TRUE(j["same"].get<bool>());
  EXPECT_TRUE(j["layout_differs"].get<bool>());
}

TEST_F(DiffCliTest, DiffJsonCarriesTheSameContent) {
  const std::string a = Zone("a.mob");
  const std::string b = Zone("b.mob", [](TMob& m) {
    m.Flames[1].FlameSize = -0.0f;
    m.Units[2].Name1 = "\xC8\xEC\xFF";  // "Имя" in code page 1251
    m.Objects.erase(m.Objects.begin());
    m.Tail.push_back(7);
    m.TailLength += 1;
    m.ScriptText += "\r\n// end";
  });
  ASSERT_EQ(Run({"diff", a, b, "--json"}), 1);
  const Json j = Json::parse(m_out.str());
  EXPECT_FALSE(j["same"].get<bool>());
  ASSERT_EQ(j["blocks"].size(), 1u);
  EXPECT_EQ(j["blocks"][0]["block"], "tail");
  ASSERT_EQ(j["records"].size(), 3u);
  EXPECT_EQ(j["records"][0]["kind"], "units");
  EXPECT_EQ(j["records"][0]["fields"][0]["field"], "Name1");
  EXPECT_EQ(j["records"][0]["fields"][0]["b"], "Имя");
  EXPECT_EQ(j["records"][1]["change"], "removed");
  EXPECT_EQ(j["records"][1]["index_a"], 0);
  EXPECT_TRUE(j["records"][1]["index_b"].is_null());
  EXPECT_EQ(j["records"][2]["fields"][0]["b"], "-0 (0x80000000)");
  const Json& hunk = j["script"]["hunks"][0];
  EXPECT_EQ(hunk["lines"].back(), "+// end");
}

TEST_F(DiffCliTest, TextConvIsStableAndOneFieldALine) {
  const std::string a = Zone("a.mob");
  ASSERT_EQ(Run({"textconv", a}), 0);
  const std::string text = m_out.str();
  ASSERT_EQ(Run({"textconv", a}), 0);
  EXPECT_EQ(m_out.str(), text);
  EXPECT_EQ(text.substr(0, 5), "zone ");
  EXPECT_NE(text.find("\nlevers "), std::string::npos);
  EXPECT_NE(text.find("\n  Key = "), std::string::npos);
  EXPECT_NE(text.find("\nscript\nDeclareScript Zone\n"), std::string::npos);
  EXPECT_EQ(Run({"textconv", Path("missing.mob")}), 1);
}

TEST_F(DiffCliTest, MergeWritesTheResultOrKeepsOursAndListsTheConflicts) {
  const std::string base = Zone("base.mob");
  const std::string ours = Zone("ours.mob", [](TMob& m) { m.Levers[0].Key = 1; });
  const std::string theirs = Zone("theirs.mob", [](TMob& m) { m.Objects[3].Name2 = "theirs"; });
  const std::string both = Zone("both.mob", [](TMob& m) {
    m.Levers[0].Key = 1;
    m.Objects[3].Name2 = "theirs";
  });
  EXPECT_EQ(Run({"merge", base, ours, theirs, "-o", Path("out.mob")}), 0) << m_err.str();
  EXPECT_EQ(Read(Path("out.mob")), Read(both));
  EXPECT_EQ(m_err.str(), "");

  // Without -o the result replaces ours.
  EXPECT_EQ(Run({"merge", base, ours, theirs}), 0);
  EXPECT_EQ(Read(ours), Read(both));

  const std::string crossed = Zone("crossed.mob", [](TMob& m) { m.Levers[0].Key = 2; });
  const std::string oursBefore = Read(ours);
  EXPECT_EQ(Run({"merge", base, ours, crossed, "--conflicts", Path("conflicts.json")}), 1);
  EXPECT_NE(m_err.str().find(": Key: base "), std::string::npos) << m_err.str();
  EXPECT_NE(m_err.str().find(", ours 1, theirs 2; ours kept\n"), std::string::npos);
  EXPECT_EQ(Read(ours), oursBefore);
  const Json j = Json::parse(Read(Path("conflicts.json")));
  ASSERT_EQ(j["conflicts"].size(), 1u);
  EXPECT_EQ(j["conflicts"][0]["place"], "record");
  EXPECT_EQ(j["conflicts"][0]["kind"], "levers");
  EXPECT_EQ(j["conflicts"][0]["field"], "Key");
  EXPECT_EQ(j["conflicts"][0]["ours"], "1");
  EXPECT_EQ(j["conflicts"][0]["theirs"], "2");

  // Trouble: exit 2 and ours untouched.
  EXPECT_EQ(Run({"merge", Path("missing.mob"), ours, theirs}), 2);
  EXPECT_EQ(Read(ours), oursBefore);
}

}  // namespace
}  // namespace kelvarin
