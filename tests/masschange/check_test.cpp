// The option check: its order, its messages, and the texts it refuses.
#include <gtest/gtest.h>

#include <functional>

#include "enginehost.h"
#include "masschange/core/masschangeplan.h"

namespace kelvarin {
namespace {

std::string Bad(const char* edit) { return BadValueMessage(edit); }

// The whole check a run makes of the options.
std::string MassChangeOptsError(const MassChangeOpts& o, char sep, const std::string& openFile) {
  return MassChangeError(ParseMassChange(o, sep), openFile);
}

TEST(MassChangeCheck, ChecksRunInOrderAndStopAtTheFirstFailure) {
  test::TTempFolder dir;
  const std::string open = dir.Path("open.mob"), target = dir.Path("target.mob");
  test::WriteFileBytes(open, "x");
  test::WriteFileBytes(target, "x");

  // Every check fails at first; each step mends the one that is reported.
  MassChangeOpts o;
  o.MC_KR_Coords_PramouglCB = o.MC_KR_Coords_KrugCB = o.MC_AS_Params_OffsetCB = true;
  o.MC_KR_Param_PlayerNumberCB = o.MC_AS_Params_PlayerNumberCB = true;
  o.MC_KR_Param_PlayerNumberEd = o.MC_AS_Params_PlayerNumberEd = "1.5";
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_CopyRB = true;
  o.MC_AS_Obj_TargetMobEd = dir.Path("missing.mob");

  const std::pair<std::string, std::function<void()>> steps[] = {
      {Bad("MC_KR_Coords_Pramougl_X1Ed"), [&] { o.MC_KR_Coords_Pramougl_X1Ed = "0"; }},
      {Bad("MC_KR_Coords_Pramougl_Y1Ed"), [&] { o.MC_KR_Coords_Pramougl_Y1Ed = "-1"; }},
      {Bad("MC_KR_Coords_Pramougl_X2Ed"), [&] { o.MC_KR_Coords_Pramougl_X2Ed = ".5"; }},
      {Bad("MC_KR_Coords_Pramougl_Y2Ed"), [&] { o.MC_KR_Coords_Pramougl_Y2Ed = "5."; }},
      {Bad("MC_KR_Coords_Krug_XEd"), [&] { o.MC_KR_Coords_Krug_XEd = "1"; }},
      {Bad("MC_KR_Coords_Krug_YEd"), [&] { o.MC_KR_Coords_Krug_YEd = "1"; }},
      {Bad("MC_KR_Coords_Krug_RadEd"), [&] { o.MC_KR_Coords_Krug_RadEd = "1"; }},
      {Bad("MC_AS_Params_OffsetXEd"), [&] { o.MC_AS_Params_OffsetXEd = "1"; }},
      {Bad("MC_AS_Params_OffsetYEd"), [&] { o.MC_AS_Params_OffsetYEd = "1"; }},
      {Bad("MC_KR_Param_PlayerNumberEd"), [&] { o.MC_KR_Param_PlayerNumberEd = "-1"; }},
      {Bad("MC_AS_Params_PlayerNumberEd"), [&] { o.MC_AS_Params_PlayerNumberEd = "300"; }},
      {"Файл " + dir.Path("missing.mob") + " не существует!", [&] { o.MC_AS_Obj_TargetMobEd = open; }},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(MassChangeOptsError(o, '.', open), steps[i].first) << "step " << i;
    steps[i].second();
  }
  // Last, the target must not be the open file.
  EXPECT_NE(MassChangeOptsError(o, '.', open).find("тот же файл"), std::string::npos);
  o.MC_AS_Obj_TargetMobEd = target;
  EXPECT_EQ(MassChangeOptsError(o, '.', open), "");
  EXPECT_EQ(Bad("X"), "Таварищсч камандир, шож вы делаете то? Неправильно введено значение поля X");
}

TEST(MassChangeCheck, NumberTextsMustPassTheRuleAndCarryANumber) {
  struct Case {
    const char* text;
    char sep;
    bool passes;
  };
  const Case cases[] = {
      {"-12.5", '.', true}, {"-12,5", ',', true}, {"5.", '.', true},    {".5", '.', true},
      {"-.5", '.', true},   {"0", '.', true},     {"-12,5", '.', false}, {"1.5", ',', false},
      {"", '.', false},     {"-", '.', false},    {" 1", '.', false},   {"+1", '.', false},
      {"1e5", '.', false},  {"1.2.3", '.', false},
      // Pass the text rule but carry no number.
      {".", '.', false},    {"-.", '.', false},   {",", ',', false},    {"NAN", '.', false},
      {"1000000000000000000000000000000000000000", '.', false},
  };
  for (const auto& c : cases) {
    MassChangeOpts o;
    o.MC_AS_Params_OffsetCB = true;
    o.MC_AS_Params_OffsetXEd = c.text;
    o.MC_AS_Params_OffsetYEd = "0";
    EXPECT_EQ(MassChangeOptsError(o, c.sep, "open.mob").empty(), c.passes) << c.text << " sep " << c.sep;
  }
}

TEST(MassChangeCheck, IntegerTextsMustFitThirtyTwoBits) {
  for (const auto& [text, passes] :
       {std::pair{"2147483647", true}, {"-2147483648", true}, {"-1", true}, {"007", true},
        {"2147483648", false}, {"99999999999999999999", false}, {"1,5", false}, {"+1", false},
        {"", false}, {"-", false}}) {
    MassChangeOpts o;
    o.MC_KR_Param_PlayerNumberCB = true;
    o.MC_KR_Param_PlayerNumberEd = text;
    EXPECT_EQ(MassChangeOptsError(o, ',', "open.mob").empty(), passes) << text;
  }
}

TEST(MassChangeCheck, UntickedOptionsAreNotChecked) {
  MassChangeOpts o;
  o.MC_KR_Coords_Pramougl_X1Ed = "rubbish";
  o.MC_AS_Params_PlayerNumberEd = "rubbish";
  o.MC_AS_Obj_TargetMobEd = "/nonexistent/x.mob";  // only-parameters mode
  EXPECT_EQ(MassChangeOptsError(o, '.', "open.mob"), "");
  // A settings file with copy on beside the mode that wins asks for no target.
  o.MC_AS_Obj_CopyRB = true;
  EXPECT_EQ(MassChangeOptsError(o, '.', "open.mob"), "");
  o.MC_AS_Obj_CopyRB = false;
  // The offset is checked in delete mode as well, where its controls are disabled.
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_DelRB = true;
  o.MC_AS_Params_OffsetCB = true;
  EXPECT_EQ(MassChangeOptsError(o, '.', "open.mob"), Bad("MC_AS_Params_OffsetXEd"));
}

TEST(MassChangeCheck, LastTickedModeWins) {
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = false;
  EXPECT_EQ(ModeOf(o), MassChangeMode::None);
  o.MC_AS_Obj_DelRB = true;
  EXPECT_EQ(ModeOf(o), MassChangeMode::Delete);
  o.MC_AS_Obj_CopyRB = true;
  EXPECT_EQ(ModeOf(o), MassChangeMode::Copy);
  o.MC_AS_Obj_MoveRB = true;
  EXPECT_EQ(ModeOf(o), MassChangeMode::Move);
  o.MC_AS_Obj_OnlyParamsRB = true;
  EXPECT_EQ(ModeOf(o), MassChangeMode::OnlyParams);
}

}  // namespace
}  // namespace kelvarin
