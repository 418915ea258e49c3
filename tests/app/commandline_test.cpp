#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/commandline.h"

namespace kelvarin {
namespace {

using TAction = TCommandLine::TAction;

TEST(CommandLine, HelpAndVersionWinWhereverTheyStand) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"zone.mob", "-h"}, {"--bogus", "--help"}})
    EXPECT_EQ(ParseCommandLine(args).Action, TAction::Help) << args.front();
  EXPECT_EQ(ParseCommandLine({"--version"}).Action, TAction::Version);
  EXPECT_EQ(ParseCommandLine({"zone.mob", "--version"}).Action, TAction::Version);
}

TEST(CommandLine, EveryOtherDashArgumentIsRefusedAndNamed) {
  for (const std::string arg : {"-", "--", "-x", "--versio", "-help", "--help=1", "-platform"}) {
    const TCommandLine line = ParseCommandLine({"zone.mob", arg});
    EXPECT_EQ(line.Action, TAction::Refuse) << arg;
    EXPECT_NE(line.Problem.find('"' + arg + '"'), std::string::npos) << line.Problem;
  }
}

TEST(CommandLine, TheFirstArgumentIsTheFileAndTheRestAreIgnored) {
  EXPECT_FALSE(ParseCommandLine({}).StartupFile.has_value());
  EXPECT_EQ(ParseCommandLine({"zone.mob"}).StartupFile, "zone.mob");
  EXPECT_EQ(ParseCommandLine({"a.mob", "b.mob"}).StartupFile, "a.mob");
  // A name starting with "-" is given with its folder.
  EXPECT_EQ(ParseCommandLine({"./-odd.mob"}).StartupFile, "./-odd.mob");
  // An empty first argument is still the first argument: it is opened (and not found),
  // not replaced by the second.
  EXPECT_EQ(ParseCommandLine({"", "b.mob"}).StartupFile, "");
  EXPECT_EQ(ParseCommandLine({"zone.mob"}).Action, TAction::Run);
}

TEST(CommandLine, TheUsageNamesTheProgramAndEveryOption) {
  const std::string usage = UsageText("kelvarin");
  EXPECT_TRUE(usage.starts_with("Использование: kelvarin [ФАЙЛ.mob]\n"));
  for (const char* option : {"-h, --help", "--version", "./-"}) EXPECT_NE(usage.find(option), std::string::npos);
  EXPECT_EQ(VersionText(), "Kelvarin 0.3.7.20\n");
}

}  // namespace
}  // namespace kelvarin
