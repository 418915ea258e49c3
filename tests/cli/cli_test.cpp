// kelvarin-cli in-process: exit codes, the JSON round trip, refusals of build,
// and the script commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <sstream>

#include "cli/cli.h"
#include "cli/jsondoc.h"
#include "common/cp1251.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("kelvarin-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvarin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    m_out.str("");
    m_err.str("");
    return RunCli(int(argv.size()), argv.data(), m_out, m_err);
  }
  std::string Path(const std::string& name) { return (m_dir / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  // A generated zone dumped to JSON, for build tests to spoil.
  Json SampleJson() {
    EXPECT_EQ(Run({"generate", Path("a.mob"), "--records", "40"}), 0);
    EXPECT_EQ(Run({"dump", Path("a.mob")}), 0);
    return Json::parse(m_out.str());
  }

  fs::path m_dir;
  std::ostringstream m_out, m_err;
};

TEST_F(CliTest, ExitCodesSeparateUsageFromFailure) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_EQ(Run({"info"}), 2);
  EXPECT_EQ(Run({"dump", "--help"}), 0);
  EXPECT_NE(m_out.str().find("dump"), std::string::npos);
  EXPECT_EQ(Run({"dump", Path("missing.mob")}), 1);
  EXPECT_NE(m_err.str().find("Загрузить моб не удалось!"), std::string::npos);
  EXPECT_EQ(Run({"generate", Path("g.mob"), "--records", "-5"}), 2);
}

TEST_F(CliTest, DumpAndBuildGiveBackTheSameBytes) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "300", "--seed", "9"}), 0);
  ASSERT_EQ(Run({"dump", Path("a.mob")}), 0);
  Write(Path("a.json"), m_out.str());
  ASSERT_EQ(Run({"build", Path("a.json"), Path("b.mob")}), 0) << m_err.str();
  EXPECT_EQ(Read(Path("a.mob")), Read(Path("b.mob")));

  ASSERT_EQ(Run({"resave", Path("a.mob"), Path("c.mob")}), 0);
  EXPECT_EQ(Read(Path("a.mob")), Read(Path("c.mob")));
  EXPECT_NE(m_err.str().find("Моб успешно сохранен :)."), std::string::npos);
}

TEST_F(CliTest, InfoSummarisesTheZone) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "100"}), 0);
  ASSERT_EQ(Run({"info", Path("a.mob")}), 0);
  const std::string info = m_out.str();
  for (const char* part : {"Blocks:      5", "script block", "object block", "units       40",
                           "particles3  5", "unknown     2", "key 28417"})
    EXPECT_NE(info.find(part), std::string::npos) << part << "\n" << info;
}

TEST_F(CliTest, FloatsAndSpecialValuesSurviveJson) {
  TMob mob;
  GenerateZone(mob, {.records = 8, .seed = 1});
  mob.Objects.at(0).LoadX = 0.1f;
  mob.Objects.at(0).LoadY = std::numeric_limits<float>::quiet_NaN();
  mob.Objects.at(0).LoadZ = -std::numeric_limits<float>::infinity();
  mob.Objects.at(0).RotationW = std::numeric_limits<float>::denorm_min();
  // Its shortest text read as a double rounds to the neighbouring float.
  const std::uint32_t doubleRoundingBits = 0x15ae43fd;
  std::memcpy(&mob.Objects.at(0).RotationX, &doubleRoundingBits, 4);
  const Json json = MobToJson(mob);
  EXPECT_EQ(json["objects"][0]["LoadX"].dump(), "0.1");
  EXPECT_EQ(json["objects"][0]["LoadY"], "NaN");
  EXPECT_EQ(json["objects"][0]["LoadZ"], "-Infinity");
  TMob back;
  std::string error;
  ASSERT_TRUE(JsonToMob(Json::parse(json.dump()), back, error)) << error;
  EXPECT_EQ(back.Objects[0].LoadX, 0.1f);
  EXPECT_TRUE(std::isnan(back.Objects[0].LoadY));
  EXPECT_EQ(back.Objects[0].LoadZ, -std::numeric_limits<float>::infinity());
  EXPECT_EQ(back.Objects[0].RotationW, std::numeric_limits<float>::denorm_min());
  EXPECT_EQ(back.Objects[0].RotationX, mob.Objects[0].RotationX);
}

