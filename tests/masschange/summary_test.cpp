// What a run counts and the summary line that reports it.
#include <gtest/gtest.h>

#include "enginehost.h"

namespace kelvarin {
namespace {

using test::Common;
using test::Particle;
using test::Unit;

TEST(MassChangeSummary, LineLeavesOutZeroCountsAndNamesParticleKinds) {
  struct Case {
    TMassChangeCounts counts;
    std::string line;
  };
  const auto selected = [](std::array<std::size_t, kObjKindCount> perKind) {
    TMassChangeCounts c;
    c.selected = perKind;
    return c;
  };
  TMassChangeCounts everything = selected({1, 2, 3, 4, 5, 6, 7, 8});
  everything.changed = 9;
  everything.deleted = 10;
  everything.copied = 11;
  everything.replacedInTarget = 12;
  TMassChangeCounts moved = selected({0, 150, 0, 0, 0, 0, 0, 0});
  moved.deleted = moved.copied = moved.replacedInTarget = 150;
  const Case cases[] = {
      {TMassChangeCounts{}, "Итог: под критерии не попал ни один объект."},
      {everything,
       "Итог: отобрано 36 (юнитов 1, объектов 2, рычагов 3, ловушек 4, флеймов 5, партиклов 1-го типа 6, 2-го 7, "
       "3-го 8); изменено 9, удалено 10, скопировано 11, заменено в целевом мобе 12."},
      {moved, "Итог: отобрано 150 (объектов 150); удалено 150, скопировано 150, заменено в целевом мобе 150."},
      // Selected but untouched (no change ticked): the selection alone.
      {selected({2, 0, 0, 0, 0, 0, 0, 0}), "Итог: отобрано 2 (юнитов 2)."},
      // "2-го" alone would not say of what.
      {selected({0, 0, 0, 0, 0, 0, 3, 1}), "Итог: отобрано 4 (партиклов 2-го типа 3, 3-го 1)."},
      {selected({0, 0, 0, 0, 0, 0, 0, 1}), "Итог: отобрано 1 (партиклов 3-го типа 1)."},
  };
  for (const Case& c : cases) EXPECT_EQ(MassChangeSummaryLine(c.counts), c.line);
}

TEST(MassChangeSummary, ChangedCountsOnlyRecordsThatTookANewValue) {
  TMob source;
  source.Units = {Unit(1), Unit(2), Unit(3)};
  source.Units[0].Name2 = "done";
  source.Particles1 = {Particle<TParticle1ObjBlock>(4)};
  MassChangeOpts o;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_Particle1CB = true;
  o.MC_AS_Params_Name2CB = true;
  o.MC_AS_Params_Name2Ed = "done";
  // PlayerNumber does not apply to particles; the offset of zero moves nothing.
  o.MC_AS_Params_PlayerNumberCB = true;
  o.MC_AS_Params_PlayerNumberEd = "0";
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = o.MC_AS_Params_OffsetYEd = "0";
  source.Particles1[0].NameStr = "done";
  TMassChanger changer(test::Plan(o, '.'), source, nullptr);
  changer.Run();
  EXPECT_EQ(changer.Counts().Selected(), 4u);
  EXPECT_EQ(changer.Counts().changed, 2u);  // units 2 and 3 were renamed
  EXPECT_EQ(changer.Counts().deleted, 0u);
}

TEST(MassChangeSummary, CriteriaThatSelectNothingCountNothing) {
  TMob source;
  source.Units = {Unit(1, 10, 10)};
  source.Levers = {Common<TLeverObjBlock>(2, 10, 10)};
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_DelRB = true;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_LeverCB = true;
  o.MC_KR_Coords_KrugCB = true;
  o.MC_KR_Coords_Krug_XEd = o.MC_KR_Coords_Krug_YEd = "0";
  o.MC_KR_Coords_Krug_RadEd = "1";
  TMassChanger changer(test::Plan(o, '.'), source, nullptr);
  changer.Run();
  EXPECT_EQ(changer.Counts(), TMassChangeCounts{});
  EXPECT_EQ(source.Units.size(), 1u);
}

}  // namespace
}  // namespace kelvarin
