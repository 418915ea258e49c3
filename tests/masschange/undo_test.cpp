// A mass change as one step of the open document's history: its undo gives the
// file back byte for byte, its redo the run's result; a copy is no step, a move's
// undo leaves the target alone, and the run's own reload keeps the history.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "common/filesystem.h"
#include "document/recordcommands.h"
#include "enginehost.h"
#include "support/faultyfiles.h"

namespace kelvarin {
namespace {

using test::EngineHost;
using test::ReadFileBytes;

class MassChangeUndo : public ::testing::Test {
 protected:
  void SetUp() override {
    TMob zone;
    GenerateZone(zone, {.records = 500, .seed = 21, .scriptLines = 4});
    m_original = test::SaveZone(zone, m_src);
    TMob target;
    GenerateZone(target, {.records = 100, .seed = 22, .scriptLines = 2});
    m_targetBytes = test::SaveZone(target, m_tgt);
  }

  MassChangeOpts Mode(bool del, bool copy, bool move) const {
    MassChangeOpts o;
    o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
    o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = true;
    o.MC_KR_Type_Particle3CB = true;
    o.MC_AS_Obj_OnlyParamsRB = !del && !copy && !move;
    o.MC_AS_Obj_DelRB = del;
    o.MC_AS_Obj_CopyRB = copy;
    o.MC_AS_Obj_MoveRB = move;
    o.MC_AS_Obj_TargetMobEd = m_tgt;
    return o;
  }
  static MassChangeOpts WithChanges(MassChangeOpts o) {
    o.MC_AS_Params_Name2CB = true;
    o.MC_AS_Params_Name2Ed = "renamed";
    o.MC_AS_Params_PlayerNumberCB = true;
    o.MC_AS_Params_PlayerNumberEd = "7";
    o.MC_AS_Params_OffsetCB = true;
    o.MC_AS_Params_OffsetXEd = "1.5";
    o.MC_AS_Params_OffsetYEd = "-2";
    return o;
  }
  // A parameter edit of the first object, as the parameter table makes it.
  static void RenameFirstObject(EngineHost& host, const std::string& name) {
    host.session.Apply(TFieldEditCommand::Set(host.mob, {ObjKind::Object, 0}, "Name2", name, "Name2 = " + name));
  }
  // Writes the open document and reads the file back.
  std::string Saved(EngineHost& host) {
    EXPECT_TRUE(host.session.Save(m_src));
    return ReadFileBytes(m_src);
  }

  test::TTempFolder m_dir;
  std::string m_src = m_dir.Path("zone.mob"), m_tgt = m_dir.Path("target.mob");
  std::string m_original, m_targetBytes;
};

TEST_F(MassChangeUndo, UndoOfAChangeOrADeletionGivesBackTheFileByteForByte) {
  const struct {
    const char* name;
    MassChangeOpts opts;
  } cases[] = {{"change every record", WithChanges(Mode(false, false, false))},
               {"delete every record", Mode(true, false, false)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteFileBytes(m_src, m_original);
    EngineHost host(m_src);
    ASSERT_TRUE(RunMassChanges(host, ParseMassChange(c.opts, '.')).ok);
    const std::string afterRun = ReadFileBytes(m_src);
    ASSERT_NE(afterRun, m_original);
    EXPECT_FALSE(host.session.Modified());  // the run saved and reloaded the file
    ASSERT_EQ(host.session.History().Count(), 1u);
    EXPECT_TRUE(host.session.CanUndo());

    ASSERT_TRUE(host.session.Undo());
    EXPECT_TRUE(host.session.Modified());
    EXPECT_EQ(Saved(host), m_original);
    ASSERT_TRUE(host.session.Redo());
    EXPECT_EQ(Saved(host), afterRun);
    ASSERT_TRUE(host.session.Undo());
    EXPECT_EQ(Saved(host), m_original);
  }
}

TEST_F(MassChangeUndo, TheStepFollowsEarlierEditsAndTheRunsReloadKeepsThem) {
  EngineHost host(m_src);
  RenameFirstObject(host, "edited before");
  ASSERT_TRUE(RunMassChanges(host, ParseMassChange(WithChanges(Mode(false, false, false)), '.')).ok);
  ASSERT_EQ(host.session.History().Count(), 2u);
  EXPECT_EQ(host.session.History().NextUndo()->Caption().rfind("Массовое изменение", 0), 0u);
  ASSERT_TRUE(host.session.Undo());
  EXPECT_EQ(host.mob.Objects[0].Name2, "edited before");
  ASSERT_TRUE(host.session.Undo());
  EXPECT_EQ(Saved(host), m_original);
}

TEST_F(MassChangeUndo, ACopyLeavesTheHistoryAsItIs) {
  EngineHost host(m_src);
  RenameFirstObject(host, "edited before");
  ASSERT_TRUE(RunMassChanges(host, ParseMassChange(WithChanges(Mode(false, true, false)), '.')).ok);
  ASSERT_EQ(host.session.History().Count(), 1u);
  EXPECT_EQ(host.session.History().NextUndo()->Caption(), "Name2 = edited before");
  EXPECT_NE(ReadFileBytes(m_tgt), m_targetBytes);
}

TEST_F(MassChangeUndo, AMovesUndoPutsTheRecordsBackInTheOpenDocumentOnly) {
  MassChangeOpts o = Mode(false, false, true);
  o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = o.MC_KR_Type_FlameCB = false;
  o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = o.MC_KR_Type_Particle3CB = false;
  EngineHost host(m_src);
  const std::size_t units = host.mob.Units.size();
  ASSERT_TRUE(RunMassChanges(host, ParseMassChange(o, '.')).ok);
  const std::string targetAfter = ReadFileBytes(m_tgt);
  EXPECT_TRUE(host.mob.Units.empty());

  host.lines.clear();
  ASSERT_TRUE(host.session.Undo());
  EXPECT_EQ(host.mob.Units.size(), units);
  ASSERT_EQ(host.lines.size(), 1u);
  EXPECT_NE(host.lines[0].find("остались в целевом мобе " + m_tgt), std::string::npos) << host.lines[0];
  EXPECT_EQ(ReadFileBytes(m_tgt), targetAfter);
  EXPECT_EQ(Saved(host), m_original);
}

TEST_F(MassChangeUndo, AChangeThatDidNotReachTheFileIsNoStep) {
  EngineHost host(m_src);
  RenameFirstObject(host, "edited before");
  // The run's first save writes the edit; its second, with the run's change, fails.
  test::TFaultyFiles failing;
  failing.createTemp.Fail(EIO).For(m_src).After(1);
  {
    test::TUseFiles use(failing);
    RunMassChanges(host, ParseMassChange(Mode(true, false, false), '.'));
  }
  // Reloaded from the first save: the edit is there, the deletion is not.
  EXPECT_FALSE(host.mob.Units.empty());
  ASSERT_EQ(host.session.History().Count(), 1u);
  EXPECT_EQ(host.session.History().NextUndo()->Caption(), "Name2 = edited before");
}

}  // namespace
}  // namespace kelvarin