TEST_F(CliTest, BuildRefusesWhatDoesNotFitAndWritesNothing) {
  const Json sample = SampleJson();
  struct Case {
    const char* name;
    std::function<void(Json&)> spoil;
    const char* message;
  } cases[] = {
      {"missing key", [](Json& j) { j["units"][2].erase("PlayerNumber"); },
       "units[2]: missing key \"PlayerNumber\""},
      {"byte out of range", [](Json& j) { j["levers"][0]["UncnByte3"] = 300; }, "levers[0].UncnByte3: value 300"},
      {"wrong type", [](Json& j) { j["traps"][1]["MagicStr"] = 5; }, "traps[1].MagicStr: expected a string"},
      {"not in code page 1251", [](Json& j) { j["objects"][0]["Name2"] = "木"; },
       "objects[0].Name2: character U+6728 cannot be stored"},
      {"int32 overflow", [](Json& j) { j["particles1"][0]["ID"] = 4294967295u; }, "particles1[0].ID: value 4294967295 out of range"},
      {"unknown key", [](Json& j) { j["flames"][0]["FlameSise"] = 1; }, "flames[0]: unknown key \"FlameSise\""},
      {"bad hex", [](Json& j) { j["tail"] = "abc"; }, "tail: not a hex string"},
      {"block count", [](Json& j) { j["blockCount"] = 4; }, "blockCount: must be at least 5"},
      {"list item type", [](Json& j) { j["units"][0]["Items"] = Json::array({1}); }, "units[0].Items[0]: expected a string"},
  };
  for (const auto& c : cases) {
    Json spoilt = sample;
    c.spoil(spoilt);
    Write(Path("bad.json"), spoilt.dump());
    EXPECT_EQ(Run({"build", Path("bad.json"), Path("out.mob")}), 1) << c.name;
    EXPECT_NE(m_err.str().find(c.message), std::string::npos) << c.name << ": " << m_err.str();
    EXPECT_FALSE(fs::exists(Path("out.mob"))) << c.name;
  }
  Write(Path("broken.json"), "{\"mobKind\": ");
  EXPECT_EQ(Run({"build", Path("broken.json"), Path("out.mob")}), 1);
  EXPECT_FALSE(fs::exists(Path("out.mob")));
}

TEST_F(CliTest, ScriptGetAndSet) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  Write(Path("s.txt"), "Script Main\r\n{\r\n  // Привет\r\n}\r\n");
  ASSERT_EQ(Run({"script", "set", Path("a.mob"), Path("s.txt")}), 0) << m_err.str();
  ASSERT_EQ(Run({"script", "get", Path("a.mob")}), 0);
  EXPECT_EQ(m_out.str(), "Script Main\n{\n  // Привет\n}\n");

  ASSERT_EQ(Run({"script", "set", Path("a.mob"), Path("s.txt"), "--key", "0"}), 0);
  TMob mob;
  ASSERT_TRUE(mob.Load(Path("a.mob")));
  EXPECT_EQ(mob.ScriptKey, 0u);
  ASSERT_EQ(Run({"script", "set", Path("a.mob"), Path("s.txt"), "--key", "-5"}), 0);
  ASSERT_TRUE(mob.Load(Path("a.mob")));
  EXPECT_EQ(mob.ScriptKey, kDefaultScriptKey);

  const std::string before = Read(Path("a.mob"));
  Write(Path("bad.txt"), "ok\nstill ok 木\n");
  EXPECT_EQ(Run({"script", "set", Path("a.mob"), Path("bad.txt")}), 1);
  EXPECT_NE(m_err.str().find("line 2, column 10"), std::string::npos) << m_err.str();
  EXPECT_EQ(Read(Path("a.mob")), before);
  EXPECT_EQ(Run({"script", "set", Path("a.mob"), Path("s.txt"), "--key", "99999999999"}), 2);
}

}  // namespace
}  // namespace kelvarin
