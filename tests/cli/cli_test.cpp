// kelvarin-cli in-process: exit codes, the JSON round trip, refusals of build,
// and the script commands.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <new>
#include <sstream>
#include <thread>

#include "cli/jsondoc.h"
#include "cliharness.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "common/cp1251.h"
#include "common/filesystem.h"
#include "mob/filelog.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class CliTest : public test::CliHarness {
 protected:
  // A generated zone dumped to JSON, for build tests to spoil.
  Json SampleJson() {
    EXPECT_EQ(Run({"generate", Path("a.mob"), "--records", "40"}), 0);
    EXPECT_EQ(Run({"dump", Path("a.mob")}), 0);
    return Json::parse(m_out.str());
  }

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

TEST_F(CliTest, AnUnknownCommandIsNamed) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"bogus"}, "unknown command \"bogus\"; the commands are info, dump, resave, build, script, generate"},
      {{"bogus", "zone.mob"}, "unknown command \"bogus\""},
      {{"script", "fetch", "zone.mob"}, "unknown command \"fetch\"; the commands are get, set\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    EXPECT_EQ(Run(c.args), 2);
    EXPECT_NE(m_err.str().find(c.message), std::string::npos) << m_err.str();
    EXPECT_EQ(m_err.str().find("A subcommand is required"), std::string::npos) << m_err.str();
  }
  // A word that is an argument of a command is no command.
  EXPECT_EQ(Run({"info", "bogus"}), 1);
}

TEST_F(CliTest, DumpAndBuildGiveBackTheSameBytes) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "300", "--seed", "9"}), 0);
  ASSERT_EQ(Run({"dump", Path("a.mob")}), 0);
  test::WriteFileBytes(Path("a.json"), m_out.str());
  ASSERT_EQ(Run({"build", Path("a.json"), Path("b.mob")}), 0) << m_err.str();
  EXPECT_EQ(test::ReadFileBytes(Path("a.mob")), test::ReadFileBytes(Path("b.mob")));

  ASSERT_EQ(Run({"resave", Path("a.mob"), Path("c.mob")}), 0);
  EXPECT_EQ(test::ReadFileBytes(Path("a.mob")), test::ReadFileBytes(Path("c.mob")));
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

// dump streams the document record by record; its text must stay the one the
// whole JSON document gives, for records decoded or left in the file image.
TEST_F(CliTest, StreamedJsonIsTheDocumentsDumpByteForByte) {
  for (std::size_t records : {0, 1, 9, 300}) {
    TMob generated;
    GenerateZone(generated, {.records = records, .seed = 2, .scriptLines = records % 5});
    if (records == 9) generated.Units.at(0).LoadY = std::numeric_limits<float>::quiet_NaN();
    if (records == 1) generated.UnknownBlocks.clear();
    Bytes image;
    ASSERT_TRUE(generated.BuildImage(image));
    TMob decoded, kept;
    kept.RecordsStayInImage = true;
    ASSERT_TRUE(decoded.LoadImage(image.data(), image.size()));
    ASSERT_TRUE(kept.LoadImage(image.data(), image.size()));
    const std::string whole = MobToJson(decoded).dump(1);
    std::ostringstream fromDecoded, fromKept;
    WriteMobJson(decoded, fromDecoded);
    WriteMobJson(kept, fromKept);
    EXPECT_TRUE(fromDecoded.str() == whole) << records << " records";
    EXPECT_TRUE(fromKept.str() == whole) << records << " records";
  }
  // An empty document: every list empty, no script.
  TMob empty;
  std::ostringstream text;
  WriteMobJson(empty, text);
  EXPECT_EQ(text.str(), MobToJson(empty).dump(1));
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
      // Chunks kept whole are read back by their ids: any other id would be lost.
      {"raw chunk id", [](Json& j) { j["units"][0]["RawChunk"] = "0401bbbb0c00000001020304"; },
       "units[0].RawChunk: not a chunk of id 0xBBBB0004"},
      {"extra block id", [](Json& j) { j["units"][0]["ExtraBlocks"] = Json::array({"0100bcbb08000000"}); },
       "units[0].ExtraBlocks[0]: not a chunk of id 0xBBBC0000"},
      // Nothing that would not load back is written: a zone without a block,
      // a kept block whose size field is not its length.
      {"no block",
       [](Json& j) {
         j = Json::parse(R"({"mobKind":"ZonalMob","blockCount":2,"hasScript":false,"scriptKey":0,"scriptText":"",
           "hasObjects":false,"unknownBlocks":[],"units":[],"objects":[],"levers":[],"traps":[],"flames":[],
           "particles1":[],"particles2":[],"particles3":[],"unknownObjectBlocks":[],"tail":""})");
       },
       "document: no block would follow the flag block"},
      {"unframed unknown block", [](Json& j) { j["unknownBlocks"][0]["data"] = "3412000009000000"; },
       "unknownBlocks[0].data: not a whole block"},
      {"zone kind", [](Json& j) { j["mobKind"] = "Other"; }, "mobKind: expected \"QuestMob\" or \"ZonalMob\""},
  };
  for (const auto& c : cases) {
    Json spoilt = sample;
    c.spoil(spoilt);
    test::WriteFileBytes(Path("bad.json"), spoilt.dump());
    EXPECT_EQ(Run({"build", Path("bad.json"), Path("out.mob")}), 1) << c.name;
    EXPECT_NE(m_err.str().find(c.message), std::string::npos) << c.name << ": " << m_err.str();
    EXPECT_FALSE(fs::exists(Path("out.mob"))) << c.name;
  }
  test::WriteFileBytes(Path("broken.json"), "{\"mobKind\": ");
  EXPECT_EQ(Run({"build", Path("broken.json"), Path("out.mob")}), 1);
  EXPECT_FALSE(fs::exists(Path("out.mob")));
}

