// The recovery journal over real files: every kind of change comes back through a
// restore exactly as a save would have written it, a changed original or a damaged
// journal is refused and kept, a running editor's journal is never offered, and a
// journal that cannot be written costs one log line and nothing else.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#include "document/documentsession.h"
#include "mob/generator.h"
#include "recovery/core/journalstore.h"
#include "recovery/core/recorder.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"
#include "edits.h"

namespace kelvarin::test {
namespace {

// One editor: a session with its journal folder, writer and recorder.
struct TEditorJournal {
  TEditorJournal(const std::string& root, const std::string& zone, std::uint64_t seed = 7)
      : run(session, seed) {
    int err = 0;
    folder = TJournalFolder::Create(root, err);
    writer = std::make_unique<TJournalWriter>(folder->JournalPath(), [this](const std::string& line) {
      std::lock_guard lock(mutex);
      failures.push_back(line);
    });
    recorder = std::make_unique<TRecoveryRecorder>(session, *writer,
                                                   TRecoveryRecorder::THooks{[this] { return run.script; }, {}, {}});
    EXPECT_TRUE(session.Load(zone));
    run.script = session.Mob().ScriptText;
  }
  void Flush() {
    recorder->Flush();
    writer->Wait();
  }
  // The editor dies: nothing is removed, the lock goes.
  void Die() {
    recorder.reset();
    writer.reset();
    folder.reset();
  }

  TDocumentSession session;
  TEditRun run;
  std::unique_ptr<TJournalFolder> folder;
  std::unique_ptr<TJournalWriter> writer;
  std::unique_ptr<TRecoveryRecorder> recorder;
  std::mutex mutex;
  std::vector<std::string> failures;
};

class JournalTest : public ::testing::Test {
 protected:
  std::string MakeZone(const std::string& name, std::uint64_t seed = 1) {
    TMob mob;
    GenerateZone(mob, {.records = 300, .seed = seed, .scriptLines = 5});
    EXPECT_TRUE(mob.SaveFile(m_dir.Path(name)));
    return m_dir.Path(name);
  }
  std::string Root() const { return m_dir.Path("recovery"); }

  // Restores the one journal left into a new session and returns what a save writes.
  Bytes RestoreAndSave(TRestoreOutcome expected = TRestoreOutcome::Restored) {
    std::vector<TLeftJournal> left = FindLeftJournals(Root());
    EXPECT_EQ(left.size(), 1u);
    if (left.size() != 1 || !left[0].journal) {
      ADD_FAILURE() << (left.empty() ? "none" : left[0].problem);
      return {};
    }
    TDocumentSession session;
    std::string why;
    const TRestoreOutcome outcome =
        RestoreJournal(session, *left[0].journal, [&](const std::string& p) { return session.Load(p); }, why);
    EXPECT_EQ(outcome, expected) << why;
    if (outcome != TRestoreOutcome::Restored) return {};
    EXPECT_TRUE(session.Modified());
    EXPECT_TRUE(session.Save(m_dir.Path("restored.mob"))) << session.Mob().LogText;
    return ReadFileImage(m_dir.Path("restored.mob"));
  }

