// Whole runs over files: what is saved, reopened and logged, and how failures
// leave both files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

#include "common/filesystem.h"
#include "mob/filelog.h"
#include "support/childprocess.h"
#include "enginehost.h"
#include "support/faultyfiles.h"

namespace kelvarin {
namespace {

using test::Common;
using test::EngineHost;
using test::Particle;
using test::ReadFileBytes;
using test::SaveZone;
using test::Unit;

const std::string kSeparator = "---------------------------------------";
const std::string kStarted = "Начаты массовые изменения...";
const std::string kOptsOk = "Настройки массовых изменений введены правильно.";
const std::string kOptsBad = "Настройки массовых изменений введены неправильно.";
const std::string kSavingOpen = "Сохраняю открытый моб.";
const std::string kOpeningTarget = "Открываю целевой моб.";
const std::string kScanning = "Начат собственно процесс поиска объектов и выполнения изменений...";
const std::string kSavingTarget = "Сохраняю целевой моб.";
const std::string kSuccess = "Массовые изменения успешно завершены.";
const std::string kFailure = "Выполнить массовые изменения не удалось - АААБЛОМ :(.";
const std::string kNothingSelected = "Итог: под критерии не попал ни один объект.";

using Lines = std::vector<std::string>;

class MassChangeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EmptyZone(m_source, 1);
    m_source.Units = {Unit(1), Unit(2), Unit(3)};
    m_source.Traps = {Common<TTrapObjBlock>(4), Common<TTrapObjBlock>(5)};
    m_source.Particles1 = {Particle<TParticle1ObjBlock>(6)};
    m_sourceBytes = SaveZone(m_source, m_src);
    test::EmptyZone(m_target, 2);
    m_target.Objects = {Common<TObjectObjBlock>(4)};
    m_targetBytes = SaveZone(m_target, m_tgt);
  }

  MassChangeOpts Mode(bool copy, bool move) {
    MassChangeOpts o;
    o.MC_AS_Obj_OnlyParamsRB = false;
    o.MC_AS_Obj_CopyRB = copy;
    o.MC_AS_Obj_MoveRB = move;
    o.MC_AS_Obj_TargetMobEd = m_tgt;  // an ASCII path: the same bytes in code page 1251
    return o;
  }

  // Loads a file as a fresh document.
  static void LoadInto(TMob& mob, const std::string& path) { ASSERT_TRUE(mob.Load(path)) << mob.LogText; }

  test::TTempFolder m_dir;
  std::string m_src = m_dir.Path("zone.mob"), m_tgt = m_dir.Path("target.mob");
  TMob m_source, m_target;
  std::string m_sourceBytes, m_targetBytes;
};

TEST_F(MassChangeRun, NoKindTickedRewritesBothFilesUnchanged) {
  EngineHost host(m_src);
  EXPECT_TRUE(RunMassChanges(host, ParseMassChange(Mode(true, false), '.')).ok);
  EXPECT_EQ(host.lines, (Lines{kSeparator, kStarted, kOptsOk, kSavingOpen, kOpeningTarget, kScanning,
                               kSavingTarget, kSuccess, kNothingSelected}));
  EXPECT_EQ(host.calls, (Lines{"SaveMob", "OpenMob"}));
  // The target's load and save.
  EXPECT_EQ(std::count_if(host.documentLogs.begin(), host.documentLogs.end(),
                          [&](const std::string& log) { return log.find(m_tgt) != std::string::npos; }),
            2);
  EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
  EXPECT_EQ(ReadFileBytes(m_tgt), m_targetBytes);
  EXPECT_EQ(host.mob.Units, m_source.Units);
}

