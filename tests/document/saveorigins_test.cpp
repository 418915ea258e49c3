// The editor's document copies the records nobody changed from the file it
// loaded: whatever the file held and whatever was done to the records since,
// the save writes exactly the bytes the writer makes of the lists, and a file
// that another program wrote or cut short after the load gives no byte of its
// own to the save.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/filesystem.h"
#include "document/blockcommands.h"
#include "document/documentsession.h"
#include "document/movecommand.h"
#include "document/recordcommands.h"
#include "document/recordset.h"
#include "mob/recordorigins.h"
#include "mob/tmob.h"
#include "python/documentscript.h"
#include "python/zonehandle.h"
#include "support/childprocess.h"
#include "support/filebytes.h"
#include "support/mobbytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

// The real files without the flushes (hundreds of saves stay fast), and a hook
// that runs before the first write of a save.
class TQuickFiles : public TPosixFileSystem {
 public:
  bool Sync(int, int&) override { return true; }
  void SyncFolderOf(const std::string&) override {}
  bool Write(int handle, const std::uint8_t* data, std::size_t size, int& err) override {
    if (auto hook = std::exchange(beforeWrite, nullptr)) hook();
    return TPosixFileSystem::Write(handle, data, size, err);
  }
  std::function<void()> beforeWrite;
};

Bytes WriterBytes(TMob& mob) {
  const std::string log = mob.LogText;
  Bytes image;
  EXPECT_TRUE(mob.BuildImage(image));
  mob.LogText = log;
  return image;
}

// The generated zone with its object block's sub-blocks in reverse order (kinds
// interleaved, unknown sub-blocks first), then `flips` bytes of that block changed
// at random: records no longer in the writer's form, chunks unknown, values odd.
Bytes MutatedZone(std::uint64_t seed, int flips) {
  Bytes image = testing::GeneratedImage(240, 3);
  for (std::size_t p = 16; p + 8 <= image.size();) {
    const std::uint32_t type = ReadU32(image.data() + p), size = ReadU32(image.data() + p + 4);
    if (type != kObjectBlockType) {
      p += size;
      continue;
    }
    std::vector<Bytes> subs;
    for (std::size_t q = p + 8; q < p + size; q += ReadU32(image.data() + q + 4))
      subs.emplace_back(image.begin() + q, image.begin() + q + ReadU32(image.data() + q + 4));
    std::size_t at = p + 8;
    for (auto sub = subs.rbegin(); sub != subs.rend(); ++sub) {
      std::copy(sub->begin(), sub->end(), image.begin() + at);
      at += sub->size();
    }
    std::mt19937_64 random(seed);
    for (int i = 0; i < flips; ++i) image[p + 8 + random() % (size - 8)] ^= std::uint8_t(1 + random() % 255);
    break;
  }
  return image;
}

class SaveOrigins : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFiles(&m_files);
    m_session.SetOptions({.MakeAutoBackups = false});
    m_session.Mob().KeepsOrigins = true;
  }
  void TearDown() override { SetFiles(nullptr); }

  // Loads `image` from a file of its own; false when it does not load.
  bool Open(const Bytes& image) {
    test::WriteFileBytes(m_path, image);
    return m_session.Load(m_path);
  }
  // Saves to another file and compares it with what the writer makes.
  void ExpectSavedAsWritten(const std::string& what) {
    SCOPED_TRACE(what);
    const std::string saved = m_dir.Path("saved.mob");
    ASSERT_TRUE(m_session.Save(saved)) << m_session.Mob().LogText;
    const Bytes expected = WriterBytes(m_session.Mob());
    EXPECT_TRUE(test::ReadFileBytes(saved) == std::string(expected.begin(), expected.end()));
  }
  // Another program writes into the loaded file (or cuts it), in a process of
  // its own that waits for its turn as any writer does.
  void AnotherProgramWrites(bool cut) {
    const std::string path = m_path;
    const test::ChildEnd end = test::RunInChild([&] {
      const int fd = ::open(path.c_str(), O_WRONLY);
      if (fd < 0) return 1;
      const bool done = cut ? ::ftruncate(fd, 100) == 0 : ::pwrite(fd, "garbage!", 8, 300) == 8;
      ::close(fd);
      return done ? 0 : 2;
    }, 20);
    EXPECT_TRUE(end.exited && end.code == 0);
  }

  TQuickFiles m_files;
  test::TTempFolder m_dir;
  std::string m_path = m_dir.Path("zone.mob");
  TDocumentSession m_session;
};