TEST_F(CliTest, ScriptGetAndSet) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  test::WriteFileBytes(Path("s.txt"), "Script Main\r\n{\r\n  // Привет\r\n}\r\n");
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

  const std::string before = test::ReadFileBytes(Path("a.mob"));
  test::WriteFileBytes(Path("bad.txt"), "ok\nstill ok 木\n");
  EXPECT_EQ(Run({"script", "set", Path("a.mob"), Path("bad.txt")}), 1);
  EXPECT_NE(m_err.str().find("line 2, column 10"), std::string::npos) << m_err.str();
  EXPECT_EQ(test::ReadFileBytes(Path("a.mob")), before);
  EXPECT_EQ(Run({"script", "set", Path("a.mob"), Path("s.txt"), "--key", "99999999999"}), 2);
}

// ---- hostile and unlucky input ----------------------------------------------------

TEST_F(CliTest, CommandsThatWriteRefuseWhatIsNoRegularFile) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  ASSERT_EQ(Run({"dump", Path("a.mob")}), 0);
  test::WriteFileBytes(Path("a.json"), m_out.str());
  test::WriteFileBytes(Path("s.txt"), "Script Main\n");
  const std::string device = Path("full"), fifo = Path("fifo");
  ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  for (const std::string& target : {device, fifo}) {
    SCOPED_TRACE(target);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"resave", Path("a.mob"), target}, {"build", Path("a.json"), target},
          {"generate", target, "--records", "5"}}) {
      EXPECT_EQ(Run(command), 1) << command[0];
      EXPECT_NE(m_err.str().find("это не обычный файл"), std::string::npos) << command[0] << m_err.str();
    }
  }
  // A device as the zone to change is not even read.
  EXPECT_EQ(Run({"script", "set", device, Path("s.txt")}), 1);
  EXPECT_NE(m_err.str().find(NotRegularFileLine(device, FileKind::CharDevice)), std::string::npos) << m_err.str();
  EXPECT_TRUE(fs::is_character_file(device));
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir.Root()), {}), 5);
}

TEST_F(CliTest, BadInputEndsWithAMessageAndExitOne) {
  test::WriteFileBytes(Path("overflow.json"), R"({"mobKind": 1e400})");
  EXPECT_EQ(Run({"build", Path("overflow.json"), Path("out.mob")}), 1);
  EXPECT_NE(m_err.str().find("number overflow"), std::string::npos) << m_err.str();

  fs::create_directory(Path("folder"));
  EXPECT_EQ(Run({"build", Path("folder"), Path("out.mob")}), 1);
  EXPECT_NE(m_err.str().find(NotRegularFileLine(Path("folder"), FileKind::Directory)), std::string::npos) << m_err.str();
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  EXPECT_EQ(Run({"script", "set", Path("a.mob"), Path("folder")}), 1);
  EXPECT_NE(m_err.str().find(NotRegularFileLine(Path("folder"), FileKind::Directory)), std::string::npos) << m_err.str();
  EXPECT_FALSE(fs::exists(Path("out.mob")));
}

TEST_F(CliTest, JsonNestedDeeperThanSixtyFourLevelsIsRefused) {
  const auto nested = [](int levels) { return std::string(levels, '[') + std::string(levels, ']'); };
  Json json;
  std::string error;
  EXPECT_TRUE(ParseJson(nested(kMaxJsonDepth), json, error)) << error;
  EXPECT_FALSE(ParseJson(nested(kMaxJsonDepth + 1), json, error));
  EXPECT_EQ(error, "nested deeper than 64 levels");
  EXPECT_FALSE(ParseJson(R"({"units": [)" + nested(kMaxJsonDepth - 1) + "]}", json, error));

  test::WriteFileBytes(Path("deep.json"), R"({"mobKind": )" + nested(130000) + "}");
  EXPECT_EQ(Run({"build", Path("deep.json"), Path("out.mob")}), 1);
  EXPECT_NE(m_err.str().find("nested deeper than 64 levels"), std::string::npos) << m_err.str();
}

