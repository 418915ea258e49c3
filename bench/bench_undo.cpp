// The record history's costs, each beside a baseline measured in the same run:
//   - undo and redo of a mass change over every record of a 200,000-record zone, and
//     of mass deletions, against the run's own change of the records in memory (the
//     scan that records the step, and the same scan recording nothing; the engine's
//     file work is part of neither);
//   - the memory one parameter-edit step holds in a 2,000- and a 200,000-record
//     zone, as the step reports it and as the allocator sees it.
//
//   ./dev.sh bench            (or build-release/bin/bench-undo [RECORDS])
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "benchutil.h"
#include "document/recordcommands.h"
#include "document/recordsedit.h"
#include "masschange/core/masschangeengine.h"
#include "mob/generator.h"
#include "mob/tmob.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;
using kelvarin::bench::Ms;

namespace {

// Every kind, every record: renamed, texture and player changed, moved by an offset.
MassChangeOpts ChangeEverything() {
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = true;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
  o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = true;
  o.MC_KR_Type_Particle3CB = true;
  o.MC_AS_Params_Name2CB = true;
  o.MC_AS_Params_Name2Ed = "renamed_by_a_mass_change";
  o.MC_AS_Params_FirstTextureCB = true;
  o.MC_AS_Params_FirstTextureEd = "stone_wall_texture_02";
  o.MC_AS_Params_PlayerNumberCB = true;
  o.MC_AS_Params_PlayerNumberEd = "3";
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "10.5";
  o.MC_AS_Params_OffsetYEd = "-4.25";
  return o;
}

// Units, traps and type-2 particles: all of them, or those in the zone's west half
// (the records that stay then have to close up, and an undo to make room again).
MassChangeOpts DeleteUnits(bool westHalf) {
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_DelRB = true;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_TrapCB = o.MC_KR_Type_Particle2CB = true;
  if (westHalf) {
    o.MC_KR_Coords_PramouglCB = true;
    o.MC_KR_Coords_Pramougl_X1Ed = "-10000";
    o.MC_KR_Coords_Pramougl_Y1Ed = "10000";
    o.MC_KR_Coords_Pramougl_X2Ed = "0";
    o.MC_KR_Coords_Pramougl_Y2Ed = "-10000";
  }
  return o;
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void UndoRedo(const char* title, const MassChangeOpts& opts, std::size_t records, int runs) {
  const TGenerateOptions zone{.records = records, .seed = 9, .scriptLines = 10};
  TMob mob;
  GenerateZone(mob, zone);
  std::printf("%s, %zu records\n", title, mob.TotalRecordCount());
  // Each round: the run's change (recorded, as the editor makes it), its undo, its
  // redo, and an undo that leaves the zone as it was for the next round.
  double run = 1e300, undo = 1e300, redo = 1e300;
  const TMassChangePlan plan = *ParseMassChange(opts, '.').plan;
  for (int i = 0; i < runs; ++i) {
    TRecordsEditCommand step([&](TMob& m, TRecordsEdit& edit) {
      TMassChanger(plan, m, nullptr, &edit).Run();
      return std::string("mass change");
    });
    run = std::min(run, Ms([&] { step.Redo(mob); }));
    if (i == 0) std::printf("  the step holds %.1f MB\n", double(step.MemorySize()) / (1 << 20));
    undo = std::min(undo, Ms([&] { step.Undo(mob); }));
    redo = std::min(redo, Ms([&] { step.Redo(mob); }));
    step.Undo(mob);
  }
  // The same change with nothing recorded, as the engine made it before undo.
  TMob fresh;
  const double plain = BestMs(runs, [&] { GenerateZone(fresh, zone); },
                              [&] { TMassChanger(plan, fresh, nullptr).Run(); });
  std::printf("  %-44s %9.1f ms\n", "the run's change in memory, recorded", run);
  std::printf("  %-44s %9.1f ms\n", "the same change, nothing recorded", plain);
  std::printf("  %-44s %9.1f ms   ratio to the run %5.2f   to the unrecorded run %5.2f\n", "undo", undo,
              undo / run, undo / plain);
  std::printf("  %-44s %9.1f ms   ratio to the run %5.2f   to the unrecorded run %5.2f\n", "redo", redo,
              redo / run, redo / plain);
}

// One parameter edit of the first unit's LoadX, as the parameter table makes it.
void EditStepMemory(std::size_t records, std::size_t& reported, std::size_t& measured) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = 4, .scriptLines = 10});
  const TObjRef ref{ObjKind::Unit, 0};
  const std::size_t before = HeapInUse();
  auto step = TFieldEditCommand::Set(mob, ref, "LoadX", 12.5f, FieldEditCaption("LoadX", "12.5"));
  step->Redo(mob);
  measured = HeapInUse() - before;
  reported = step->MemorySize();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200000;
  const int runs = 5;
  UndoRedo("Mass change of every record", ChangeEverything(), records, runs);
  UndoRedo("Mass delete of all units, traps and type-2 particles", DeleteUnits(false), records, runs);
  UndoRedo("Mass delete of the units, traps and type-2 particles in the west half", DeleteUnits(true), records,
           runs);

  std::size_t smallReported = 0, smallMeasured = 0, largeReported = 0, largeMeasured = 0;
  EditStepMemory(2000, smallReported, smallMeasured);
  EditStepMemory(records, largeReported, largeMeasured);
  std::printf("One parameter-edit step (LoadX = 12.5)\n");
  std::printf("  %-44s %6zu bytes reported, %6zu allocated\n", "in a 2,000-record zone", smallReported,
              smallMeasured);
  std::printf("  %-44s %6zu bytes reported, %6zu allocated   ratio %4.2f (reported %4.2f)\n",
              "in the large zone", largeReported, largeMeasured,
              double(largeMeasured) / double(std::max<std::size_t>(smallMeasured, 1)),
              double(largeReported) / double(smallReported));
  return 0;
}
