// kelvarin-cli check: its exit codes, its lines and the JSON shape the README
// promises to CI pipelines.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <sstream>
#include <string_view>

#include "check/zonecheck.h"
#include "cli/jsondoc.h"
#include "cliharness.h"
#include "common/cp1251.h"
#include "support/filebytes.h"
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

// Every kind of finding, summaries among them, and messages with quotes,
// backslashes, control characters and Cyrillic: the lines as they always were,
// and the JSON laid out byte for byte as dump(1) lays out the document, each
// item telling what its line tells.
TEST_F(CheckCliTest, BothFormsOfAZoneWithEveryKindOfFinding) {
  TMob mob;
  GenerateZone(mob, {.records = 40, .seed = 5, .scriptLines = 4});
  mob.Units.at(1).ObjectID = mob.Objects.at(0).ObjectID = mob.Units.at(0).ObjectID;
  mob.Units.at(0).Name1 = "first";
  mob.Units.at(1).Name1 = "second";
  mob.Objects.at(0).Name2 = *Utf8ToCp1251("Мост");
  mob.Units.at(2).Name1 = "tilted";
  mob.Units.at(2).RotationW = 0.5f;
  mob.Units.at(2).RotationX = std::numeric_limits<float>::quiet_NaN();
  mob.Units.at(2).RotationY = 0;
  mob.Units.at(2).RotationZ = -std::numeric_limits<float>::infinity();
  mob.Levers.at(0).Name2 = "lever";
  mob.Levers.at(0).LoadX = std::numeric_limits<float>::infinity();
  mob.Levers.at(0).LoadZ = std::numeric_limits<float>::quiet_NaN();
  mob.Traps.at(0).Name2 = "trap";
  mob.Traps.at(0).RotationW = mob.Traps.at(0).RotationX = mob.Traps.at(0).RotationY = mob.Traps.at(0).RotationZ = 0;
  mob.Particles1.at(0).NameStr = "smoke";
  mob.Particles1.at(0).CoordY = -std::numeric_limits<float>::infinity();
  mob.Units.at(3).ScriptVariableName = *Utf8ToCp1251("Тролль");
  const auto repeat = [](std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
  };
  mob.ScriptText = *Utf8ToCp1251(
      "Script Main\n{\n"
      "  KillUnit(GetObjectByID(999999)); KillUnit(GetObjectByName(\"Нет\\такого\t\x01\"));\n"
      "  KillUnit(GetObjectByName(\"Тролль\")); Unheard(); ПроцедураX(1);\n"
      "  " + std::string(12, ')') + " " + repeat("GetObjectByID(987654);", 11) + "\n"
      "  s = \"open\n"
      "  ((( {\n"
      "  }}}\n"
      "  " + repeat("GetObjectByName(\"nobody\");", 2) + repeat("Frob();", 2) + "\n"
      "{ ( (\n"
      "}\n"
      "{{\n");
  const std::string path = Path("every.mob");
  ASSERT_TRUE(mob.Save(path)) << mob.LogText;

  ASSERT_EQ(Run({"check", path}), 3) << m_err.str();
  const std::string text = m_out.str();
  const std::string expected[] = {
      ":3:12: error [dangling-id] GetObjectByID(999999): в зоне нет объекта с таким идентификатором",
      ":3:45: error [dangling-name] GetObjectByName(\"Нет\\такого\t\x01\"): в зоне нет объекта с таким именем",
      ":4:40: warning [unknown-call] Вызов неизвестного имени «Unheard»: это не встроенная функция, и скрипт его не объявляет",
      ":4:60: warning [unknown-call] Вызов неизвестного имени «X»: это не встроенная функция, и скрипт его не объявляет",
      ":5:3: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:4: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:5: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:6: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:7: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:8: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:9: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:10: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:11: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:12: error [unbalanced-bracket] Лишняя закрывающая скобка «)»: открывающей для неё нет",
      ":5:13: error [unbalanced-bracket] … и ещё 2 таких же",
      ":5:16: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:38: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:60: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:82: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:104: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:126: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:148: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:170: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:192: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:214: error [dangling-id] GetObjectByID(987654): в зоне нет объекта с таким идентификатором",
      ":5:236: error [dangling-id] … и ещё 1 таких же",
      ":6:7: error [unterminated-string] Строка не закрыта: до конца строки нет второй кавычки",
      ":7:3: error [unbalanced-bracket] Скобка «(» не закрыта",
      ":7:4: error [unbalanced-bracket] Скобка «(» не закрыта",
      ":7:5: error [unbalanced-bracket] Скобка «(» не закрыта",
      ":8:5: error [unbalanced-brace] Лишняя закрывающая фигурная скобка «}»: открывающей для неё нет",
      ":9:3: error [dangling-name] GetObjectByName(\"nobody\"): в зоне нет объекта с таким именем",
      ":9:29: error [dangling-name] GetObjectByName(\"nobody\"): в зоне нет объекта с таким именем",
      ":9:55: warning [unknown-call] Вызов неизвестного имени «Frob»: это не встроенная функция, и скрипт его не объявляет",
      ":9:62: warning [unknown-call] Вызов неизвестного имени «Frob»: это не встроенная функция, и скрипт его не объявляет",
      ":10:3: error [unbalanced-bracket] Скобка «(» не закрыта",
      ":10:5: error [unbalanced-bracket] Скобка «(» не закрыта",
      ":12:1: error [unbalanced-brace] Фигурная скобка «{» не закрыта",
      ":12:2: error [unbalanced-brace] Фигурная скобка «{» не закрыта",
      ": units[1]: error [duplicate-id] Идентификатор 1 записи «second» (Юниты, индекс 1) уже носит запись «first» (Юниты, индекс 0)",
      ": units[2]: warning [nonfinite-rotation] Поворот записи «tilted» (Юниты, индекс 2) содержит NAN или бесконечность: (0.5, NAN, 0, -INF)",
      ": objects[0]: error [duplicate-id] Идентификатор 1 записи «Мост» (Объекты, индекс 0) уже носит запись «first» (Юниты, индекс 0)",
      ": levers[0]: error [nonfinite-coordinates] Координаты записи «lever» (Рычаги, индекс 0) не конечны: LoadX = INF, LoadZ = NAN",
      ": traps[0]: warning [zero-rotation] Поворот записи «trap» (Ловушки, индекс 0) - нулевой кватернион (0, 0, 0, 0)",
      ": particles1[0]: error [nonfinite-coordinates] Координаты записи «smoke» (Партиклы 1 типа, индекс 0) не конечны: CoordY = -INF",
  };
  std::string lines;
  for (const std::string& line : expected) lines += path + line + "\n";
  EXPECT_EQ(text, lines + "40 errors, 6 warnings\n");

  ASSERT_EQ(Run({"check", path, "--json"}), 3) << m_err.str();
  const std::string out = m_out.str();
  const Json json = Json::parse(out);
  EXPECT_EQ(out, json.dump(1) + "\n");
  std::string retold;
  for (const Json& f : json["findings"]) {
    retold += path + ":";
    if (f["place"] == "script")
      retold += std::to_string(f["line"].get<int>()) + ":" + std::to_string(f["column"].get<int>()) + ":";
    else
      retold += " " + f["kind"].get<std::string>() + "[" + std::to_string(f["index"].get<int>()) + "]:";
    retold += " " + f["severity"].get<std::string>() + " [" + f["code"].get<std::string>() + "] " +
              f["message"].get<std::string>() + "\n";
  }
  retold += std::to_string(json["errors"].get<int>()) + " errors, " + std::to_string(json["warnings"].get<int>()) +
            " warnings\n";
  EXPECT_EQ(retold, text);
}