TEST_F(CliTest, RunningOutOfMemoryIsAFailureWithAMessage) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  // Every read runs out of memory.
  test::TFaultyFiles files;
  files.read.Fail(ENOMEM);
  files.map.Fail(ENOMEM);
  SetFiles(&files);
  const int code = Run({"info", Path("a.mob")});
  SetFiles(nullptr);
  EXPECT_EQ(code, 1);
  EXPECT_EQ(m_err.str(), "kelvarin-cli: out of memory: the command needs more memory than it can get\n");
}

// An output stream whose every write fails, as on a full disk.
class FailingOutput : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  for (const char* command : {"dump", "info", "script"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args{"kelvarin-cli", command, Path("a.mob")};
    if (std::string(command) == "script") args.insert(args.begin() + 2, "get");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    FailingOutput failing;
    std::ostream out(&failing);
    std::ostringstream err;
    EXPECT_EQ(RunCli(int(argv.size()), argv.data(), out, err), 1);
    EXPECT_EQ(err.str(), "kelvarin-cli: the output could not be written\n");
  }
}

// The file changes between the first read and any later one.
class ReplacedAfterTheFirstRead : public TPosixFileSystem {
 public:
  bool ReadAll(const std::string& path, Bytes& out, int& err) override {
    if (m_reads++ == 0) return TPosixFileSystem::ReadAll(path, out, err);
    out = Bytes(16, 0xFF);
    return true;
  }

 private:
  int m_reads = 0;
};

TEST_F(CliTest, InfoDescribesTheImageItLoaded) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "100"}), 0);
  ASSERT_EQ(Run({"info", Path("a.mob")}), 0);
  const std::string expected = m_out.str();
  ReplacedAfterTheFirstRead files;
  SetFiles(&files);
  const int code = Run({"info", Path("a.mob")});
  SetFiles(nullptr);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(m_out.str(), expected);
}

TEST_F(CliTest, AZoneFromAPipeLoads) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "300"}), 0);
  ASSERT_EQ(Run({"dump", Path("a.mob")}), 0);
  const std::string expected = m_out.str();
  const std::string fifo = Path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  std::thread writer([&] { test::WriteFileBytes(fifo, test::ReadFileBytes(Path("a.mob"))); });
  const int code = Run({"dump", fifo});
  writer.join();
  EXPECT_EQ(code, 0) << m_err.str();
  EXPECT_EQ(m_out.str(), expected);
}

// What is neither a regular file nor a pipe is never read; a pipe is read where
// a command reads its input once, and refused where it would write the zone back;
// nothing waits on a pipe nobody writes to unless it is to be read.
TEST_F(CliTest, InputsThatAreNoRegularFile) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  test::WriteFileBytes(Path("s.txt"), "Script Main\n");
  test::WriteFileBytes(Path("o.ini"), "[MassChangeOpts]\nMC_KR_Type_UnitCB_ini=1\n");
  const std::string fifo = Path("fifo"), device = Path("full");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);  // endless zeros
  const struct {
    std::vector<std::string> args;
    std::string refusal;
  } refused[] = {
      {{"script", "set", fifo, Path("s.txt")}, NotRegularFileLine(fifo, FileKind::Fifo)},
      {{"masschange", fifo, "--options", Path("o.ini")}, NotRegularFileLine(fifo, FileKind::Fifo)},
      {{"script", "set", Path("a.mob"), device}, NotRegularFileLine(device, FileKind::CharDevice)},
      {{"build", device, Path("out.mob")}, NotRegularFileLine(device, FileKind::CharDevice)},
      {{"check", device}, NotRegularFileLine(device, FileKind::CharDevice)},
      {{"blocks", Path("")}, NotRegularFileLine(Path(""), FileKind::Directory)},
  };
  const std::string zone = test::ReadFileBytes(Path("a.mob"));
  for (const auto& c : refused) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    EXPECT_EQ(Run(c.args), 1);
    EXPECT_EQ(m_err.str(), c.refusal + "\n");
  }
  EXPECT_EQ(test::ReadFileBytes(Path("a.mob")), zone);
  EXPECT_FALSE(fs::exists(Path("out.mob")));

  // Read once: said, then read as soon as a program writes.
  std::thread writer([&] { test::WriteFileBytes(fifo, zone); });
  const int code = Run({"check", fifo});
  writer.join();
  EXPECT_EQ(code, 0) << m_err.str();
  EXPECT_EQ(m_err.str(), "kelvarin-cli: " + fifo +
                             " is a pipe: it is read to its end, which comes when the program writing into it closes it\n");
}

TEST_F(CliTest, ScriptSetSkipsAByteOrderMark) {
  ASSERT_EQ(Run({"generate", Path("a.mob"), "--records", "10"}), 0);
  test::WriteFileBytes(Path("bom.txt"), "\xEF\xBB\xBFScript Main\r\n{\r\n}\r\n");
  ASSERT_EQ(Run({"script", "set", Path("a.mob"), Path("bom.txt")}), 0) << m_err.str();
  ASSERT_EQ(Run({"script", "get", Path("a.mob")}), 0);
  EXPECT_EQ(m_out.str(), "Script Main\n{\n}\n");
}

}  // namespace
}  // namespace kelvarin
