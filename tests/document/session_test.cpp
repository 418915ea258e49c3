// The session's rules for opening, saving, backing up and retrying, its
// notifications, the busy lock, and the record history's life with the document.
// The editor and the CLI both go through these rules; they are tested here once.
#include "sessionfixture.h"

#include "document/docpaths.h"
#include "document/recordcommands.h"
#include "mob/backupcopy.h"
#include "mob/filelog.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace kelvarin {
namespace {

using Lines = std::vector<std::string>;
using test::SessionTest;

const std::string kSeparator = "------------------------------";

// A step that renames the first object, as a parameter edit would.
std::unique_ptr<TDocCommand> RenameFirstObject(TDocumentSession& session, const std::string& name) {
  return TFieldEditCommand::Set(session.Mob(), {ObjKind::Object, 0}, "Name2", name, "Name2 = " + name);
}

TEST_F(SessionTest, FindingTheFileAddsMobOrSaysItIsMissing) {
  const std::string zone = MakeZone("zone.mob");
  EXPECT_EQ(session.FindFileToOpen(zone), zone);
  EXPECT_EQ(session.FindFileToOpen(Path("zone")), zone);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(session.FindFileToOpen(Path("other")), std::nullopt);
  EXPECT_EQ(log.lines, (Lines{"", "Не удалось обнаружить файло " + Path("other.mob"),
                              "Типо аблом, не загрузилося нихера."}));
}

TEST_F(SessionTest, LoadTakesThePathAndLogsTheDocumentOnce) {
  const std::string zone = MakeZone("zone.mob");
  ASSERT_TRUE(session.Load(zone));
  EXPECT_TRUE(session.Opened());
  EXPECT_FALSE(session.Modified());
  EXPECT_EQ(session.Path(), zone);
  EXPECT_EQ(listener.events, Lines{"opened"});
  ASSERT_GT(log.lines.size(), 5u);
  EXPECT_EQ(log.lines[1], "-----------------------------");
  EXPECT_EQ(log.lines.back(), "Моб загружен успешно!");

  // A file that is no zone: the document is closed, the reasons are in the log.
  const std::string junk = Path("junk.mob");
  test::WriteFileBytes(junk, "not a zone");
  listener.events.clear();
  EXPECT_FALSE(session.Load(junk));
  EXPECT_FALSE(session.Opened());
  EXPECT_EQ(session.Path(), "");
  EXPECT_EQ(listener.events, (Lines{"closed", "load failed"}));
  EXPECT_EQ(log.lines.back(), "Загрузить моб не удалось!");
}

TEST_F(SessionTest, SaveBacksUpFirstAndClearsTheMark) {
  const std::string zone = MakeZone("zone.mob");
  const std::string old = Read(zone);
  ASSERT_TRUE(session.Load(zone));
  session.Apply(RenameFirstObject(session, "changed"));
  options.MakeAutoBackups = true;
  log.lines.clear();
  listener.events.clear();

  ASSERT_TRUE(session.Save(zone));
  EXPECT_EQ(Read(AutoBackupPath(zone)), old);
  EXPECT_NE(Read(zone), old);
  ASSERT_GT(log.lines.size(), 3u);
  EXPECT_EQ((Lines{log.lines.begin(), log.lines.begin() + 3}),
            (Lines{kSeparator, "Успешно сделан бекап в файл " + zone + ".auto.bak.mob", ""}));
  EXPECT_EQ(log.lines.back(), "Моб успешно сохранен :).");
  EXPECT_EQ(listener.events, (Lines{"about to save", "unmodified", "saved"}));
  EXPECT_FALSE(session.Modified());

  // Save as: the document takes the new path.
  listener.events.clear();
  ASSERT_TRUE(session.Save(Path("copy.mob")));
  EXPECT_EQ(session.Path(), Path("copy.mob"));
  // There was no file to back up there: said, and the save goes on.
  EXPECT_EQ(listener.events, (Lines{"about to save", "backup failed", "saved as"}));
}

TEST_F(SessionTest, RetriesAreBoundedAndAFailedSaveKeepsEverything) {
  const std::string zone = MakeZone("zone.mob");
  const std::string old = Read(zone);
  ASSERT_TRUE(session.Load(zone));
  session.NoteScriptEdited();
  files.write.Fail(ENOSPC);
  const struct {
    int setting;
    std::size_t attempts;
  } cases[] = {{-5, 1}, {0, 1}, {3, 4}, {1000, std::size_t(kMaxSaveAttempts) + 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    options.SaveAttempts = c.setting;
    log.lines.clear();
    listener.events.clear();
    EXPECT_FALSE(session.Save(Path("elsewhere.mob")));
    EXPECT_EQ(CountLines("По непонятной причине не удалось сохранить на диск файл"), c.attempts);
    EXPECT_EQ(listener.events, (Lines{"about to save", "save failed"}));
    EXPECT_EQ(log.lines.back(), "Моб нихрена не сохранен :(.");
    EXPECT_TRUE(session.Modified());
    EXPECT_EQ(session.Path(), zone);
    EXPECT_EQ(Read(zone), old);
  }
}

TEST_F(SessionTest, AListenerThatCannotPutItsEditInStopsTheSave) {
  const std::string zone = MakeZone("zone.mob");
  const std::string old = Read(zone);
  ASSERT_TRUE(session.Load(zone));
  session.Mob().Objects[0].Name2 = "changed";
  options.MakeAutoBackups = true;
  listener.allowSave = false;
  log.lines.clear();
  listener.events.clear();
  EXPECT_FALSE(session.Save(zone));
  EXPECT_EQ(listener.events, (Lines{"about to save", "save failed"}));
  EXPECT_TRUE(log.lines.empty());  // not even a backup
  EXPECT_EQ(Read(zone), old);
}

TEST_F(SessionTest, BackupsLogWhatTheyDid) {
  const std::string zone = MakeZone("zone.mob");
  const std::string backup = ManualBackupPath(zone);
  EXPECT_TRUE(session.MakeBackup(zone, false));
  EXPECT_FALSE(session.MakeBackup(zone, false));  // there is one now
  EXPECT_TRUE(session.MakeBackup(zone, true));
  session.LogBackupDeclined(zone);
  files.copy.Fail(ENOSPC);
  EXPECT_FALSE(session.MakeAutoBackup(zone));
  EXPECT_EQ(log.lines, (Lines{kSeparator, "Успешно сделан бекап в файл " + backup, "",
                              kSeparator, "Сделать бекап в файл " + backup + " не удалось!", ReasonLine(EEXIST), "",
                              kSeparator, "Успешно сделан бекап в файл " + backup, "",
                              kSeparator, "Бекап в файл " + backup + " отменен!", "",
                              kSeparator, "Сделать бекап в файл " + zone + ".auto.bak.mob не удалось!",
                              ReasonLine(ENOSPC), ""}));

  // A failed automatic backup does not stop the save.
  ASSERT_TRUE(session.Load(zone));
  options.MakeAutoBackups = true;
  EXPECT_TRUE(session.Save(zone));
}

TEST_F(SessionTest, TheMarkFollowsTheDocument) {
  session.NoteScriptEdited();  // nothing is open
  EXPECT_FALSE(session.Modified());
  ASSERT_TRUE(session.Load(MakeZone("zone.mob")));
  session.NoteScriptEdited();
  session.NoteValueReapplied();
  EXPECT_TRUE(session.Modified());
  session.Close();
  EXPECT_FALSE(session.Modified());
  EXPECT_EQ(listener.events, (Lines{"opened", "modified", "closed"}));
}

TEST_F(SessionTest, TheMarkIsWhetherTheDocumentStandsWhereItsFileDoes) {
  const std::string zone = MakeZone("zone.mob");
  TDocumentSession& s = session;
  const auto edit = [&](const char* name) { ASSERT_TRUE(s.Apply(RenameFirstObject(s, name))); };
  const auto save = [&] { ASSERT_TRUE(s.Save(zone)); };
  const auto undo = [&] { ASSERT_TRUE(s.Undo()); };
  const auto redo = [&] { ASSERT_TRUE(s.Redo()); };
  const struct {
    const char* what;
    std::function<void()> steps;
    bool modified;
  } cases[] = {
      {"an edit", [&] { edit("a"); }, true},
      {"an edit undone", [&] { edit("a"), undo(); }, false},
      {"undone and redone", [&] { edit("a"), undo(), redo(); }, true},
      {"saved, then undone", [&] { edit("a"), save(), undo(); }, true},
      {"saved, undone, redone to the save", [&] { edit("a"), save(), undo(), redo(); }, false},
      {"the saved state left behind by a new edit", [&] { edit("a"), save(), undo(), edit("b"), undo(); }, true},
      {"the saved state trimmed away",
       [&] {
         options.UndoLimitBytes = 1;
         edit("a"), edit("b");
         options.UndoLimitBytes = std::size_t(1) << 20;
         edit("c"), undo();
       },
       true},
      {"no history kept", [&] { options.UndoLimitBytes = 0, edit("a"); }, true},
      {"the script edited", [&] { s.NoteScriptEdited(); }, true},
      {"the script edited, then saved", [&] { s.NoteScriptEdited(), save(); }, false},
      {"a value taken again", [&] { s.NoteValueReapplied(); }, true},
      {"a value taken again, then an edit undone", [&] { s.NoteValueReapplied(), edit("a"), undo(); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    options.UndoLimitBytes = std::size_t(1) << 20;
    MakeZone("zone.mob");  // as the case before found it, whatever it saved
    ASSERT_TRUE(s.Load(zone));
    listener.events.clear();
    c.steps();
    EXPECT_EQ(s.Modified(), c.modified);
    // The listeners heard the last turn of the mark.
    const auto last = std::find_if(listener.events.rbegin(), listener.events.rend(),
                                   [](const std::string& e) { return e == "modified" || e == "unmodified"; });
    EXPECT_EQ(last != listener.events.rend() && *last == "modified", c.modified);
  }
}

// The window side of a threaded run, without a window.
class QuietView : public TMobLogView {
 public:
  explicit QuietView(TDocumentSession& session) : m_session(session) {}
  void ShowLogLine(const std::string&) override { busyAtEveryLine = busyAtEveryLine && m_session.Busy(); }
  void ProcessMessages() override {}
  bool busyAtEveryLine = true;

 private:
  TDocumentSession& m_session;
};

TEST_F(SessionTest, ThreadedRunsHoldTheBusyLockUnlessAnOuterOneIsHeld) {
  const std::string zone = MakeZone("zone.mob");
  QuietView view(session);
  session.SetLogView(&view);
  options.UseThreads = true;
  ASSERT_TRUE(session.Load(zone));
  EXPECT_TRUE(view.busyAtEveryLine);
  EXPECT_EQ(listener.events, (Lines{"busy", "free", "opened"}));
  const std::size_t logged = log.lines.size();

  listener.events.clear();
  session.LockOnLoadSave = false;
  session.BeginBusy();
  session.BeginBusy();  // nested: told once
  ASSERT_TRUE(session.Save(zone));
  session.EndBusy();
  EXPECT_TRUE(session.Busy());
  session.EndBusy();
  EXPECT_FALSE(session.Busy());
  EXPECT_EQ(listener.events, (Lines{"busy", "about to save", "saved", "free"}));
  // The lines went to the view, not to the log a second time.
  EXPECT_EQ(log.lines.size(), logged);
}

// Notes what a load hands it to work out beforehand, where and when.
class PreparingListener : public TDocumentListener {
 public:
  explicit PreparingListener(TDocumentSession& session) : m_session(session) {}
  void PrepareDocument(const TMob& mob) override {
    events.push_back("prepare");
    thread = std::this_thread::get_id();
    busy = m_session.Busy();
    theDocument = &mob == &m_session.Mob();
    records = mob.TotalRecordCount();
  }
  void PrepareSaved(const TMob& mob) override {
    PrepareDocument(mob);
    events.back() = "prepare saved";
  }
  void DocumentOpened() override { events.push_back("opened"); }
  void DocumentSaved(bool) override { events.push_back("saved"); }
  void LoadFailed() override { events.push_back("load failed"); }

  Lines events;
  std::thread::id thread;
  bool busy = false;
  bool theDocument = false;
  std::size_t records = 0;

 private:
  TDocumentSession& m_session;
};

TEST_F(SessionTest, ALoadOrSaveHandsItsRecordsToTheListenersBeforeItSaysSoOnTheWorkerWhenThreaded) {
  const std::string zone = MakeZone("zone.mob", 90);
  PreparingListener preparing(session);
  session.AddListener(&preparing);

  ASSERT_TRUE(session.Load(zone));
  // Listeners prepare two at a time, so this one may run beside the caller, which
  // waits for it: the order of the events is what holds.
  EXPECT_EQ(preparing.events, (Lines{"prepare", "opened"}));
  EXPECT_TRUE(preparing.theDocument);
  EXPECT_EQ(preparing.records, session.Mob().TotalRecordCount());
  EXPECT_GT(preparing.records, 0u);

  // Threaded: on the worker, while the load holds the document.
  QuietView view(session);
  session.SetLogView(&view);
  options.UseThreads = true;
  preparing.events.clear();
  ASSERT_TRUE(session.Load(zone));
  EXPECT_EQ(preparing.events, (Lines{"prepare", "opened"}));
  EXPECT_NE(preparing.thread, std::this_thread::get_id());
  EXPECT_TRUE(preparing.busy);
  EXPECT_EQ(preparing.records, session.Mob().TotalRecordCount());

  // A save hands what it has written over the same way, before it says so.
  preparing.events.clear();
  preparing.busy = false;
  ASSERT_TRUE(session.Save(zone));
  EXPECT_EQ(preparing.events, (Lines{"prepare saved", "saved"}));
  EXPECT_NE(preparing.thread, std::this_thread::get_id());
  EXPECT_TRUE(preparing.busy);

  // A file that cannot be read gives the listeners nothing to work out.
  test::WriteFileBytes(Path("broken.mob"), "not a zone");
  preparing.events.clear();
  EXPECT_FALSE(session.Load(Path("broken.mob")));
  EXPECT_EQ(preparing.events, (Lines{"load failed"}));
  session.RemoveListener(&preparing);
}

// The file layer, noting the thread that copies a file.
class CopyThreadFiles : public test::TFaultyFiles {
 public:
  bool CopyInto(int handle, const std::string& from, int& err) override {
    copiedOn = std::this_thread::get_id();
    return test::TFaultyFiles::CopyInto(handle, from, err);
  }
  std::thread::id copiedOn;
};

TEST_F(SessionTest, AThreadedSaveCopiesTheAutomaticBackupOffTheCallingThread) {
  const std::string zone = MakeZone("zone.mob");
  CopyThreadFiles copying;
  SetFiles(&copying);
  QuietView view(session);
  session.SetLogView(&view);
  options.UseThreads = true;
  options.MakeAutoBackups = true;
  ASSERT_TRUE(session.Load(zone));
  ASSERT_TRUE(session.Save(zone));
  EXPECT_NE(copying.copiedOn, std::thread::id());
  EXPECT_NE(copying.copiedOn, std::this_thread::get_id());
  EXPECT_EQ(Read(AutoBackupPath(zone)), Read(zone));
  EXPECT_EQ(CountLines("Успешно сделан бекап в файл " + AutoBackupPath(zone)), 1u);
  SetFiles(&files);
}

TEST_F(SessionTest, ClosingEmptiesTheDocumentAtOnceWhileItsRecordsAreFreedAside) {
  const std::string zone = MakeZone("zone.mob", 3000), other = MakeZone("other.mob", 500, 2);
  std::size_t zoneRecords = 0;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(session.Load(i % 2 ? other : zone));  // closes the last one first
    if (i == 0) zoneRecords = session.Mob().TotalRecordCount();
    ASSERT_GT(session.Mob().TotalRecordCount(), 0u);
    session.Close();
    EXPECT_EQ(session.Mob().TotalRecordCount(), 0u);
    EXPECT_TRUE(session.Mob().ScriptText.empty());
    EXPECT_TRUE(session.Mob().UnknownBlocks.empty());
  }
  // A session that goes right after a close waits for its records to be freed.
  {
    TDocumentSession brief;
    ASSERT_TRUE(brief.Load(zone));
    brief.Close();
  }
  ASSERT_TRUE(session.Load(zone));
  EXPECT_EQ(session.Mob().TotalRecordCount(), zoneRecords);
}

// Notes its number and the thread it goes on.
struct Doomed {
  int number;
  std::vector<std::pair<int, std::thread::id>>* gone;
  ~Doomed() { gone->push_back({number, std::this_thread::get_id()}); }
};

TEST(BackgroundRelease, FreesOnItsOwnThreadInTurnAndEverythingBeforeItGoes) {
  std::vector<std::pair<int, std::thread::id>> gone;
  {
    TBackgroundRelease release;
    for (int i = 0; i < 3; ++i) release.Release(std::unique_ptr<Doomed>(new Doomed{i, &gone}));
    release.Release(std::unique_ptr<Doomed>());  // nothing to free
  }
  ASSERT_EQ(gone.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(gone[std::size_t(i)].first, i);
    EXPECT_NE(gone[std::size_t(i)].second, std::this_thread::get_id());
  }
}

TEST_F(SessionTest, TheHistoryLivesAndDiesWithTheDocument) {
  const std::string zone = MakeZone("zone.mob"), other = MakeZone("other.mob", 60, 2);
  EXPECT_FALSE(session.Undo());  // nothing is open
  ASSERT_TRUE(session.Load(zone));
  const std::string original = session.Mob().Objects[0].Name2;
  ASSERT_TRUE(session.Apply(RenameFirstObject(session, "one"), &listener));
  ASSERT_TRUE(session.Apply(RenameFirstObject(session, "two")));
  EXPECT_TRUE(session.Modified());  // applying a step marks the document
  ASSERT_TRUE(session.CanUndo());

  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.Mob().Objects[0].Name2, "one");
  EXPECT_TRUE(session.Modified());
  ASSERT_TRUE(session.Redo());
  EXPECT_EQ(session.Mob().Objects[0].Name2, "two");
  EXPECT_EQ(listener.changes.back().record, (TObjRef{ObjKind::Object, 0}));
  EXPECT_EQ((Lines{listener.events.end() - 5, listener.events.end()}),
            (Lines{"edit", "modified", "edit", "undo", "redo"}));
  // The step's origin is told with it; undo and redo have none.
  EXPECT_EQ(listener.origins, (std::vector<const TDocumentListener*>{&listener, nullptr, nullptr, nullptr}));
  // A step whose maker found nothing to change is no step.
  EXPECT_FALSE(session.Apply(RenameFirstObject(session, "two")));

  // Busy: the history is locked.
  session.BeginBusy();
  EXPECT_FALSE(session.CanUndo());
  EXPECT_FALSE(session.Undo());
  session.EndBusy();
  EXPECT_TRUE(session.CanUndo());

  // Saving keeps the history, and the point the file holds.
  ASSERT_TRUE(session.Save(zone));
  EXPECT_FALSE(session.Modified());
  ASSERT_TRUE(session.Undo());
  EXPECT_TRUE(session.Modified());
  ASSERT_TRUE(session.Redo());
  EXPECT_FALSE(session.Modified());

  // Another file: gone.
  ASSERT_TRUE(session.Load(other));
  EXPECT_FALSE(session.CanUndo());
  // Closed: gone.
  ASSERT_TRUE(session.Load(zone));
  session.Apply(RenameFirstObject(session, "three"));
  session.Close();
  ASSERT_TRUE(session.Load(zone));
  EXPECT_FALSE(session.CanUndo());
  EXPECT_EQ(session.Mob().Objects[0].Name2, "two");
  (void)original;
}

TEST_F(SessionTest, AReloadOfTheSavedFileKeepsTheStepsTheFileHolds) {
  const std::string zone = MakeZone("zone.mob");
  ASSERT_TRUE(session.Load(zone));
  const std::string original = session.Mob().Objects[0].Name2;
  session.Apply(RenameFirstObject(session, "saved"));
  ASSERT_TRUE(session.Save(zone));
  session.Apply(RenameFirstObject(session, "not saved"));
  {
    TDocumentSession::TReloadScope scope(session);
    session.Close();
    ASSERT_TRUE(session.Load(zone));
  }
  EXPECT_EQ(session.Mob().Objects[0].Name2, "saved");
  EXPECT_EQ(session.History().Count(), 1u);
  EXPECT_FALSE(session.CanRedo());
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.Mob().Objects[0].Name2, original);

  // Outside a scope, or for another file, the history goes.
  ASSERT_TRUE(session.Redo());
  {
    TDocumentSession::TReloadScope scope(session);
    session.Close();
    ASSERT_TRUE(session.Load(MakeZone("other.mob", 60, 2)));
  }
  EXPECT_EQ(session.History().Count(), 0u);
}

TEST_F(SessionTest, TheUndoLimitDropsTheOldestStepsWithALogLine) {
  ASSERT_TRUE(session.Load(MakeZone("zone.mob")));
  session.Mob().Objects[0].Name2 = "zero";  // every step then holds a short name
  session.Apply(RenameFirstObject(session, "one"));
  const std::size_t stepSize = session.History().MemoryUsed();
  options.UndoLimitBytes = stepSize * 2;
  session.Apply(RenameFirstObject(session, "two"));
  log.lines.clear();
  session.Apply(RenameFirstObject(session, "six"));
  EXPECT_EQ(session.History().Count(), 2u);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Из истории отмены убраны самые старые шаги (1): вместе они заняли бы больше "
                          "UndoLimitMB = 0 МБ.");
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

TEST_F(SessionTest, AZoneMadeInMemoryIsAdoptedAndAnUndoSaysWhatItLeaves) {
  GenerateZone(session.Mob(), {.records = 30, .seed = 3, .scriptLines = 2});
  session.Adopt(Path("made.mob"));
  EXPECT_TRUE(session.Opened());
  EXPECT_EQ(session.Path(), Path("made.mob"));
  EXPECT_EQ(listener.events, std::vector<std::string>{"opened"});

  const std::size_t units = session.Mob().Units.size();
  ASSERT_TRUE(session.Apply(std::make_unique<TRecordsEditCommand>(
      [](TMob& mob, TRecordsEdit& edit) {
        edit.TakeRecord(mob.Units[0], 0);
        mob.Units.erase(mob.Units.begin());
        return std::string("move");
      },
      "copies stay")));
  EXPECT_EQ(session.History().NextUndo()->Caption(), "move");
  log.lines.clear();
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.Mob().Units.size(), units);
  EXPECT_EQ(log.lines, std::vector<std::string>{"copies stay"});
  EXPECT_TRUE(listener.changes.back().listsResized);
  ASSERT_TRUE(session.Redo());
  EXPECT_EQ(session.Mob().Units.size(), units - 1);
  EXPECT_EQ(log.lines.size(), 1u);  // a redo says nothing
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

TEST_F(SessionTest, AZeroUndoLimitKeepsNoHistoryAndSaysNothing) {
  ASSERT_TRUE(session.Load(MakeZone("zone.mob")));
  session.Apply(RenameFirstObject(session, "one"));
  options.UndoLimitBytes = 0;
  log.lines.clear();
  session.Apply(RenameFirstObject(session, "two"));
  EXPECT_EQ(session.History().Count(), 0u);
  EXPECT_FALSE(session.CanUndo());
  EXPECT_TRUE(session.Modified());
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(listener.events.back(), "edit");  // the change is told all the same
}

}  // namespace
}  // namespace kelvarin
