// kelvarin-cli check: its exit codes, its lines and the JSON shape the README
// promises to CI pipelines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "check/zonecheck.h"
#include "cli/jsondoc.h"
#include "cliharness.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class CheckCliTest : public test::CliHarness {
 protected:
  // A generated zone with one error of each place and one warning.
  std::string FaultyZone() {
    TMob mob;
    GenerateZone(mob, {.records = 16, .seed = 3, .scriptLines = 4});
    mob.Objects.at(1).ObjectID = mob.Units.at(0).ObjectID;
    mob.Levers.at(0).RotationW = mob.Levers.at(0).RotationX = mob.Levers.at(0).RotationY =
        mob.Levers.at(0).RotationZ = 0;
    mob.ScriptText = "Script Main\n{\n  KillUnit(GetObjectByID(999999));\n}\n";
    const std::string path = Path("faulty.mob");
    EXPECT_TRUE(mob.Save(path)) << mob.LogText;
    return path;
  }

};

TEST_F(CheckCliTest, ACleanZoneExitsZero) {
  ASSERT_EQ(Run({"generate", Path("clean.mob"), "--records", "300"}), 0);
  EXPECT_EQ(Run({"check", Path("clean.mob")}), 0) << m_out.str() << m_err.str();
  EXPECT_EQ(m_out.str(), "0 errors, 0 warnings\n");
  EXPECT_EQ(m_err.str(), "");
}

TEST_F(CheckCliTest, ErrorsExitThreeWithOneLinePerFinding) {
  const std::string path = FaultyZone();
  ASSERT_EQ(Run({"check", path}), 3) << m_err.str();
  const std::string out = m_out.str();
  // Script places as FILE:LINE:COLUMN, records as FILE: KIND[INDEX].
  EXPECT_NE(out.find(path + ":3:12: error [dangling-id] GetObjectByID(999999): в зоне нет объекта"),
            std::string::npos) << out;
  EXPECT_NE(out.find(path + ": objects[1]: error [duplicate-id] Идентификатор "), std::string::npos) << out;
  EXPECT_NE(out.find(path + ": levers[0]: warning [zero-rotation] "), std::string::npos) << out;
  EXPECT_TRUE(out.ends_with("\n2 errors, 1 warning\n")) << out;
}

TEST_F(CheckCliTest, WarningsAloneExitZero) {
  TMob mob;
  GenerateZone(mob, {.records = 16, .seed = 3, .scriptLines = 4});
  mob.ScriptText += "Unheard();\n";
  ASSERT_TRUE(mob.Save(Path("warn.mob")));
  EXPECT_EQ(Run({"check", Path("warn.mob")}), 0);
  EXPECT_TRUE(m_out.str().ends_with("0 errors, 1 warning\n")) << m_out.str();
}

TEST_F(CheckCliTest, JsonShape) {
  const std::string path = FaultyZone();
  ASSERT_EQ(Run({"check", path, "--json"}), 3);
  const Json json = Json::parse(m_out.str());
  const Json expectedScript = {{"severity", "error"},
                               {"code", "dangling-id"},
                               {"message", "GetObjectByID(999999): в зоне нет объекта с таким идентификатором"},
                               {"place", "script"},
                               {"line", 3},
                               {"column", 12}};
  ASSERT_EQ(json["findings"].size(), 3u);
  EXPECT_EQ(json["findings"][0], expectedScript);
  const Json& duplicate = json["findings"][1];
  EXPECT_EQ(duplicate["severity"], "error");
  EXPECT_EQ(duplicate["code"], "duplicate-id");
  EXPECT_EQ(duplicate["place"], "record");
  EXPECT_EQ(duplicate["kind"], "objects");
  EXPECT_EQ(duplicate["index"], 1);
  EXPECT_TRUE(duplicate["id"].is_number_integer());
  EXPECT_EQ(json["findings"][2]["code"], "zero-rotation");
  EXPECT_EQ(json["findings"][2]["severity"], "warning");
  // The keys in their documented order.
  std::vector<std::string> keys;
  for (const auto& item : json.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"file", "errors", "warnings", "findings"}));
  EXPECT_EQ(json["file"], path);
  EXPECT_EQ(json["errors"], 2);
  EXPECT_EQ(json["warnings"], 1);
  keys.clear();
  for (const auto& item : duplicate.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"severity", "code", "message", "place", "kind", "index", "id"}));

  ASSERT_EQ(Run({"generate", Path("clean.mob"), "--records", "20"}), 0);
  ASSERT_EQ(Run({"check", "--json", Path("clean.mob")}), 0);
  EXPECT_EQ(Json::parse(m_out.str())["findings"], Json::array());
}

// A line of thousands of faults gives a few findings, and the totals count them all.
TEST_F(CheckCliTest, RepeatedFindingsAreSummedUpInBothForms) {
  TMob mob;
  GenerateZone(mob, {.records = 16, .seed = 3, .scriptLines = 4});
  mob.ScriptText = std::string(20000, ')');
  ASSERT_TRUE(mob.Save(Path("brackets.mob")));
  ASSERT_EQ(Run({"check", Path("brackets.mob"), "--json"}), 3);
  EXPECT_LT(m_out.str().size(), 8000u);
  const Json json = Json::parse(m_out.str());
  EXPECT_EQ(json["errors"], 20000);
  ASSERT_EQ(json["findings"].size(), kListedPerPlace + 1);
  const Json& summary = json["findings"].back();
  EXPECT_EQ(summary["code"], "unbalanced-bracket");
  EXPECT_EQ(summary["message"], "… и ещё 19990 таких же");
  EXPECT_EQ(summary["omitted"], 19990);
  EXPECT_EQ(summary["line"], 1);
  EXPECT_FALSE(json["findings"][0].contains("omitted"));

  ASSERT_EQ(Run({"check", Path("brackets.mob")}), 3);
  EXPECT_NE(m_out.str().find(": error [unbalanced-bracket] … и ещё 19990 таких же\n20000 errors, 0 warnings\n"),
            std::string::npos) << m_out.str();
}

TEST_F(CheckCliTest, AFileThatCannotBeLoadedExitsOneAndABadCommandLineTwo) {
  EXPECT_EQ(Run({"check", Path("missing.mob")}), 1);
  EXPECT_NE(m_err.str().find("Загрузить моб не удалось!"), std::string::npos) << m_err.str();
  EXPECT_EQ(m_out.str(), "");
  std::ofstream(Path("junk.mob")) << "not a zone";
  EXPECT_EQ(Run({"check", Path("junk.mob"), "--json"}), 1);
  EXPECT_EQ(m_out.str(), "");

  EXPECT_EQ(Run({"check"}), 2);
  EXPECT_EQ(Run({"check", Path("a.mob"), Path("b.mob")}), 2);
  EXPECT_EQ(Run({"check", "--jsn", Path("a.mob")}), 2);
}

}  // namespace
}  // namespace kelvarin