TEST_F(MassChangeRun, DeleteRemovesConsecutiveRecordsOfTheTickedKindOnly) {
  MassChangeOpts o;
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_DelRB = true;
  o.MC_KR_Type_UnitCB = true;
  // Ticked but disabled in delete mode: still checked, never applied.
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = o.MC_AS_Params_OffsetYEd = "1";
  EngineHost host(m_src);
  const TMassChangeResult result = RunMassChanges(host, ParseMassChange(o, '.'));
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(host.calls, (Lines{"SaveMob", "SaveMob", "OpenMob"}));
  EXPECT_EQ(host.lines.back(), "Итог: отобрано 3 (юнитов 3); удалено 3.");
  EXPECT_EQ(result.summary, host.lines.back());
  EXPECT_TRUE(host.mob.Units.empty());
  EXPECT_EQ(host.mob.Traps, m_source.Traps);
  EXPECT_EQ(host.mob.Particles1, m_source.Particles1);
}

TEST_F(MassChangeRun, CopyChangesTheCopiesAndLeavesTheOpenFileAsItWas) {
  MassChangeOpts o = Mode(true, false);
  o.MC_KR_Type_TrapCB = true;
  o.MC_AS_Params_Name2CB = true;
  o.MC_AS_Params_Name2Ed = "copied";
  EngineHost host(m_src);
  EXPECT_TRUE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
  // The target's object 4 gave way to the copy of trap 4, and the summary says so.
  EXPECT_EQ(host.lines.back(), "Итог: отобрано 2 (ловушек 2); изменено 2, скопировано 2, заменено в целевом мобе 1.");
  EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
  EXPECT_EQ(host.mob.Traps, m_source.Traps);  // reopened: the changes in memory are gone

  TMob target;
  LoadInto(target, m_tgt);
  ASSERT_EQ(target.Traps.size(), 2u);
  EXPECT_EQ(target.Traps[0].Name2, "copied");
  EXPECT_EQ(target.Traps[0].ObjectID, 4);  // replaces the target's object 4
  EXPECT_TRUE(target.Objects.empty());
  EXPECT_EQ(target.Traps[1].ObjectID, 5);
}

TEST_F(MassChangeRun, MoveWritesBothFilesAndReopensTheOpenOne) {
  MassChangeOpts o = Mode(false, true);
  o.MC_AS_Obj_ReplaceCB = false;
  o.MC_KR_Type_TrapCB = o.MC_KR_Type_Particle1CB = true;
  o.MC_AS_Params_PlayerNumberCB = true;
  o.MC_AS_Params_PlayerNumberEd = "300";
  EngineHost host(m_src);
  EXPECT_TRUE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
  EXPECT_EQ(host.lines.back(),
            "Итог: отобрано 3 (ловушек 2, партиклов 1-го типа 1); изменено 2, удалено 3, скопировано 3.");
  EXPECT_EQ(host.calls, (Lines{"SaveMob", "SaveMob", "OpenMob"}));

  TMob source, target;
  LoadInto(source, m_src);
  LoadInto(target, m_tgt);
  EXPECT_TRUE(source.Traps.empty());
  EXPECT_TRUE(source.Particles1.empty());
  EXPECT_EQ(source.Units, m_source.Units);
  EXPECT_TRUE(host.mob.Traps.empty());
  ASSERT_EQ(target.Traps.size(), 2u);
  EXPECT_EQ(target.Traps[0].ObjectID, 1);  // 4 was taken and replace is off
  EXPECT_EQ(target.Traps[0].PlayerNumber, 44);
  EXPECT_EQ(target.Traps[1].ObjectID, 5);
  ASSERT_EQ(target.Particles1.size(), 1u);
  EXPECT_EQ(target.Particles1[0].ID, 6);
  EXPECT_EQ(target.Objects, m_target.Objects);
}

TEST_F(MassChangeRun, BusyLockIsHeldForTheWholeThreadedRun) {
  for (bool validOptions : {true, false}) {
    MassChangeOpts o;
    o.MC_KR_Coords_PramouglCB = !validOptions;
    EngineHost host(m_src);
    host.settings.UseThreads = true;
    EXPECT_EQ(RunMassChanges(host, ParseMassChange(o, '.')).ok, validOptions);
    const Lines expected = validOptions
        ? Lines{"LockControls", "SaveMob", "SaveMob", "OpenMob", "UnlockControls"}
        : Lines{"LockControls", "UnlockControls"};
    EXPECT_EQ(host.calls, expected);
    EXPECT_TRUE(host.session.LockOnLoadSave);
  }
}

