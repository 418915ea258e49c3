// The kelvarin Python module beside the core it binds, in one run:
// - kelvarin.open of a zone of RECORDS records (200,000 by default) beside the
//   core's own full load of the same file (every record decoded, as the editor
//   loads), aim: at most 1.5 times;
// - zone.units.column("LoadX") of a zone of as many units beside building a Python
//   list of as many floats ([i * 0.5 for i in range(n)]), aim: at most 2 times;
// - a script run as the editor runs it (kelvarin.document over the open document,
//   one undoable step) that moves every record of the zone by 1 along X, beside
//   the mass-change engine's in-memory pass making the same change (an offset of
//   1 along X on every kind, recording what it changes for an undo), the two run
//   in turns, aim: at most 3 times.
// The Python half (bench_python.py) runs under the Python the module was built
// for, from the build tree.
//
//   ./dev.sh bench            (or build-release/bin/bench-python [RECORDS])
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <utility>
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
// before the next.
class TEditorScript {
 public:
  TEditorScript(const std::string& file, const std::string& script) : m_script(script) {
    const TScriptModuleLoad load = LoadScriptModule(ScriptModulePlace());
    if (!load.runner) {
      std::fprintf(stderr, "bench-python: %s\n", load.reason.c_str());
      return;
    }
    m_runner = load.runner;
    m_ready = m_session.Load(file);
  }
  bool Ready() const { return m_ready; }

  void Prepare() { m_session.Undo(); }
  // False when the script failed.
  bool Run() {
    auto step = std::make_unique<TScriptRunCommand>("bench", [&](TZoneJournal& journal) {
      TDocumentZoneOwner owner(m_session, m_session.Mob().ScriptText, journal);
      TScriptRunRequest request{m_script, &owner, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }};
      return m_runner->Run(request) == TScriptOutcome::Finished;
    });
    return m_session.Apply(std::move(step));
  }

 private:
  std::string m_script;
  TScriptRunner* m_runner = nullptr;
  TDocumentSession m_session;
  bool m_ready = false;
};

// The mass-change engine's pass over the same zone making the same change,
// recording it for an undo; each pass undone before the next.
class TMassChangePass {
 public:
  explicit TMassChangePass(const std::string& file) : m_parse(Parse()) {
    if (!m_parse.plan || !m_mob.LoadFile(file)) std::abort();
  }

  void Prepare() {
    if (m_edit) m_edit->Undo(m_mob);
    m_edit = std::make_unique<TRecordsEdit>();
  }
  void Run() { TMassChanger(*m_parse.plan, m_mob, nullptr, m_edit.get()).Run(); }

 private:
  static TMassChangeParse Parse() {
    MassChangeOpts o;
    o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
    o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = o.MC_KR_Type_Particle3CB = true;
    o.MC_AS_Params_OffsetCB = true;
    o.MC_AS_Params_OffsetXEd = "1";
    o.MC_AS_Params_OffsetYEd = "0";
    return ParseMassChange(o, '.');
  }

  TMassChangeParse m_parse;
  TMob m_mob;
  std::unique_ptr<TRecordsEdit> m_edit;
};

// The script and the pass, best of each, run in turns so that on a machine whose
// load comes and goes both see the same moments; the script's time is -1 when
// Python cannot be loaded or the script fails.
std::pair<double, double> ScriptAndPassMs(const std::string& file, const std::string& script) {
  TEditorScript run(file, script);
  TMassChangePass pass(file);
  if (!run.Ready()) return {-1, 0};
  double scriptMs = std::numeric_limits<double>::infinity(), passMs = scriptMs;
  bool failed = false;
  for (int i = 0; i < kRuns; ++i) {
    scriptMs = std::min(scriptMs, BestMs(1, [&] { run.Prepare(); }, [&] { failed |= !run.Run(); }));
    passMs = std::min(passMs, BestMs(1, [&] { pass.Prepare(); }, [&] { pass.Run(); }));
  }
  return {failed ? -1 : scriptMs, passMs};
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
  const auto [scriptMs, passMs] = ScriptAndPassMs(file, moveScript);
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