// A script's run as the editor makes it: `change` works on the document through
// a zone handle whose changes go into the step's journal.
using TZone = std::shared_ptr<TZoneHandle>;
std::unique_ptr<TDocCommand> ScriptStep(TDocumentSession& session, std::function<void(const TZone&)> change) {
  return std::make_unique<TScriptRunCommand>("Сценарий t.py", [&session, change](TZoneJournal& journal) {
    TDocumentZoneOwner owner(session, "", journal);
    auto zone = std::make_shared<TZoneHandle>(owner);
    change(zone);
    zone->Release("the run is over");
    return true;
  });
}

TEST_F(SaveOrigins, EveryKindOfStepUndoneAndRedoneSavesAsTheWriterWrites) {
  const TKindValues loadX = [] {
    TKindValues values;
    for (ObjKind kind : kAllObjKinds) values[std::size_t(kind)] = TFieldValue(7.25f);
    return values;
  }();
  TMob& mob = m_session.Mob();
  const std::vector<TObjRef> several = {{ObjKind::Unit, 1}, {ObjKind::Trap, 0}, {ObjKind::Unit, 5}, {ObjKind::Flame, 2}};
  using Make = std::function<std::unique_ptr<TDocCommand>()>;
  const struct {
    const char* name;
    Make make;
  } steps[] = {
      {"field edit", [&] { return TFieldEditCommand::Set(mob, {ObjKind::Unit, 3}, "LoadX", 12.5f, "LoadX"); }},
      {"turn", [&]() -> std::unique_ptr<TDocCommand> {
         const TObjRef ref{ObjKind::Object, 2};
         const auto before = ReadRotation(mob, ref);
         if (!before) return nullptr;
         return std::make_unique<TTurnCommand>(ref, *before, TRotationFields{0.5f, 0.5f, 0.5f, 0.5f}, 1, "turn");
       }},
      {"move", [&] { return MoveRecordsStep(mob, several, 3.0, -1.0, "move"); }},
      {"mass change", [&] {
         return std::make_unique<TRecordsEditCommand>([](TMob& m, TRecordsEdit& edit) {
           auto& units = m.Units;
           const auto loadX = static_cast<float TUnitObjBlock::*>(&TUnitObjBlock::LoadX);
           for (std::size_t i = 0; i < units.size(); i += 3) edit.SetField(units[i], i, loadX, 1.0f);
           std::size_t kept = 0;
           for (std::size_t i = 0; i < units.size(); ++i) {
             if (i % 4 == 1) edit.TakeRecord(units[i], i);
             else units[kept++] = std::move(units[i]);
           }
           units.resize(kept);
           return std::string("mass change");
         });
       }},
      {"shared field", [&] { return SetFieldStep(mob, GroupRecords(mob, several), "LoadX", loadX, "LoadX = 7.25"); }},
      {"delete", [&] { return DeleteRecordsStep(mob, several, "delete"); }},
      {"duplicate", [&] { return AppendRecordsStep(CopyRecords(mob, several), "duplicate"); }},
      {"paste", [&] {
         auto batch = std::make_unique<TMob>();
         EXPECT_TRUE(ReadRecordsFileForm(RecordsFileForm(*CopyRecords(mob, several)), *batch));
         EXPECT_TRUE(GiveFreeIdentities(mob, *batch, false));
         return AppendRecordsStep(std::move(batch), "paste");
       }},
      {"block replace", [&] {
         const Bytes* old = UnknownBlockBytes(mob, {true, 0});
         Bytes bytes = old ? *old : Bytes{};
         if (bytes.size() > 8) bytes.back() ^= 0x5A;
         return TBlockReplaceCommand::Replace(mob, {true, 0}, std::move(bytes), "block");
       }},
      {"script, fields only", [&] {
         return ScriptStep(m_session, [](const TZone& zone) {
           TRecordRef(zone, ObjKind::Lever, 1).SetField(static_cast<float TLeverObjBlock::*>(&TLeverObjBlock::LoadX), "LoadX", 2.0f);
         });
       }},
      {"script, records added and taken", [&] {
         return ScriptStep(m_session, [](const TZone& zone) {
           zone->Insert(1, TUnitObjBlock{});
           zone->Remove(ObjKind::Trap, 1);
         });
       }},
  };

  std::vector<Bytes> files = {testing::GeneratedImage(240, 3), MutatedZone(0, 0)};
  for (std::uint64_t seed = 1; files.size() < 6 && seed < 200; ++seed) {
    TMob probe;
    const Bytes mutated = MutatedZone(seed, 3);
    if (probe.LoadImage(mutated.data(), mutated.size())) files.push_back(mutated);
  }
  for (std::size_t f = 0; f < files.size(); ++f) {
    SCOPED_TRACE("file " + std::to_string(f));
    ASSERT_TRUE(Open(files[f]));
    if (!mob.Origins()) GTEST_SKIP() << "the temporary folder's file system grants no lease";
    ExpectSavedAsWritten("as loaded");
    // The save had records to copy: origins in the writer's form.
    ASSERT_TRUE(mob.Origins()->Usable(mob));
    if (f == 0) EXPECT_FALSE(mob.Origins()->WrittenAs(ObjKind::Unit, 0).empty());
    for (const auto& step : steps) {
      SCOPED_TRACE(step.name);
      auto made = step.make();
      if (!made) continue;  // nothing of the kind in this file
      ASSERT_TRUE(m_session.Apply(std::move(made)));
      ExpectSavedAsWritten("applied");
      ASSERT_TRUE(m_session.Undo());
      ExpectSavedAsWritten("undone");
      ASSERT_TRUE(m_session.Redo());
      ExpectSavedAsWritten("redone");
      // Every kind of step but a script's run that adds or takes records is followed.
      if (&step != &std::end(steps)[-1]) EXPECT_NE(mob.Origins(), nullptr);
    }
    while (m_session.Undo()) {}
    ExpectSavedAsWritten("all undone");
  }
}

TEST_F(SaveOrigins, AFileWrittenOrCutAfterTheLoadGivesTheSaveNothing) {
  const Bytes image = MutatedZone(0, 0);
  const struct {
    const char* name;
    bool cut;
    bool duringSave;
  } cases[] = {
      {"written before the save", false, false},
      {"cut short before the save", true, false},
      {"written while the save copies", false, true},
      {"cut short while the save copies", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open(image));
    if (!m_session.Mob().Origins()) GTEST_SKIP() << "the temporary folder's file system grants no lease";
    ASSERT_TRUE(m_session.Apply(TFieldEditCommand::Set(m_session.Mob(), {ObjKind::Unit, 0}, "LoadX", 3.0f, "LoadX")));
    if (c.duringSave) m_files.beforeWrite = [&] { AnotherProgramWrites(c.cut); };
    else AnotherProgramWrites(c.cut);
    ExpectSavedAsWritten("saved");
    EXPECT_EQ(m_session.Mob().Origins(), nullptr);
    EXPECT_EQ(m_session.Mob().LogText.find("Пытаюсь сохранить еще раз"), std::string::npos);
  }
}

}  // namespace
}  // namespace kelvarin
