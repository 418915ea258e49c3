// The kelvarin Python module beside the core it binds, in one run:
// - kelvarin.open of a zone of RECORDS records (200,000 by default) beside the
//   core's own full load of the same file (every record decoded, as the editor
//   loads), aim: at most 1.5 times;
// - zone.units.column("LoadX") of a zone of as many units beside building a Python
//   list of as many floats ([i * 0.5 for i in range(n)]), aim: at most 2 times;
// - a script run as the editor runs it (kelvarin.document over the open document,
//   one undoable step) that moves every record of the zone by 1 along X, beside
//   the mass-change engine's in-memory pass making the same change (an offset of
//   1 along X on every kind, recording what it changes for an undo), aim: at most
//   3 times.
// The Python half (bench_python.py) runs under the Python the module was built
// for, from the build tree.
//
//   ./dev.sh bench            (or build-release/bin/bench-python [RECORDS])
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/scriptmodule.h"
#include "document/recordsedit.h"
#include "document/documentsession.h"
#include "masschange/core/masschangeengine.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "python/documentscript.h"
#include "python/scriptrunmodule.h"
#include "benchutil.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

constexpr int kRuns = 5;

double CoreLoadMs(const std::string& file) {
  return BestMs(kRuns, [&] {
    TMob mob;
    if (!mob.LoadFile(file)) std::abort();
  });
}

// The script the editor runs: one field of every record, the plane X, a column at
// a time.
constexpr const char* kMoveScript = R"(import kelvarin
for kind in ("units", "objects", "levers", "traps", "flames", "particles1", "particles2", "particles3"):
    records = getattr(kelvarin.document, kind)
    field = "CoordX" if kind.startswith("particles") else "LoadX"
    records.set_column(field, [x + 1.0 for x in records.column(field)])
)";

// The script run on the open document as the editor runs it, each run undone
// before the next; -1 when Python cannot be loaded or the script fails.
double EditorScriptMs(const std::string& file, const std::string& script) {
  const TScriptModuleLoad load = LoadScriptModule(ScriptModulePlace());
  if (!load.runner) {
    std::fprintf(stderr, "bench-python: %s\n", load.reason.c_str());
    return -1;
  }
  TDocumentSession session;
  if (!session.Load(file)) return -1;
  bool failed = false;
  // Each run starts from the document as loaded: the one before is undone first.
  const double ms = BestMs(kRuns, [&] { session.Undo(); }, [&] {
    auto step = std::make_unique<TScriptRunCommand>("bench", [&](TZoneJournal& journal) {
      TDocumentZoneOwner owner(session, session.Mob().ScriptText, journal);
      TScriptRunRequest request{script, &owner, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }};
      return load.runner->Run(request) == TScriptOutcome::Finished;
    });
    failed |= !session.Apply(std::move(step));
  });
  return failed ? -1 : ms;
}

// The mass-change engine's pass over the same zone making the same change.
double MassChangePassMs(const std::string& file) {
  MassChangeOpts o;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
  o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = o.MC_KR_Type_Particle3CB = true;
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "1";
  o.MC_AS_Params_OffsetYEd = "0";
  const TMassChangeParse parse = ParseMassChange(o, '.');
  if (!parse.plan) std::abort();
  TMob mob;
  if (!mob.LoadFile(file)) std::abort();
  std::unique_ptr<TRecordsEdit> edit;
  return BestMs(
      kRuns, [&] { if (edit) edit->Undo(mob); edit = std::make_unique<TRecordsEdit>(); },
      [&] { TMassChanger(*parse.plan, mob, nullptr, edit.get()).Run(); });
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
  const fs::path dir = fs::temp_directory_path() / ("kelvarin-bench-python-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "zone.mob").string();
  const std::string unitsFile = (dir / "units.mob").string();
  {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = 3});
    if (!mob.SaveFile(file)) return 1;
    // The same number of units alone: the generated ones again and again, each
    // one moved a little so that no two carry the same values.
    std::vector<TUnitObjBlock> units = mob.Units;
    for (std::size_t i = 0; units.size() < records; ++i) {
      units.push_back(mob.Units[i % mob.Units.size()]);
      units.back().LoadX += float(i % 1000);
    }
    mob.ForEachList([](auto& list) { list.clear(); });
    mob.Units = std::move(units);
    if (!mob.SaveFile(unitsFile)) return 1;
  }
  const double coreBefore = CoreLoadMs(file);
  const std::string command = "PYTHONPATH='" KELVARIN_PYTHON_DIR "' '" KELVARIN_PYTHON "' '" KELVARIN_BENCH_SCRIPT
                              "' '" + file + "' '" + unitsFile + "' " + std::to_string(kRuns);
  FILE* python = popen(command.c_str(), "r");
  double openMs = 0, columnMs = 0, listMs = 0;
  std::size_t units = 0;
  const bool read = python && std::fscanf(python, "%lf %lf %lf %zu", &openMs, &columnMs, &listMs, &units) == 4;
  const int status = python ? pclose(python) : -1;
  const double coreMs = std::min(coreBefore, CoreLoadMs(file));
  const std::string moveScript = (dir / "move.py").string();
  std::FILE* out = std::fopen(moveScript.c_str(), "w");
  if (!out || std::fputs(kMoveScript, out) < 0 || std::fclose(out) != 0) return 1;
  const double scriptMs = EditorScriptMs(file, moveScript);
  const double passMs = MassChangePassMs(file);
  fs::remove_all(dir);
  if (!read || status != 0) {
    std::fprintf(stderr, "bench-python: the Python half failed: %s\n", command.c_str());
    return 1;
  }
  std::printf("Python module, %zu records (best of %d loads, of %d columns):\n", records, kRuns, 4 * kRuns);
  std::printf("  kelvarin.open          %9.2f ms  %5.2fx the core's full load (%.2f ms; aim <= 1.5x)\n", openMs,
              openMs / coreMs, coreMs);
  std::printf("  units.column(\"LoadX\")  %9.2f ms  %5.2fx a Python list of %zu floats (%.2f ms; aim <= 2x)\n",
              columnMs, columnMs / listMs, units, listMs);
  if (scriptMs < 0) return 1;
  std::printf("  script in the editor   %9.2f ms  %5.2fx the mass-change pass making the same change (%.2f ms; aim <= 3x)\n",
              scriptMs, scriptMs / passMs, passMs);
  return 0;
}
