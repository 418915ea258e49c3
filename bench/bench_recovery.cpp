// The recovery journal's costs on a large zone, each beside a baseline of the same
// run:
//   - the longest time the window thread spends on the journal (noting a step in
//     the journal's form, handing the gathered changes to the writer) while 1,000
//     parameter edits are made, then a mass deletion of half the records, then 1,000
//     edits more, the writer bringing the journal to disk meanwhile; against the
//     100 ms the window may stop, and against the longest step itself;
//   - the writer's time for one journal against a plain write of as many bytes with
//     the same flush (the floor);
//   - the journal's size after the first 1,000 edits, against 1 MB.
//
//   build-release/bin/bench-recovery [RECORDS [ZONE.mob]]   (default 2000000)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "benchutil.h"
#include "document/recordcommands.h"
#include "document/documentsession.h"
#include "mob/generator.h"
#include "recovery/core/journalstore.h"
#include "recovery/core/recorder.h"

using namespace kelvarin;
using kelvarin::bench::Ms;

namespace {

struct TWindowTimes {
  double journal = 0;  // longest journal work of one call
  double step = 0;     // longest step (its own change, journal work left out)
};

// Does again what the recorder does for each step (it is told right after it),
// timed: the recorder's own share of the window thread's time.
class TStepTimer : public TDocumentListener {
 public:
  void StepDone(const TDocCommand& step, TChangeCause cause) override {
    last = Ms([&] { journal.Note(step, cause, *mob, scratch); });
    scratch.clear();
  }
  const TMob* mob = nullptr;
  TStepJournal journal;
  double last = 0;
  Bytes scratch;
};

// Makes `edits` parameter edits, handing the journal over every 20 (a user's
// pace next to the writer's), and notes the window thread's longest times.
void EditFields(TDocumentSession& session, TRecoveryRecorder& recorder, TStepTimer& timer, int edits,
                std::mt19937_64& rng, TWindowTimes& times) {
  TMob& mob = session.Mob();
  for (int n = 0; n < edits; ++n) {
    const TObjRef ref{ObjKind::Object, std::size_t(rng() % mob.Objects.size())};
    auto step = TFieldEditCommand::Set(mob, ref, "LoadX", TFieldValue(float(rng() % 100000) / 4.0f), "x");
    if (!step) continue;
    const double applied = Ms([&] { session.Apply(std::move(step)); });
    // The timer's run of the journal work came on top of the recorder's.
    const double journal = timer.last;
    times.journal = std::max(times.journal, journal);
    times.step = std::max(times.step, applied - 2 * journal);
    if (n % 20 == 19) times.journal = std::max(times.journal, Ms([&] { recorder.Flush(); }));
  }
  times.journal = std::max(times.journal, Ms([&] { recorder.Flush(); }));
}

double WriteWithFlushMs(const std::string& path, std::size_t bytes) {
  std::vector<std::uint8_t> buffer(bytes, 0x5a);
  return Ms([&] {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, buffer.data(), buffer.size()) != ssize_t(buffer.size()) || ::fsync(fd) != 0) {
      std::fprintf(stderr, "the baseline write failed\n");
      std::exit(1);
    }
    ::close(fd);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 2000000;
  const std::string folder = std::filesystem::temp_directory_path() / ("bench-recovery-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string zone = argc > 2 ? argv[2] : folder + "/zone.mob";
  if (!std::filesystem::exists(zone)) {
    TMob mob;
    GenerateZone(mob, {.records = records, .seed = 1, .scriptLines = 200});
    if (!mob.SaveFile(zone)) {
      std::fprintf(stderr, "%s", mob.LogText.c_str());
      return 1;
    }
  }
  TDocumentSession session;
  // The deletion stays in the history, so that it can be undone and redone.
  session.SetOptions({.UndoLimitBytes = std::size_t(16) << 30});
  if (!session.Load(zone)) return 1;
  int err = 0;
  auto journalFolder = TJournalFolder::Create(folder + "/recovery", err);
  TJournalWriter writer(journalFolder->JournalPath(), [](const std::string& line) { std::printf("%s\n", line.c_str()); });
  TRecoveryRecorder recorder(session, writer, {});
  TStepTimer timer;
  timer.mob = &session.Mob();
  session.AddListener(&timer);
  std::mt19937_64 rng(7);

  TWindowTimes times;
  EditFields(session, recorder, timer, 1000, rng, times);
  writer.Wait();
  const auto journalBytes = std::filesystem::file_size(journalFolder->JournalPath());

  // Half the records of every kind go, in one step, as a mass change takes them.
  double deleteStep = 0, deleteJournal = 0, undoJournal = 0, redoJournal = 0;
  {
    auto step = std::make_unique<TRecordsEditCommand>([](TMob& mob, TRecordsEdit& edit) {
      mob.ForEachList([&](auto& list) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
          if (i % 2 == 0) edit.TakeRecord(list[i], i);
          else list[kept++] = std::move(list[i]);
        }
        list.resize(kept);
      });
      return std::string("mass delete");
    });
    const double applied = Ms([&] { session.Apply(std::move(step)); });
    deleteJournal = timer.last;
    deleteStep = applied - 2 * deleteJournal;
    times.journal = std::max(times.journal, deleteJournal);
    session.Undo();
    undoJournal = timer.last;
    session.Redo();
    redoJournal = timer.last;
    times.journal = std::max({times.journal, undoJournal, redoJournal});
  }
  EditFields(session, recorder, timer, 1000, rng, times);
  const std::uint64_t before = writer.Written();
  writer.Wait();
  const auto bigJournal = std::filesystem::file_size(journalFolder->JournalPath());

  // One more journal of that size, timed, against the floor.
  session.Apply(TFieldEditCommand::Set(session.Mob(), {ObjKind::Object, 0}, "LoadX", TFieldValue(-1.0f), "x"));
  const double written = Ms([&] {
    recorder.Flush();
    writer.Wait();
  });
  const double floor = WriteWithFlushMs(folder + "/floor", bigJournal);

  std::printf("zone: %zu records\n", records);
  std::printf("window thread, longest journal work:     %8.2f ms  = %5.3f of the 100 ms limit, %5.3f of the longest step (%.2f ms)\n",
              times.journal, times.journal / 100.0, times.journal / std::max(times.step, deleteStep),
              std::max(times.step, deleteStep));
  std::printf("  of which noting the mass deletion:     %8.2f ms  (the deletion itself %.2f ms)\n", deleteJournal,
              deleteStep);
  std::printf("  undoing the deletion, redoing it:     %8.2f ms, %.2f ms\n", undoJournal, redoJournal);
  std::printf("journal after 1,000 edits:               %8.1f KB  = %5.3f of 1 MB\n", journalBytes / 1024.0,
              double(journalBytes) / (1 << 20));
  std::printf("journal after the deletion and 1,000 more: %6.1f KB\n", bigJournal / 1024.0);
  std::printf("writer, one journal of that size:        %8.2f ms  = %5.2fx a plain write with fsync (%.2f ms)\n",
              written, written / floor, floor);
  std::printf("journals written: %llu\n", static_cast<unsigned long long>(before));
  session.RemoveListener(&timer);
  session.Close();
  writer.Wait();
  journalFolder->Remove();
  std::filesystem::remove_all(folder);
  return 0;
}
