// kelvarin-cli masschange: the engine's scenarios run headless, with the files
// written compared byte for byte against documents built by hand.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "common/filesystem.h"
#include "common/inifile.h"
#include "masschange/core/masschangeopts.h"
#include "mob/filelog.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/childprocess.h"
#include "support/faultyfiles.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

const char kSuccess[] = "Массовые изменения успешно завершены.";
const char kFailure[] = "Выполнить массовые изменения не удалось - АААБЛОМ :(.";

std::string Image(TMob& mob) {
  // BuildImage continues from the block state of the last build; start afresh.
  mob.LastWrittenBlockType = 0;
  mob.AllKnownBlocksWritten = false;
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  return std::string(image.begin(), image.end());
}

class MassChangeCli : public ::testing::Test {
 protected:
  void SetUp() override {
    m_src = Path("zone.mob");
    m_tgt = Path("target.mob");
    GenerateZone(m_source, {.records = 400, .seed = 11});
    GenerateZone(m_target, {.records = 300, .seed = 12});
    m_sourceBytes = Image(m_source);
    m_targetBytes = Image(m_target);
    test::WriteFileBytes(m_src, m_sourceBytes);
    test::WriteFileBytes(m_tgt, m_targetBytes);
  }

  std::string Path(const std::string& name) const { return m_dir.Path(name); }

  // Writes the options the way the editor writes its settings file, with a [Main]
  // section when `autoBackups` is given, and runs the command over the zone.
  int Run(const MassChangeOpts& opts, const char* autoBackups = "0") {
    const std::string options = Path("opts.ini");
    {
      TIniFile ini(options);
      if (autoBackups) ini.WriteString("Main", "MakeAutoBackups", autoBackups);
      WriteMassChangeOpts(ini, opts);
      std::string error;
      EXPECT_TRUE(ini.UpdateFile(error)) << error;
    }
    const char* argv[] = {"kelvarin-cli", "masschange", m_src.c_str(), "--options", options.c_str()};
    std::ostringstream out;
    m_err.str("");
    return RunCli(5, argv, out, m_err);
  }

  MassChangeOpts Mode(bool del, bool copy, bool move) const {
    MassChangeOpts o;
    o.MC_AS_Obj_OnlyParamsRB = !del && !copy && !move;
    o.MC_AS_Obj_DelRB = del;
    o.MC_AS_Obj_CopyRB = copy;
    o.MC_AS_Obj_MoveRB = move;
    o.MC_AS_Obj_TargetMobEd = m_tgt;
    return o;
  }
  bool Logged(const std::string& text) const { return m_err.str().find(text) != std::string::npos; }

  test::TTempFolder m_dir;
  std::string m_src, m_tgt;
  TMob m_source, m_target;  // the zones as written; tests change them into the expected ones
  std::string m_sourceBytes, m_targetBytes;
  std::ostringstream m_err;
};

// An unbuffered stream that counts the pieces it is handed, as stderr takes each
// one in a write of its own.
class CountingOutput : public std::streambuf {
 public:
  std::string text;
  std::size_t pieces = 0;

 protected:
  int_type overflow(int_type c) override {
    ++pieces;
    text += traits_type::to_char_type(c);
    return c;
  }
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    ++pieces;
    text.append(data, std::size_t(size));
    return size;
  }
};

TEST_F(MassChangeCli, TheLogGoesOutALineOrMoreAtATime) {
  MassChangeOpts o = Mode(true, false, false);
  o.MC_KR_Type_LeverCB = true;
  const std::string options = Path("opts.ini");
  {
    TIniFile ini(options);
    WriteMassChangeOpts(ini, o);
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(error)) << error;
  }
  const char* argv[] = {"kelvarin-cli", "masschange", m_src.c_str(), "--options", options.c_str()};
  std::ostringstream out;
  CountingOutput counting;
  std::ostream err(&counting);
  ASSERT_EQ(RunCli(5, argv, out, err), 0) << counting.text;
  const auto lines = std::size_t(std::count(counting.text.begin(), counting.text.end(), '\n'));
  EXPECT_GT(lines, 20u);
  EXPECT_LE(counting.pieces, lines) << "a write per character";
  EXPECT_EQ(counting.text.find('\r'), std::string::npos);
}

