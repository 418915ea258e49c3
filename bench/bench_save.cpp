// The editor document's save of a large zone with 1% of its records changed
// through the session's steps (moved, deleted and duplicated), beside floors
// measured in the same run on the same file:
//   save (MakeAutoBackups off)   beside  dd if=ZONE of=OUT bs=16M conv=fsync
//   the same save, every record written anew (no origins: the writer of old)
//   automatic backup's copy      beside  cp ZONE OUT; sync OUT   (both flushed)
// Each figure is the minimum and the median of several runs taken in turns; the
// dirty pages of the last run go to disk first, untimed.
//
//   build-release/bin/bench-save [RUNS [ZONE.mob]]
//
// Without a zone, generated zones of 200,000 and 2,000,000 records are measured;
// with ZONE.mob that zone only (its copy is saved, the file stays as it is).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "benchprocess.h"
#include "document/documentsession.h"
#include "document/movecommand.h"
#include "document/recordset.h"
#include "mob/backupcopy.h"
#include "mob/generator.h"
#include "mob/recordorigins.h"
#include "mob/tmob.h"

using namespace kelvarin;
namespace fs = std::filesystem;

namespace {

double TimedMs(const std::function<bool()>& f, bool& ok) {
  ::sync();
  const auto t0 = std::chrono::steady_clock::now();
  ok = f() && ok;
  const auto t1 = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

struct Series {
  std::vector<double> ms;
  double Min() const { return *std::min_element(ms.begin(), ms.end()); }
  double Median() const { return bench::Median(ms); }
};

// Every hundredth record of the document: half moved, a quarter deleted, a
// quarter duplicated, as three steps of the session.
void ChangeOnePercent(TDocumentSession& session) {
  std::vector<TObjRef> move, remove, duplicate;
  std::size_t n = 0;
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 50; i < session.Mob().Count(kind); i += 100) {
      const TObjRef ref{kind, i};
      (n % 4 < 2 ? move : n % 4 == 2 ? remove : duplicate).push_back(ref);
      ++n;
    }
  session.Apply(MoveRecordsStep(session.Mob(), move, 1.5, -2.0, "move"));
  session.Apply(AppendRecordsStep(CopyRecords(session.Mob(), duplicate), "duplicate"));
  session.Apply(DeleteRecordsStep(session.Mob(), remove, "delete"));
}

bool Measure(const std::string& zone, int runs) {
  const std::string folder = fs::path(zone).parent_path().string();
  const std::string saved = folder + "/saved.mob", ddOut = folder + "/dd.mob", cpOut = folder + "/cp.mob";
  fs::copy_file(zone, saved, fs::copy_options::overwrite_existing);
  const TSessionOptions options{.UseThreads = false, .MakeAutoBackups = false};
  TDocumentSession session, plain;
  session.SetOptions(options);
  plain.SetOptions(options);
  session.Mob().KeepsOrigins = true;
  if (!session.Load(saved) || !session.Mob().Origins() || !plain.Load(zone)) {
    std::printf("  could not load %s with its origins\n", zone.c_str());
    return false;
  }
  ChangeOnePercent(session);
  ChangeOnePercent(plain);
  const std::size_t records = session.Mob().TotalRecordCount();
  const std::uint64_t bytes = fs::file_size(zone);

  Series dd, save, anew, cp, backup;
  bool ok = true;
  for (int run = 0; run < runs; ++run) {
    fs::remove(ddOut);
    dd.ms.push_back(bench::Run({"dd", "if=" + zone, "of=" + ddOut, "bs=16M", "conv=fsync", "status=none"}).ms);
    save.ms.push_back(TimedMs([&] { return session.Save(saved); }, ok));
    fs::remove(ddOut);
    anew.ms.push_back(TimedMs([&] { return plain.Save(ddOut); }, ok));
    fs::remove(cpOut);
    cp.ms.push_back(bench::Run({"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", saved, cpOut}).ms);
    fs::remove(AutoBackupPath(saved));
    backup.ms.push_back(TimedMs([&] { return CopyToBackup(saved, AutoBackupPath(saved), true).ok; }, ok));
  }
  std::printf("zone of %zu records, %.0f MB, 1%% changed; %d runs, min / median\n", records, double(bytes) / 1e6, runs);
  const auto row = [](const char* what, const Series& s, const char* floorName, const Series& floor) {
    std::printf("  %-34s %8.0f / %8.0f ms  = %5.2fx / %5.2fx  %s (%.0f / %.0f ms)\n", what, s.Min(), s.Median(),
                s.Min() / floor.Min(), s.Median() / floor.Median(), floorName, floor.Min(), floor.Median());
  };
  row("save, unchanged records copied", save, "dd bs=16M conv=fsync", dd);
  row("save, every record written anew", anew, "dd bs=16M conv=fsync", dd);
  row("automatic backup's copy", backup, "cp + sync", cp);
  if (!ok) std::printf("  A SAVE OR COPY FAILED\n");
  for (const std::string& path : {saved, ddOut, cpOut, AutoBackupPath(saved)}) fs::remove(path);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::stoi(argv[1]) : 5;
  const fs::path folder = fs::temp_directory_path() / ("kelvarin-bench-save-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  bool ok = true;
  if (argc > 2) {
    const std::string zone = (folder / "zone.mob").string();
    fs::copy_file(argv[2], zone);
    ok = Measure(zone, runs);
  } else {
    for (const std::size_t records : {std::size_t(200000), std::size_t(2000000)}) {
      const std::string zone = (folder / "zone.mob").string();
      TMob mob;
      GenerateZone(mob, {.records = records, .seed = 7});
      if (!mob.SaveFile(zone)) return 1;
      ok = Measure(zone, runs) && ok;
      fs::remove(zone);
    }
  }
  fs::remove_all(folder);
  return ok ? 0 : 1;
}