TEST_F(MassChangeRun, TargetIsBackedUpBeforeItIsSaved) {
  EngineHost host(m_src);
  host.settings.MakeAutoBackups = true;
  host.settings.SaveAttempts = -1;  // a negative count typed in the settings still writes once
  EXPECT_TRUE(RunMassChanges(host, ParseMassChange(Mode(true, false), '.')).ok);
  EXPECT_EQ(host.calls, (Lines{"SaveMob", "OpenMob"}));
  // The backup's lines come after the open document's own and before the target's
  // save.
  const auto saving = std::find(host.lines.begin(), host.lines.end(), kSavingTarget);
  ASSERT_NE(saving, host.lines.end());
  EXPECT_EQ(*(saving + 2), "Успешно сделан бекап в файл " + m_tgt + ".auto.bak.mob");
  EXPECT_EQ(ReadFileBytes(m_tgt + ".auto.bak.mob"), m_targetBytes);
}

TEST_F(MassChangeRun, RefusedOptionsTouchNothing) {
  const std::string sameFile = m_dir.Path("./zone.mob");
  for (const std::string& target : {m_src, sameFile, m_dir.Path("missing.mob")}) {
    MassChangeOpts o = Mode(false, true);
    o.MC_KR_Type_UnitCB = true;
    o.MC_AS_Obj_TargetMobEd = target;
    EngineHost host(m_src);
    EXPECT_FALSE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
    EXPECT_EQ(host.lines, (Lines{kSeparator, kStarted, kOptsBad, kFailure}));
    EXPECT_EQ(host.calls, (Lines{}));
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(target), std::string::npos);
    EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
    EXPECT_EQ(host.mob.Units.size(), 3u);
  }
}

TEST_F(MassChangeRun, MoveWhoseTargetCannotBeSavedKeepsTheOpenFile) {
  MassChangeOpts o = Mode(false, true);
  o.MC_KR_Type_UnitCB = true;
  EngineHost host(m_src);
  // Every write into the target fails.
  test::TFaultyFiles failing;
  failing.createTemp.Fail(EIO).For(m_tgt);
  test::TUseFiles use(failing);
  const bool ok = RunMassChanges(host, ParseMassChange(o, '.')).ok;
  EXPECT_FALSE(ok);
  EXPECT_EQ(host.lines.back(), kFailure);
  EXPECT_EQ(host.calls, (Lines{"SaveMob", "OpenMob"}));
  EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
  EXPECT_EQ(ReadFileBytes(m_tgt), m_targetBytes);
  EXPECT_EQ(host.mob.Units, m_source.Units);  // reopened with the records that did not move
}

TEST_F(MassChangeRun, AFailedSaveOfTheOpenDocumentEndsWithTheFailureLine) {
  // Either save of the open document; the run still goes through every step.
  struct Case {
    const char* name;
    MassChangeOpts opts;
    int failingSave;
  } cases[] = {{"first save", MassChangeOpts{}, 1}, {"second save", MassChangeOpts{}, 2},
               {"copy", Mode(true, false), 1}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    struct FailingSaveHost : EngineHost {
      using EngineHost::EngineHost;
      bool SaveMob() override {
        const bool ok = EngineHost::SaveMob();
        return ++saves == failing ? false : ok;
      }
      int saves = 0, failing = 0;
    } host(m_src);
    host.failing = c.failingSave;
    c.opts.MC_KR_Type_UnitCB = true;
    EXPECT_FALSE(RunMassChanges(host, ParseMassChange(c.opts, '.')).ok);
    EXPECT_EQ(host.lines.back(), kFailure);
    EXPECT_EQ(host.calls.back(), "OpenMob");  // the document is reopened all the same
  }
}