TEST_F(MassChangeCli, DeletesConsecutiveUnitsByName) {
  const std::string name = m_source.Units[0].Name2;
  MassChangeOpts o = Mode(true, false, false);
  o.MC_KR_Type_UnitCB = true;
  o.MC_KR_Param_Name2CB = true;
  o.MC_KR_Param_Name2Ed = name;
  ASSERT_EQ(Run(o), 0) << m_err.str();
  EXPECT_TRUE(Logged(kSuccess));
  EXPECT_GT(std::erase_if(m_source.Units, [&](const TUnitObjBlock& u) { return u.Name2 == name; }), 0u);
  EXPECT_EQ(test::ReadFileBytes(m_src), Image(m_source));
  EXPECT_EQ(test::ReadFileBytes(m_tgt), m_targetBytes);
}

TEST_F(MassChangeCli, ChangesParametersInsideARectangle) {
  MassChangeOpts o = Mode(false, false, false);
  o.MC_KR_Type_ObjectCB = o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = true;
  o.MC_KR_Coords_PramouglCB = true;
  o.MC_KR_Coords_Pramougl_X1Ed = "-5000.5", o.MC_KR_Coords_Pramougl_Y1Ed = "5000";
  o.MC_KR_Coords_Pramougl_X2Ed = "5000", o.MC_KR_Coords_Pramougl_Y2Ed = "-5000";
  o.MC_AS_Params_PlayerNumberCB = true, o.MC_AS_Params_PlayerNumberEd = "300";
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "2.5", o.MC_AS_Params_OffsetYEd = "-1";
  ASSERT_EQ(Run(o), 0) << m_err.str();

  const auto inside = [](float x, float y) { return -5000.5f <= x && x <= 5000 && -5000 <= y && y <= 5000; };
  const auto change = [&](auto& list) {
    for (auto& r : list) {
      if (!inside(r.LoadX, r.LoadY)) continue;
      r.PlayerNumber = 44;
      r.LoadX += 2.5f;  // exact in single precision for these magnitudes
      r.LoadY -= 1;
    }
  };
  change(m_source.Objects);
  change(m_source.Flames);
  for (auto& p : m_source.Particles1)
    if (inside(p.CoordX, p.CoordY)) p.CoordX += 2.5f, p.CoordY -= 1;
  EXPECT_EQ(test::ReadFileBytes(m_src), Image(m_source));
}

TEST_F(MassChangeCli, CopiesWithClashingIdentitiesIntoTheLowestFreeOnes) {
  MassChangeOpts o = Mode(false, true, false);
  o.MC_AS_Obj_ReplaceCB = false;
  o.MC_KR_Type_TrapCB = o.MC_KR_Type_Particle2CB = true;
  ASSERT_EQ(Run(o), 0) << m_err.str();

  const auto copy = [&](const auto& from, auto& into) {
    for (const auto& r : from) {
      auto c = r;
      std::int32_t id = r.Identity();
      if (std::uint32_t(id) >= kHighIdentityRange) m_target.CheckOrDeleteObjectId(id, true);
      else if (!m_target.CheckOrDeleteObjectId(id, false)) id = std::int32_t(m_target.FindFreeObjectId());
      if constexpr (requires { c.ObjectID; }) c.ObjectID = id;
      else c.ID = id;
      into.push_back(c);
    }
  };
  copy(m_source.Traps, m_target.Traps);
  copy(m_source.Particles2, m_target.Particles2);
  EXPECT_EQ(test::ReadFileBytes(m_tgt), Image(m_target));
  EXPECT_EQ(test::ReadFileBytes(m_src), m_sourceBytes);
}

TEST_F(MassChangeCli, MovesIntoTheTargetAndBacksBothFilesUp) {
  MassChangeOpts o = Mode(false, false, true);
  o.MC_KR_Type_LeverCB = true;
  ASSERT_EQ(Run(o, nullptr), 0) << m_err.str();  // no [Main]: automatic backups on

  for (const auto& l : m_source.Levers) {
    m_target.CheckOrDeleteObjectId(l.ObjectID, true);
    m_target.Levers.push_back(l);
  }
  m_source.Levers.clear();
  EXPECT_EQ(test::ReadFileBytes(m_src), Image(m_source));
  EXPECT_EQ(test::ReadFileBytes(m_tgt), Image(m_target));
  EXPECT_EQ(test::ReadFileBytes(m_tgt + ".auto.bak.mob"), m_targetBytes);
  EXPECT_TRUE(fs::exists(m_src + ".auto.bak.mob"));
}

