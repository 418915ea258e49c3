// Mass-change runs through `kelvarin-cli masschange`, each beside the time to load
// and save the same zones measured in the same run:
//   - copying 100,000 records into a 100,000-record target whose identities all
//     clash, with "Заменять при совпадении ID" off (every copy needs a free identity);
//   - deleting all 200,000 units of a zone.
// The in-memory scan alone is shown as well.
//
//   ./dev.sh bench            (or build-release/bin/bench-masschange [RECORDS])
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "common/inifile.h"
#include "masschange/core/masschangeengine.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "benchutil.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

std::string ZoneBytes(std::size_t records, std::uint64_t seed) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = seed});
  Bytes image;
  if (!mob.BuildImage(image)) std::abort();
  return std::string(image.begin(), image.end());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

void LoadAndSave(const std::string& path) {
  TMob mob;
  if (!mob.Load(path) || !mob.Save(path, {.saveAttempts = 0})) std::abort();
}

std::string WriteOptions(const std::string& path, const MassChangeOpts& opts) {
  TIniFile ini(path);
  ini.WriteBool("Main", "MakeAutoBackups", false);
  WriteMassChangeOpts(ini, opts);
  std::string error;
  if (!ini.UpdateFile(error)) std::abort();
  return path;
}

void RunCommand(const std::string& file, const std::string& options) {
  const char* argv[] = {"kelvarin-cli", "masschange", file.c_str(), "--options", options.c_str()};
  std::ostringstream out, err;
  if (RunCli(5, argv, out, err) != 0) {
    std::fputs(err.str().c_str(), stderr);
    std::abort();
  }
}

void Report(const char* what, double runMs, double baselineMs) {
  std::printf("%-72s %9.1f ms   load+save %9.1f ms   ratio %5.2f\n", what, runMs, baselineMs,
              runMs / baselineMs);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
  const int runs = 3;
  const fs::path dir = fs::temp_directory_path() / "kelvarin-bench-masschange";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string src = (dir / "zone.mob").string(), tgt = (dir / "target.mob").string();

  // Copy: the same zone on both sides, so every identity clashes.
  {
    const std::string zone = ZoneBytes(records, 1);
    MassChangeOpts o;
    o.MC_AS_Obj_OnlyParamsRB = false;
    o.MC_AS_Obj_CopyRB = true;
    o.MC_AS_Obj_ReplaceCB = false;
    o.MC_AS_Obj_TargetMobEd = tgt;
    o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
    o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = true;
    o.MC_KR_Type_Particle3CB = true;
    const std::string options = WriteOptions((dir / "copy.ini").string(), o);
    const auto restore = [&] {
      WriteFile(src, zone);
      WriteFile(tgt, zone);
    };
    const double baseline = BestMs(runs, restore, [&] {
      LoadAndSave(src);
      LoadAndSave(tgt);
    });
    const double run = BestMs(runs, restore, [&] { RunCommand(src, options); });
    TMob check;
    if (!check.Load(tgt) || check.TotalRecordCount() < 2 * records - records / 40) std::abort();
    char what[160];
    std::snprintf(what, sizeof what, "copy %zu records into a %zu-record target, all identities clash",
                  records, records);
    Report(what, run, baseline);

    TMob source, target;
    const TMassChangePlan plan = *ParseMassChange(o, '.').plan;
    double scan = BestMs(runs, [&] {
      restore();
      source.Load(src);
      target.Load(tgt);
    }, [&] { TMassChanger(plan, source, &target).Run(); });
    std::printf("%-72s %9.1f ms\n", "  of which the scan and copies in memory", scan);
  }

  // Delete: a zone whose units number twice the record count (units are 40% of a zone).
  {
    const std::size_t units = 2 * records;
    const std::string zone = ZoneBytes(units * 100 / 40, 2);
    MassChangeOpts o;
    o.MC_AS_Obj_OnlyParamsRB = false;
    o.MC_AS_Obj_DelRB = true;
    o.MC_KR_Type_UnitCB = true;
    const std::string options = WriteOptions((dir / "delete.ini").string(), o);
    const auto restore = [&] { WriteFile(src, zone); };
    const double baseline = BestMs(runs, restore, [&] { LoadAndSave(src); });
    const double run = BestMs(runs, restore, [&] { RunCommand(src, options); });
    TMob check;
    if (!check.Load(src) || !check.Units.empty()) std::abort();
    char what[160];
    std::snprintf(what, sizeof what, "delete all %zu units of a %zu-record zone", units, units * 100 / 40);
    Report(what, run, baseline);

    TMob source;
    const TMassChangePlan plan = *ParseMassChange(o, '.').plan;
    double scan = BestMs(runs, [&] { WriteFile(src, zone); source.Load(src); },
                         [&] { TMassChanger(plan, source, nullptr).Run(); });
    std::printf("%-72s %9.1f ms\n", "  of which the scan in memory", scan);
  }

  fs::remove_all(dir);
  return 0;
}
