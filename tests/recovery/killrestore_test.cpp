// The editor killed with SIGKILL at a random moment of a run of edits of every
// kind, restarted and its work restored and saved: the file equals what a save
// after some prefix of the edits would have written, and that prefix holds every
// edit whose journal had reached the disk. The same with the disk full for a
// while. The default run kills a few times; KELVARIN_RECOVERY_KILLS asks for more
// (the stress run).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "mob/generator.h"
#include "recovery/core/journalstore.h"
#include "recovery/core/recorder.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"
#include "edits.h"

namespace kelvarin::test {
namespace {

constexpr int kEdits = 200;
constexpr std::int64_t kRecoveryMs = 3000;  // RecoverySeconds 3
constexpr std::int64_t kMsPerEdit = 1000;   // the child's clock runs one second an edit

// The child: edits the zone with the journal on, telling the parent through
// `out` each edit made ("E n") and each journal on disk ("D n": the first n edits
// are in it), then waits to be killed.
[[noreturn]] void EditUntilKilled(const std::string& root, const std::string& zone, std::uint64_t seed,
                                  bool diskFull, int out) {
  TFaultyFiles files;
  if (diskFull) files.write.Fail(ENOSPC, 12).After(2);
  TUseFiles use(files);
  int err = 0;
  auto folder = TJournalFolder::Create(root, err);
  TJournalWriter writer(folder->JournalPath(), {});
  TDocumentSession session;
  TEditRun run(session, seed);
  std::int64_t now = 0, firstPending = -1;
  std::minstd_rand pace{std::uint32_t(seed)};
  TRecoveryRecorder recorder(session, writer,
                             {[&] { return run.script; }, [&] { firstPending = now; }, [&] { return now; }});
  if (!session.Load(zone)) ::_exit(2);
  run.script = session.Mob().ScriptText;
  std::vector<int> covered;  // per journal handed over: the edits it holds
  std::uint64_t told = 0;
  const auto say = [&](char what, int n) {
    char line[32];
    const int len = std::snprintf(line, sizeof line, "%c %d\n", what, n);
    if (::write(out, line, std::size_t(len)) != len) ::_exit(3);
  };
  for (int n = 0; n < kEdits; ++n) {
    run.Edit(n);
    now += kMsPerEdit;
    say('E', n + 1);
    if (recorder.Pending() && now - firstPending >= kRecoveryMs) {
      recorder.Flush();
      covered.push_back(n + 1);
      // Edits come far apart next to a write, mostly: most journals reach the
      // disk before the next edit, some are still being written when it comes.
      if (pace() % 4 != 0) writer.Wait();
    }
    if (const std::uint64_t written = writer.Written(); written > told) {
      told = written;
      say('D', covered[told - 1]);
    }
  }
  say('F', kEdits);
  for (;;) ::pause();
}

// Reads the child's lines until `stop` says so or the pipe ends.
template <class F> void ReadLines(FILE* in, F&& stop) {
  char what;
  int n;
  while (std::fscanf(in, " %c %d", &what, &n) == 2)
    if (stop(what, n)) return;
}

class KillRestoreTest : public ::testing::TestWithParam<bool> {};

TEST_P(KillRestoreTest, RestoredWorkIsAPrefixHoldingEverythingOnDisk) {
  const bool diskFull = GetParam();
  const char* asked = std::getenv("KELVARIN_RECOVERY_KILLS");
  const int kills = asked ? std::max(1, std::atoi(asked)) : 3;
  std::mt19937 rng(diskFull ? 11u : 5u);
  for (int round = 0; round < kills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TTempFolder dir;
    const std::string zone = dir.Path("zone.mob"), root = dir.Path("recovery");
    {
      TMob mob;
      GenerateZone(mob, {.records = 400, .seed = std::uint64_t(round + 1), .scriptLines = 20});
      ASSERT_TRUE(mob.SaveFile(zone));
    }
    const std::uint64_t seed = rng();
    const int killAt = 1 + int(rng() % kEdits);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      EditUntilKilled(root, zone, seed, diskFull, fds[1]);
    }
    ::close(fds[1]);
    FILE* in = ::fdopen(fds[0], "r");
    int onDisk = 0;
    ReadLines(in, [&](char what, int n) {
      if (what == 'D') onDisk = n;
      return what == 'F' || (what == 'E' && n >= killAt);
    });
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // What the child said before it died.
    ReadLines(in, [&](char what, int n) {
      if (what == 'D') onDisk = n;
      return false;
    });
    std::fclose(in);
    ASSERT_TRUE(WIFSIGNALED(status));

    // What a save after each prefix of the edits would have written.
    std::vector<Bytes> prefixes;
    {
      TDocumentSession session;
      ASSERT_TRUE(session.Load(zone));
      TEditRun run(session, seed);
      run.script = session.Mob().ScriptText;
      prefixes.push_back(run.Image());
      for (int n = 0; n < kEdits; ++n) {
        run.Edit(n);
        prefixes.push_back(run.Image());
      }
    }

    // The next start.
    TDocumentSession session;
    std::vector<TLeftJournal> left = FindLeftJournals(root);
    ASSERT_LE(left.size(), 1u);
    if (left.empty()) {
      ASSERT_TRUE(session.Load(zone));
    } else {
      ASSERT_TRUE(left[0].journal) << left[0].problem;
      std::string why;
      ASSERT_EQ(RestoreJournal(session, *left[0].journal, [&](const std::string& p) { return session.Load(p); },
                               why),
                TRestoreOutcome::Restored)
          << why;
      left[0].folder->Remove();
    }
    const std::string saved = dir.Path("saved.mob");
    ASSERT_TRUE(session.Save(saved));
    const Bytes restored = ReadFileImage(saved);
    int prefix = -1;
    for (int p = int(prefixes.size()) - 1; p >= 0 && prefix < 0; --p)
      if (prefixes[std::size_t(p)] == restored) prefix = p;
    ASSERT_GE(prefix, 0) << "the restored file is no prefix of the edits";
    // Equal images may come from several prefixes (an undo and its redo): the
    // latest one that matches is at least what was on disk.
    EXPECT_GE(prefix, onDisk) << "killed after " << killAt;
    if (std::getenv("KELVARIN_RECOVERY_VERBOSE"))
      std::printf("killed after %d edits: %d on disk, %d restored\n", killAt, onDisk, prefix);
  }
}

INSTANTIATE_TEST_SUITE_P(Disk, KillRestoreTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Full" : "Roomy"; });

}  // namespace
}  // namespace kelvarin::test
