// Several records at once, each beside a baseline measured in the same run:
//   - 50,000 units selected together: the table's shared rows worked out and one
//     common field committed as one step of the history, against the mass-change
//     engine's in-memory pass making the same change (PlayerNumber = 3 on every
//     unit); the longer of the two window-thread pieces is the longest stall;
//   - 5,000 records copied and pasted into a second document (both clipboard
//     forms written, the file form read back, free identities, one step), against
//     `kelvarin-cli dump` and `build` of a zone of those records.
//
//   build/bin/bench-multiselect [RECORDS]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "benchutil.h"
#include "cli/cli.h"
#include "cli/jsondoc.h"
#include "document/recordset.h"
#include "document/documentsession.h"
#include "document/recordcommands.h"
#include "masschange/core/masschangeengine.h"
#include "masschange/core/masschangeplan.h"
#include "mob/generator.h"
#include "objects/core/objectparams.h"
#include "objects/core/sharedparams.h"

namespace fs = std::filesystem;
using namespace kelvarin;
using kelvarin::bench::BestMs;
using kelvarin::bench::Ms;

namespace {

void Report(const char* what, double ms, double baseline) {
  std::printf("%-64s %9.1f ms  %5.2fx the baseline (%.1f ms)\n", what, ms, ms / baseline, baseline);
}

int Cli(std::initializer_list<const char*> args, std::ostream& out) {
  std::vector<const char*> argv(args);
  std::ostringstream err;
  return RunCli(int(argv.size()), argv.data(), out, err);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t selected = argc > 1 ? std::size_t(std::atol(argv[1])) : 50'000;
  const int runs = 5;

  // ---- a common field of many records
  {
    TDocumentSession session;
    GenerateZone(session.Mob(), {.records = selected * 100 / 40, .seed = 3});
    session.Adopt("zone.mob");
    std::vector<TObjRef> refs;
    for (std::size_t i = 0; i < session.Mob().Units.size() && refs.size() < selected; ++i)
      refs.push_back({ObjKind::Unit, i});

    MassChangeOpts o;
    o.MC_KR_Type_UnitCB = true;
    o.MC_AS_Params_PlayerNumberCB = true;
    o.MC_AS_Params_PlayerNumberEd = "3";
    const TMassChangePlan plan = *ParseMassChange(o, '.').plan;
    std::uint8_t value = 0;
    // Each run changes the field: another value than the last.
    const auto reset = [&] {
      for (auto& unit : session.Mob().Units) unit.PlayerNumber = ++value % 2;
    };
    // In turns, each from a fresh value: on a machine whose load comes and goes,
    // the engine and the window see the same moments.
    double engine = 1e9, total = 1e9, rowsMs = 1e9, commitMs = 1e9;
    for (int run = 0; run < 2 * runs; ++run) {  // a few milliseconds each
      reset();
      engine = std::min(engine, Ms([&] { TMassChanger(plan, session.Mob(), nullptr).Run(); }));
      reset();
      // As the objects page does it: the selection grouped once as it is shown,
      // then the typed text checked per kind and the step made and applied.
      TRecordGroups groups;
      const double rows = Ms([&] {
        groups = GroupRecords(session.Mob(), refs);
        SharedParamRows(session.Mob(), groups, '.');
      });
      const double commit = Ms([&] {
        const TSharedValue v = SharedParamValue(session.Mob(), groups, "PlayerNumber", "3", '.');
        const std::string caption = FieldEditCaption("PlayerNumber", ValueDisplayText(*v.values[0], '.')) + " (" +
                                    RecordCountText(refs.size()) + ")";
        if (!session.Apply(SetFieldStep(session.Mob(), groups, "PlayerNumber", v.values, caption))) std::abort();
      });
      total = std::min(total, rows + commit), rowsMs = std::min(rowsMs, rows), commitMs = std::min(commitMs, commit);
    }
    char what[128];
    std::snprintf(what, sizeof what, "%zu units: shared rows + one common field as one step", refs.size());
    Report(what, total, engine);
    std::printf("  longest window-thread piece: %.1f ms (rows %.1f, commit %.1f)\n", std::max(rowsMs, commitMs), rowsMs,
                commitMs);
  }

  // ---- copy and paste between two documents
  {
    const std::size_t count = 5'000;
    TMob source;
    GenerateZone(source, {.records = count, .seed = 4});
    TDocumentSession target;
    GenerateZone(target.Mob(), {.records = count, .seed = 4});  // every identity clashes
    target.Adopt("target.mob");
    std::vector<TObjRef> refs;
    source.ForEachRecord([&](const auto& record, std::size_t index) {
      refs.push_back({std::decay_t<decltype(record)>::Kind, index});
    });

    const fs::path dir = fs::temp_directory_path() / ("bench-multiselect-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string mob = (dir / "records.mob").string(), json = (dir / "records.json").string(),
                      out = (dir / "built.mob").string();
    Bytes image;
    if (!source.BuildImage(image)) std::abort();
    std::ofstream(mob, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    const double cli = BestMs(runs, [&] {
      std::ofstream dumped(json, std::ios::binary | std::ios::trunc);
      if (Cli({"kelvarin-cli", "dump", mob.c_str()}, dumped) != 0) std::abort();
      dumped.close();
      std::ostringstream none;
      if (Cli({"kelvarin-cli", "build", json.c_str(), out.c_str()}, none) != 0) std::abort();
    });
    // Each paste starts from the target as it was.
    const double paste = BestMs(runs, [&] { if (target.CanUndo()) target.Undo(); }, [&] {
      // Copy: both forms, as the clipboard gets them.
      const auto batch = CopyRecords(source, refs);
      const Bytes form = RecordsFileForm(*batch);
      const std::string text = RecordsToJson(*batch).dump(1);
      // Paste: the file form read back, free identities, one step.
      auto pasted = std::make_unique<TMob>();
      if (!ReadRecordsFileForm(form, *pasted) || !GiveFreeIdentities(target.Mob(), *pasted, false)) std::abort();
      if (!target.Apply(AppendRecordsStep(std::move(pasted), "paste"))) std::abort();
    });
    Report("5,000 records copied and pasted into a second document", paste, cli);
    fs::remove_all(dir);
  }
  return 0;
}
