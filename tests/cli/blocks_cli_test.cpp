// kelvarin-cli blocks: the table of a generated zone as text and as JSON.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/jsondoc.h"
#include "cliharness.h"
#include "mob/blocklayout.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/mobbytes.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

class BlocksCliTest : public test::CliHarness {
 protected:
  void SetUp() override {
    CliHarness::SetUp();
    m_path = Path("zone.mob");
    TMob mob;
    GenerateZone(mob, {.records = 80, .seed = 3});
    ASSERT_TRUE(mob.Save(m_path));
  }

  std::string m_path;
};

TEST_F(BlocksCliTest, JsonNamesEveryBlockWithItsPlace) {
  ASSERT_EQ(Run({"blocks", m_path, "--json"}), 0) << m_err.str();
  const Json json = Json::parse(m_out.str());
  EXPECT_EQ(json["fileSize"], fs::file_size(m_path));
  const Json& blocks = json["blocks"];
  ASSERT_EQ(blocks.size(), 6u);
  const char* kinds[] = {"flag", "unknown", "script", "unknown", "object", "tail"};
  std::uint64_t offset = 8;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i]["kind"], kinds[i]);
    EXPECT_EQ(blocks[i]["offset"], offset);
    offset += blocks[i]["size"].get<std::uint64_t>();
  }
  EXPECT_EQ(offset, json["fileSize"]);
  EXPECT_EQ(blocks[2]["typeHex"], "0xACCEECCB");
  EXPECT_EQ(blocks[2]["type"], 2899242187u);
  EXPECT_EQ(blocks[2]["number"], 3);
  EXPECT_TRUE(blocks[5]["number"].is_null());

  const Json& object = blocks[4];
  ASSERT_EQ(object["subBlocks"].size(), 8u);
  EXPECT_EQ(object["subBlocks"][3]["kind"], "traps");
  EXPECT_EQ(object["subBlocks"][3]["typeHex"], "0xBBAB0000");
  std::uint64_t counted = 0, bytes = 8;
  for (const Json& group : object["subBlocks"]) {
    counted += group["count"].get<std::uint64_t>();
    bytes += group["bytes"].get<std::uint64_t>();
  }
  EXPECT_EQ(counted, 80u);
  ASSERT_EQ(object["unknownSubBlocks"].size(), 2u);
  EXPECT_EQ(object["unknownSubBlocks"][0]["offset"], object["offset"].get<std::uint64_t>() + bytes);
  for (const Json& sub : object["unknownSubBlocks"]) bytes += sub["size"].get<std::uint64_t>();
  EXPECT_EQ(object["size"], bytes);
}

TEST_F(BlocksCliTest, AFileOutOfTheWritersOrderIsShownAsItIs) {
  // Objects before the script, an unknown block between, records of two kinds in
  // turn, one with a chunk the writer would drop, a tail.
  TTrapObjBlock trap;
  Bytes roomy = testing::Cat({testing::SubBlockOf(TObjectObjBlock{}), testing::Framed(0xEEEE, Bytes(6, 0))});
  StoreU32(roomy.data() + 4, std::uint32_t(roomy.size()));
  const Bytes file = testing::MobFile(
      {testing::ObjectBlock({testing::SubBlockOf(trap), roomy, testing::SubBlockOf(trap)}),
       testing::Framed(0x4444, Bytes(3, 1)), testing::ScriptBlock(0, "Script Main")},
      Bytes{1, 2});
  std::ofstream(Path("turned.mob"), std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  ASSERT_EQ(Run({"blocks", Path("turned.mob"), "--json"}), 0) << m_err.str();
  const Json json = Json::parse(m_out.str());
  EXPECT_EQ(json["fileSize"], file.size());
  std::vector<std::string> kinds;
  std::uint64_t offset = 8;
  for (const Json& block : json["blocks"]) {
    kinds.push_back(block["kind"]);
    EXPECT_EQ(block["offset"], offset);
    offset += block["size"].get<std::uint64_t>();
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"flag", "object", "unknown", "script", "tail"}));
  EXPECT_EQ(offset, file.size());
  const Json& runs = json["blocks"][1]["subBlocks"];
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1]["kind"], "objects");
  EXPECT_EQ(runs[1]["offset"], 24u + testing::SubBlockOf(trap).size());
  EXPECT_EQ(runs[1]["bytes"], roomy.size());
}

TEST_F(BlocksCliTest, TextTableAndRefusals) {
  ASSERT_EQ(Run({"blocks", m_path}), 0) << m_err.str();
  const std::string text = m_out.str();
  for (const char* part : {"flag block", "script block", "object block", "unknown block", "tail",
                           "0x0000B000 (45056)", "traps (", "particles3 (", "unknown sub-block", "0x12345678 (305419896)"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  EXPECT_NE(text.find("File size: " + std::to_string(fs::file_size(m_path))), std::string::npos);

  EXPECT_EQ(Run({"blocks", m_path + ".missing"}), 1);
  EXPECT_NE(m_err.str().find("Загрузить моб не удалось!"), std::string::npos);
  EXPECT_EQ(Run({"blocks"}), 2);
}

}  // namespace
}  // namespace kelvarin