TEST_F(MassChangeRun, ATargetThatIsNoRegularFileIsNeitherReadNorReplaced) {
  std::filesystem::remove(m_tgt);
  ASSERT_EQ(::mkfifo(m_tgt.c_str(), 0666), 0);
  // Reading the FIFO would wait for a writer for ever: the child has seconds.
  const test::ChildEnd end = test::RunInChild(
      [&] {
        MassChangeOpts o = Mode(false, true);
        o.MC_KR_Type_UnitCB = true;
        EngineHost host(m_src);
        if (RunMassChanges(host, ParseMassChange(o, '.')).ok) return 10;
        const Lines expected{kSeparator, kStarted, kOptsOk, kSavingOpen, kOpeningTarget,
                             NotRegularFileLine(m_tgt, FileKind::Fifo), kFailure};
        if (host.lines != expected) return 11;
        return host.mob.Units.size() == 3 ? 0 : 12;  // nothing moved
      },
      /*seconds=*/5);
  EXPECT_TRUE(end.exited) << "signal " << end.signal;
  EXPECT_EQ(end.code, 0);
  EXPECT_TRUE(std::filesystem::is_fifo(m_tgt));
  EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
}

TEST_F(MassChangeRun, UnreadableTargetIsNeitherScannedNorSaved) {
  test::WriteFileBytes(m_tgt, "not a zone");
  for (bool move : {false, true}) {
    MassChangeOpts o = Mode(!move, move);
    o.MC_KR_Type_UnitCB = true;
    EngineHost host(m_src);
    EXPECT_FALSE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
    EXPECT_EQ(host.lines, (Lines{kSeparator, kStarted, kOptsOk, kSavingOpen, kOpeningTarget, kFailure}));
    // Nothing was moved: a move saves the open document again, a copy does not.
    const Lines saves = move ? Lines{"SaveMob", "SaveMob"} : Lines{"SaveMob"};
    Lines expected;
    expected.insert(expected.end(), saves.begin(), saves.end());
    expected.insert(expected.end(), {"OpenMob"});
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(ReadFileBytes(m_tgt), "not a zone");
    EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
    EXPECT_EQ(host.mob.Units.size(), 3u);
  }
}

TEST_F(MassChangeRun, ReopensTheFileTheSaveWentTo) {
  // The open file vanished after it was loaded; the editor's save then asks for a
  // new name, and that is the file to reopen.
  struct SaveAsHost : EngineHost {
    using EngineHost::EngineHost;
    bool SaveMob() override {
      if (!std::filesystem::exists(file)) file = newName;
      return EngineHost::SaveMob();
    }
    bool OpenMob(const std::string& path) override {
      reopened = path;
      return EngineHost::OpenMob(path);
    }
    std::string newName, reopened;
  } host(m_src);
  host.newName = m_dir.Path("renamed.mob");
  std::filesystem::remove(m_src);
  MassChangeOpts o;
  o.MC_KR_Type_UnitCB = true;
  o.MC_AS_Params_Name2CB = true;
  o.MC_AS_Params_Name2Ed = "renamed";
  EXPECT_TRUE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
  EXPECT_EQ(host.reopened, host.newName);
  ASSERT_EQ(host.mob.Units.size(), 3u);
  EXPECT_EQ(host.mob.Units[0].Name2, "renamed");
}

TEST_F(MassChangeRun, TargetWithoutObjectBlockIsRefused) {
  TMob bare;
  test::EmptyZone(bare, 3);
  bare.HasObjects = false;
  const std::string bareBytes = SaveZone(bare, m_tgt);
  MassChangeOpts o = Mode(false, true);
  o.MC_KR_Type_UnitCB = true;
  EngineHost host(m_src);
  EXPECT_FALSE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
  EXPECT_EQ(ReadFileBytes(m_tgt), bareBytes);
  EXPECT_EQ(ReadFileBytes(m_src), m_sourceBytes);
  EXPECT_EQ(host.lines.back(), kFailure);
}

}  // namespace
}  // namespace kelvarin