TEST_F(MassChangeCli, RefusalsExitWithOneAndTouchNothing) {
  MassChangeOpts badNumber = Mode(false, false, false);
  badNumber.MC_KR_Coords_KrugCB = true;
  badNumber.MC_KR_Coords_Krug_XEd = ".";
  MassChangeOpts sameFile = Mode(false, false, true);
  sameFile.MC_AS_Obj_TargetMobEd = m_src;
  MassChangeOpts missing = Mode(false, true, false);
  missing.MC_AS_Obj_TargetMobEd = Path("missing.mob");
  for (const auto& [opts, message] :
       {std::pair{badNumber, std::string("значение поля MC_KR_Coords_Krug_XEd")},
        {sameFile, "тот же файл"}, {missing, "Файл " + Path("missing.mob") + " не существует!"}}) {
    EXPECT_EQ(Run(opts), 1);
    EXPECT_TRUE(Logged(message)) << m_err.str();
    EXPECT_TRUE(Logged(kFailure));
    EXPECT_EQ(test::ReadFileBytes(m_src), m_sourceBytes);
    EXPECT_EQ(test::ReadFileBytes(m_tgt), m_targetBytes);
  }

  const char* noOptions[] = {"kelvarin-cli", "masschange", m_src.c_str(), "--options", "/nonexistent.ini"};
  std::ostringstream out, err;
  EXPECT_EQ(RunCli(5, noOptions, out, err), 1);
  const char* noFile[] = {"kelvarin-cli", "masschange", m_src.c_str()};
  EXPECT_EQ(RunCli(3, noFile, out, err), 2);
}

TEST_F(MassChangeCli, AFailedSaveOfEitherFileIsExitOneWithTheReason) {
  for (const std::string& failing : {m_src, m_tgt}) {
    SCOPED_TRACE(failing);
    MassChangeOpts o = Mode(false, true, false);
    o.MC_KR_Type_UnitCB = true;
    const std::string before = test::ReadFileBytes(failing);
    // Every write into that file fails.
    test::TFaultyFiles files;
    files.createTemp.Fail(ENOSPC).For(failing);
    SetFiles(&files);
    const int code = Run(o);
    SetFiles(nullptr);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(Logged(kFailure)) << m_err.str();
    EXPECT_FALSE(Logged(kSuccess));
    EXPECT_TRUE(Logged(ReasonLine(ENOSPC)));
    EXPECT_TRUE(test::ReadFileBytes(failing) == before);
  }
}

TEST_F(MassChangeCli, AnOptionsFileThatCannotBeUsedIsRefusedBeforeAnythingRuns) {
  const std::string options = Path("opts.ini");
  const auto run = [&] {
    const char* argv[] = {"kelvarin-cli", "masschange", m_src.c_str(), "--options", options.c_str()};
    std::ostringstream out;
    m_err.str("");
    return RunCli(5, argv, out, m_err);
  };
  // Garbage, and a file of some other program: none of the mass-change keys.
  for (const char* text : {"\x01\x02garbage\xFF\n", "[Main]\nSaveAttempts=3\n[Other]\nkey=1\n"}) {
    test::WriteFileBytes(options, text);
    EXPECT_EQ(run(), 1);
    EXPECT_NE(m_err.str().find("holds none of the keys"), std::string::npos) << m_err.str();
  }
  fs::remove(options);
  ASSERT_EQ(::mkfifo(options.c_str(), 0666), 0);
  EXPECT_EQ(run(), 1);
  EXPECT_NE(m_err.str().find("is not a regular file"), std::string::npos) << m_err.str();
  fs::remove(options);

  // A file its user may not read.
  {
    TIniFile ini(options);
    WriteMassChangeOpts(ini, Mode(true, false, false));
    std::string error;
    ASSERT_TRUE(ini.UpdateFile(error)) << error;
  }
  fs::permissions(options, fs::perms::none);
  const test::ChildEnd end = test::RunInChild([&] {
    if (!test::BecomeNobody()) return 10;
    if (run() != 1) return 11;
    return m_err.str().find("cannot be read: " + SystemErrorText(EACCES)) != std::string::npos ? 0 : 12;
  });
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.code, 0);
  EXPECT_EQ(test::ReadFileBytes(m_src), m_sourceBytes);
  EXPECT_EQ(test::ReadFileBytes(m_tgt), m_targetBytes);
}

}  // namespace
}  // namespace kelvarin