  TTempFolder m_dir;
};

TEST_F(JournalTest, EveryKindOfChangeComesBackAsASaveWouldWriteIt) {
  const std::string zone = MakeZone("zone.mob");
  for (int k = 0; k <= int(TEditKind::Count); ++k) {
    SCOPED_TRACE("edit kind " + std::to_string(k));
    TEditorJournal editor(Root(), zone, std::uint64_t(k));
    // Two flushes, so that the journal grows by appending.
    for (int n = 0; n < 40; ++n) {
      if (k == int(TEditKind::Undo) || k == int(TEditKind::Redo)) editor.run.Edit(n, TEditKind::Field);
      editor.run.Edit(n, TEditKind(k));
      if (n == 20) editor.Flush();
    }
    editor.Flush();
    // A step that names the records it changed is journaled as those records, not
    // as the whole document forty times over.
    if (k == int(TEditKind::InPlace))
      EXPECT_LT(std::filesystem::file_size(editor.folder->JournalPath()), std::filesystem::file_size(zone));
    const Bytes expected = editor.run.Image();
    const bool unsaved = editor.session.Modified();
    editor.Die();
    if (!unsaved) {
      EXPECT_TRUE(FindLeftJournals(Root()).empty());
      continue;
    }
    const Bytes restored = RestoreAndSave();
    EXPECT_TRUE(restored == expected) << restored.size() << " " << expected.size() << " at " << (std::mismatch(restored.begin(), restored.end(), expected.begin(), expected.end()).first - restored.begin());
    for (TLeftJournal& left : FindLeftJournals(Root())) left.folder->Remove();
  }
}

// Undoing a change of many records takes back its journaled operations by
// reference, or writes the records out when its application came before the
// last save; either way the restore gives what a save would write.
TEST_F(JournalTest, UndoneChangesOfManyRecordsComeBackAsASaveWouldWriteThem) {
  // m: a mass change, f: a field edit, u: undo, r: redo, s: save, x: journal to disk
  const char* runs[] = {"mu", "mur", "mfmuu", "mfxuxu", "murxu", "msu", "mmsuu", "mfsuur", "fmsfuuu"};
  for (const char* run : runs) {
    SCOPED_TRACE(run);
    const std::string zone = MakeZone("zone.mob");
    TEditorJournal editor(Root(), zone);
    int n = 0;
    for (const char* c = run; *c; ++c, ++n) {
      switch (*c) {
        case 'm': editor.run.Edit(n, TEditKind::MassChange); break;
        case 'f': editor.run.Edit(n, TEditKind::Field); break;
        case 'u': editor.session.Undo(); break;
        case 'r': editor.session.Redo(); break;
        case 's': ASSERT_TRUE(editor.session.Save(zone)); break;
        case 'x': editor.Flush(); break;
      }
    }
    editor.Flush();
    const Bytes expected = editor.run.Image();
    const bool unsaved = editor.session.Modified();
    editor.Die();
    if (unsaved) EXPECT_TRUE(RestoreAndSave() == expected);
    for (TLeftJournal& left : FindLeftJournals(Root())) left.folder->Remove();
  }
}

TEST_F(JournalTest, SaveCloseAndUndoToTheSavedPointLeaveNoJournal) {
  const std::string zone = MakeZone("zone.mob");
  const std::function<void(TEditorJournal&)> endings[] = {
      [&](TEditorJournal& e) { EXPECT_TRUE(e.session.Save(zone)); },
      [&](TEditorJournal& e) { e.session.Close(); },
      [&](TEditorJournal& e) {
        while (e.session.Undo()) {
        }
      },
  };
  for (const auto& end : endings) {
    SCOPED_TRACE(&end - endings);
    TEditorJournal editor(Root(), zone, std::uint64_t(&end - endings));
    for (int n = 0; n < 5; ++n) editor.run.Edit(n, TEditKind::Field);
    editor.Flush();
    ASSERT_TRUE(Files().Exists(editor.folder->JournalPath()));
    end(editor);
    editor.Flush();
    EXPECT_FALSE(Files().Exists(editor.folder->JournalPath()));
    editor.Die();
    EXPECT_TRUE(FindLeftJournals(Root()).empty());
  }
}

TEST_F(JournalTest, AChangedOriginalIsRefusedAndTheJournalKept) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
  };
  const Case cases[] = {
      {"longer", [](const std::string& p) { WriteFileBytes(p, ReadFileBytes(p) + "x"); }},
      {"touched", [](const std::string& p) {
         const utimbuf times{1000000, 1000000};
         ::utime(p.c_str(), &times);
       }},
      {"same size and time, other bytes", [](const std::string& p) {
         struct stat st {};
         ::stat(p.c_str(), &st);
         std::string bytes = ReadFileBytes(p);
         bytes[bytes.size() / 2] ^= 0x55;
         WriteFileBytes(p, bytes);
         const timespec times[2] = {st.st_atim, st.st_mtim};
         ::utimensat(AT_FDCWD, p.c_str(), times, 0);
       }},
      {"gone", [](const std::string& p) { ::unlink(p.c_str()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string zone = MakeZone("zone.mob");
    TEditorJournal editor(Root(), zone);
    editor.run.Edit(0, TEditKind::Field);
    editor.Flush();
    editor.Die();
    c.change(zone);
    RestoreAndSave(TRestoreOutcome::OriginalChanged);
    std::vector<TLeftJournal> left = FindLeftJournals(Root());
    ASSERT_EQ(left.size(), 1u);
    left[0].folder->Remove();
  }
}

TEST_F(JournalTest, ADamagedJournalIsReportedAndKept) {
  const std::string zone = MakeZone("zone.mob");
  TEditorJournal editor(Root(), zone);
  editor.run.Edit(0, TEditKind::Field);
  editor.Flush();
  const std::string journal = editor.folder->JournalPath();
  editor.Die();
  std::string bytes = ReadFileBytes(journal);
  bytes[bytes.size() / 2] ^= 1;
  WriteFileBytes(journal, bytes);
  for (int look = 0; look < 2; ++look) {
    std::vector<TLeftJournal> left = FindLeftJournals(Root());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FALSE(left[0].journal);
    EXPECT_NE(left[0].problem, "");
  }
}

TEST_F(JournalTest, TwoEditorsOnTwoFilesKeepTheirOwnJournals) {
  const std::string a = MakeZone("a.mob", 1), b = MakeZone("b.mob", 2);
  TEditorJournal first(Root(), a, 1), second(Root(), b, 2);
  for (int n = 0; n < 30; ++n) {
    first.run.Edit(n);
    second.run.Edit(n + 1);
  }
  first.Flush();
  second.Flush();
  // While both run, neither journal is anybody else's to take.
  EXPECT_TRUE(FindLeftJournals(Root()).empty());
  const Bytes expectedA = first.run.Image(), expectedB = second.run.Image();
  first.Die();
  const Bytes restoredA = RestoreAndSave();
  EXPECT_TRUE(restoredA == expectedA);
  FindLeftJournals(Root())[0].folder->Remove();
  second.Die();
  EXPECT_TRUE(RestoreAndSave() == expectedB);
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenCostsOneLogLine) {
  const std::string zone = MakeZone("zone.mob");
  TEditorJournal editor(Root(), zone);
  TFaultyFiles files;
  TUseFiles use(files);
  files.write.Fail(ENOSPC);
  for (int n = 0; n < 6; ++n) {
    editor.run.Edit(n, TEditKind::Field);
    editor.Flush();
  }
  EXPECT_EQ(editor.failures.size(), 1u);
  EXPECT_NE(editor.failures.at(0).find("No space left on device"), std::string::npos);
  EXPECT_EQ(editor.writer->Written(), 0u);
  files.write.Off();
  editor.run.Edit(7, TEditKind::Field);
  editor.Flush();
  EXPECT_EQ(editor.writer->Written(), 7u);
  const Bytes expected = editor.run.Image();
  editor.Die();
  EXPECT_TRUE(RestoreAndSave() == expected);
}

}  // namespace
}  // namespace kelvarin::test
