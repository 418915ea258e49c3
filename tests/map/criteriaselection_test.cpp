// The map's preview of a mass change against the engine itself: on generated
// zones with awkwardly placed records and random criteria, the records the preview
// selects are those the engine's matching selects, and their counts per kind are
// what a run reports.
#include <gtest/gtest.h>

#include <random>

#include "map/core/areafields.h"
#include "map/core/criteriaselection.h"
#include "masschange/core/masschangeengine.h"
#include "masschange/core/masschangeplan.h"
#include "mapzones.h"

namespace kelvarin {
namespace {

// The criteria the options state; they must read.
TSelectionCriteria Criteria(const MassChangeOpts& opts, char sep) {
  TCriteriaReading reading = ParseCriteria(opts, sep);
  EXPECT_TRUE(reading.criteria) << reading.error;
  return reading.criteria.value_or(TSelectionCriteria{});
}

// Every record of the ticked kinds asked one by one, as a run's scan asks.
std::vector<TObjRef> EngineSelection(TMob& mob, const MassChangeOpts& opts, char sep) {
  const TMassChanger engine(*ParseMassChange(opts, sep).plan, mob, nullptr);
  const TKindMask kinds = TickedKinds(Criteria(opts, sep));
  std::vector<TObjRef> refs;
  for (ObjKind kind : kAllObjKinds)
    if (kinds.Has(kind))
      for (std::size_t i = 0; i < mob.Count(kind); ++i)
        if (engine.MatchesCriteria(kind, i)) refs.push_back({kind, i});
  return refs;
}

std::string Text(double v, char sep) {
  std::string s = std::to_string(v);
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  for (char& c : s)
    if (c == '.') c = sep;
  return s;
}

MassChangeOpts RandomCriteria(std::mt19937_64& rng, char sep) {
  std::uniform_int_distribution<int> coin(0, 1), die(0, 5), grid(-30, 30);
  std::uniform_real_distribution<double> place(-600, 600);
  MassChangeOpts o;
  o.MC_KR_Type_UnitCB = coin(rng);
  o.MC_KR_Type_ObjectCB = coin(rng);
  o.MC_KR_Type_LeverCB = coin(rng);
  o.MC_KR_Type_TrapCB = coin(rng);
  o.MC_KR_Type_FlameCB = coin(rng);
  o.MC_KR_Type_Particle1CB = coin(rng);
  o.MC_KR_Type_Particle2CB = coin(rng);
  o.MC_KR_Type_Particle3CB = coin(rng);
  // Values on the grid of 10 land exactly on records' coordinates.
  const auto bound = [&] { return die(rng) < 3 ? Text(grid(rng) * 10, sep) : Text(place(rng), sep); };
  if (die(rng) < 4) {
    PutArea(o, TRectangleFieldTexts{bound(), bound(), bound(), bound()});
    if (die(rng) == 0) o.MC_KR_Coords_Pramougl_Y1Ed = "-1e40";  // not a number: no preview
  }
  if (die(rng) < 3) PutArea(o, TCircleFieldTexts{bound(), bound(), Text(std::abs(place(rng)) / (1 + die(rng) * 4), sep)});
  if (die(rng) == 0) {
    o.MC_KR_Param_PlayerNumberCB = true;
    o.MC_KR_Param_PlayerNumberEd = std::to_string(die(rng));
  }
  if (die(rng) == 0) {
    o.MC_KR_Param_Name2CB = true;
    o.MC_KR_Param_Name2Ed = "";
  }
  return o;
}

TEST(CriteriaSelection, SelectsExactlyWhatTheEngineSelects) {
  int previews = 0, selectedSomething = 0;
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    TMob mob;
    test::Zone(mob, 2500, seed);
    test::ScatterAwkwardly(mob, seed);
    TZoneIndex index;
    index.Build(mob);
    std::mt19937_64 rng(seed);
    for (int round = 0; round < 40; ++round) {
      const char sep = round % 2 ? ',' : '.';
      const MassChangeOpts opts = RandomCriteria(rng, sep);
      if (!ParseCriteria(opts, sep).criteria) continue;
      ++previews;
      const TCriteriaSelection preview = SelectByCriteria(mob, index, Criteria(opts, sep));
      const std::vector<TObjRef> engine = EngineSelection(mob, opts, sep);
      ASSERT_EQ(preview.records, engine) << "seed " << seed << " round " << round;
      std::size_t sum = 0;
      for (std::size_t n : preview.selected) sum += n;
      EXPECT_EQ(sum, engine.size());
      selectedSomething += engine.empty() ? 0 : 1;
    }
  }
  // The criteria were neither all refused nor all empty.
  EXPECT_GT(previews, 300);
  EXPECT_GT(selectedSomething, 100);
}

TEST(CriteriaSelection, CountsAreTheRunsCounts) {
  TMob mob;
  test::Zone(mob, 4000, 21);
  test::ScatterAwkwardly(mob, 21);
  TZoneIndex index;
  index.Build(mob);
  MassChangeOpts opts;
  opts.MC_KR_Type_UnitCB = opts.MC_KR_Type_FlameCB = opts.MC_KR_Type_Particle3CB = true;
  PutArea(opts, TRectangleFieldTexts{"-200", "350", "320", "-50"});
  PutArea(opts, TCircleFieldTexts{"100", "100", "400"});
  const TCriteriaSelection preview = SelectByCriteria(mob, index, Criteria(opts, '.'));
  ASSERT_GT(preview.Total(), 0u);
  TMassChanger run(*ParseMassChange(opts, '.').plan, mob, nullptr);
  run.Run();
  EXPECT_EQ(preview.selected, run.Counts().selected);
}

TEST(CriteriaSelection, OnlyTheCriteriaAreCheckedForAPreview) {
  MassChangeOpts opts;
  opts.MC_KR_Type_UnitCB = true;
  // Actions the run would refuse do not stop a preview.
  opts.MC_AS_Obj_CopyRB = true;
  opts.MC_AS_Obj_OnlyParamsRB = false;
  opts.MC_AS_Obj_TargetMobEd = "/nowhere/target.mob";
  opts.MC_AS_Params_OffsetCB = true;
  opts.MC_AS_Params_OffsetXEd = "x";
  EXPECT_EQ(ParseCriteria(opts, ',').error, "");
  PutArea(opts, TRectangleFieldTexts{"1,5", "2", "3", "-"});
  EXPECT_NE(ParseCriteria(opts, ',').error.find("MC_KR_Coords_Pramougl_Y2Ed"), std::string::npos);
  opts.MC_KR_Coords_PramouglCB = false;
  opts.MC_KR_Param_PlayerNumberCB = true;
  opts.MC_KR_Param_PlayerNumberEd = "1,5";
  EXPECT_NE(ParseCriteria(opts, ',').error.find("MC_KR_Param_PlayerNumberEd"), std::string::npos);
  opts.MC_KR_Param_PlayerNumberEd = "3";
  PutArea(opts, TCircleFieldTexts{"1.5", "0", "2"});  // a point where the locale has a comma
  EXPECT_NE(ParseCriteria(opts, ',').error.find("MC_KR_Coords_Krug_XEd"), std::string::npos);
}

}  // namespace
}  // namespace kelvarin
