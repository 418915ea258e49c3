// The build fuzzer's property on the zones it starts from and on documents that
// stretch the JSON form: what builds, loads and builds back to the same bytes.
#include <gtest/gtest.h>

#include "buildroundtrip.h"
#include "cli/jsondoc.h"
#include "mob/generator.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

Json GeneratedJson(std::size_t records, std::uint64_t seed) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = seed, .scriptLines = 3});
  return MobToJson(mob);
}

TEST(BuildRoundTrip, HoldsForEveryShapeOfTheSeedCorpus) {
  for (std::size_t records : {0, 1, 8, 9, 30, 400})
    for (std::uint64_t seed : {1, 2, 3})
      EXPECT_EQ(BuildRoundTripFault(GeneratedJson(records, seed).dump()), "") << records << " " << seed;
}

TEST(BuildRoundTrip, HoldsForDocumentsThatStretchTheForm) {
  const Json sample = GeneratedJson(30, 5);
  struct Case {
    const char* name;
    std::function<void(Json&)> change;
  } cases[] = {
      {"huge block count", [](Json& j) { j["blockCount"] = 2147483647; }},
      {"unknown block far away",
       [](Json& j) {
         j["blockCount"] = 2147483647;
         j["unknownBlocks"].push_back({{"number", 2147483647}, {"data", "3412000008000000"}});
       }},
      {"unknown blocks out of order", [](Json& j) { std::swap(j["unknownBlocks"][0], j["unknownBlocks"][1]); }},
      {"no script, no objects",
       [](Json& j) {
         j["hasScript"] = false;
         j["hasObjects"] = false;
         for (const char* list : {"units", "objects", "levers", "traps", "flames", "particles1", "particles2",
                                  "particles3", "unknownObjectBlocks"})
           j[list] = Json::array();
       }},
      {"plain script", [](Json& j) { j["scriptKey"] = 0; }},
      {"special floats", [](Json& j) { j["units"][0]["LoadX"] = "NaN", j["units"][0]["LoadY"] = "-Infinity"; }},
  };
  for (const Case& c : cases) {
    Json json = sample;
    c.change(json);
    EXPECT_EQ(BuildRoundTripFault(json.dump()), "") << c.name;
  }
}

// build reads the records while it parses: refusals must still come in the order
// of the whole-tree read, a syntax error anywhere before any record's problem.
TEST(BuildRoundTrip, TheStreamedReadRefusesAsTheWholeTreeDoes) {
  const std::string sample = GeneratedJson(12, 7).dump();
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = sample;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  Json spoiled = Json::parse(sample);
  spoiled["units"][1].erase("Name1");
  spoiled["flames"][0]["SoundStr"] = 5;
  const std::string twoBadRecords = spoiled.dump();
  spoiled["mobKind"] = "Other";
  const std::string badKindAfterRecords = spoiled.dump();
  const std::string texts[] = {
      twoBadRecords,                                     // the first list's problem wins
      badKindAfterRecords,                               // a key checked before the lists wins
      twoBadRecords.substr(0, twoBadRecords.size() - 1),  // then the text ends too early
      twoBadRecords + " x",                              // or carries more than one value
      replaced("\"units\":[", "\"units\":[5,"),          // an item that is no object
      replaced("\"units\":[", "\"units\":{\"a\":[1]},\"x\":["),  // a list that is no array
      replaced("\"units\":[", "\"units\":[],\"units\":["),     // a repeated list key
      replaced("\"units\":[", "\"units\":[{}],\"units\":["),   // a refused list replaced
      replaced("\"levers\":[", "\"levers\":[[[[]]],"),     // nested arrays as an item
      replaced("\"traps\":[", "\"traps\":[" + std::string(70, '[') + std::string(70, ']') + ","),
      "[" + sample + "]",                                // a document that is no object
      "",
  };
  for (const std::string& text : texts) EXPECT_EQ(BuildRoundTripFault(text), "") << text.substr(0, 200);
}

TEST(BuildRoundTrip, HoldsForWhatTheFuzzerFound) {
  // A unit's raw chunk of another id: written, then stepped over when read back.
  Json json = GeneratedJson(30, 5);
  json["units"][0]["RawChunk"] = "0401bbbb140000000dc1bee66d8f63e8c5af0b1a";
  EXPECT_EQ(BuildRoundTripFault(json.dump()), "");
}

TEST(BuildRoundTrip, AZoneWithoutABlockIsRefusedNotWritten) {
  // Written, this was a 16-byte file that nothing loads.
  const char* text = R"({"mobKind":"ZonalMob","blockCount":2,"hasScript":false,"scriptKey":0,"scriptText":"",
    "hasObjects":false,"unknownBlocks":[],"units":[],"objects":[],"levers":[],"traps":[],"flames":[],
    "particles1":[],"particles2":[],"particles3":[],"unknownObjectBlocks":[],"tail":""})";
  EXPECT_EQ(BuildRoundTripFault(text), "");
  Json json;
  std::string error;
  ASSERT_TRUE(ParseJson(text, json, error));
  TMob mob;
  EXPECT_FALSE(JsonToMob(json, mob, error));
  EXPECT_EQ(error.rfind("document: no block would follow the flag block", 0), 0u) << error;
}

TEST(BuildRoundTrip, RefusedInputIsNoFault) {
  for (const char* text : {"", "{", "[]", "{\"mobKind\": 1e400}", "null", "{\"mobKind\": \"QuestMob\"}"})
    EXPECT_EQ(BuildRoundTripFault(text), "") << text;
}

}  // namespace
}  // namespace kelvarin