// The findings are written without building a JSON value; their strings must
// still come out as dump() writes them.
TEST(FindingJson, StringsAreEscapedAsDumpEscapesThem) {
  std::string every;
  for (int c = 0; c < 0x80; ++c) every += char(c);
  for (const std::string& text : {std::string(), every, std::string("«Тролль» \\\"x\"\\"), std::string("\x7f\x1f")}) {
    std::string out;
    AppendJsonString(out, text);
    EXPECT_EQ(out, Json(text).dump());
  }
}

TEST_F(CheckCliTest, AFileThatCannotBeLoadedExitsOneAndABadCommandLineTwo) {
  EXPECT_EQ(Run({"check", Path("missing.mob")}), 1);
  EXPECT_NE(m_err.str().find("Загрузить моб не удалось!"), std::string::npos) << m_err.str();
  EXPECT_EQ(m_out.str(), "");
  test::WriteFileBytes(Path("junk.mob"), "not a zone");
  EXPECT_EQ(Run({"check", Path("junk.mob"), "--json"}), 1);
  EXPECT_EQ(m_out.str(), "");

  EXPECT_EQ(Run({"check"}), 2);
  EXPECT_EQ(Run({"check", Path("a.mob"), Path("b.mob")}), 2);
  EXPECT_EQ(Run({"check", "--jsn", Path("a.mob")}), 2);
}

}  // namespace
}  // namespace kelvarin
