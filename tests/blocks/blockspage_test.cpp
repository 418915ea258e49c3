// The Blocks page over a real session: the table follows the file through open,
// close and save; an unknown block's bytes show in the hex view; a block saved to a
// file goes back in as one undoable step and is written at its place; files that do
// not frame one block of the same type are refused and change nothing; while the
// busy lock is held the page keeps its picture and reads nothing.
#include <gtest/gtest.h>

#include <QTreeView>
#include <QPushButton>
#include <QLabel>
#include <filesystem>

#include "blocks/ui/blockspage.h"
#include "blocks/ui/hexview.h"
#include "mob/blocklayout.h"
#include "mob/generator.h"
#include "support/fakeshell.h"
#include "support/mobbytes.h"
#include "support/filebytes.h"
#include "support/tempfolder.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;
using namespace Qt::StringLiterals;
using namespace kelvarin::testing;

class BlocksPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    TSessionOptions options;
    options.MakeAutoBackups = false;
    shell.session.SetOptions(options);
    GenerateZone(shell.mob, {.records = 100, .seed = 6});
    shell.session.Adopt(Path("zone.mob"));
    page = std::make_unique<TBlocksPage>(shell);
  }
  void TearDown() override { page.reset(); }

  std::string Path(const std::string& name) const { return m_dir.Path(name); }
  TBlocksTableModel& Model() { return *page->TableModel(); }
  void SelectBlock(int row) { page->BlocksTable()->setCurrentIndex(Model().index(row, 0)); }
  void SelectUnderObjects(int row) {
    page->BlocksTable()->setCurrentIndex(Model().index(row, 0, Model().index(4, 0)));
  }
  // The row under the object block of its n-th unknown sub-block.
  int UnknownSubRow(std::size_t n) {
    const auto& subs = Model().Layout().subBlocks;
    for (std::size_t i = 0; i < subs.size(); ++i)
      if (subs[i].unknown && subs[i].unknownIndex == n) return int(i);
    ADD_FAILURE() << "no unknown sub-block " << n;
    return -1;
  }
  QString What(const QModelIndex& row) const {
    return row.model()->index(row.row(), TBlocksTableModel::kWhat, row.parent()).data().toString();
  }

  TFakeShell shell;
  std::unique_ptr<TBlocksPage> page;
  test::TTempFolder m_dir;
};

TEST_F(BlocksPageTest, TheTableFollowsTheDocumentAndShowsUnknownBytes) {
  // Flag, unknown 2, script 3, unknown 4, objects 5, tail.
  ASSERT_EQ(Model().rowCount(), 6);
  EXPECT_TRUE(page->BlocksTable()->isExpanded(Model().index(4, 0)));
  EXPECT_TRUE(page->InfoLab()->text().startsWith(u"Файл: "_s));

  SelectBlock(3);
  EXPECT_EQ(page->HexView()->Data(), shell.mob.UnknownBlocks[1].Data);
  EXPECT_TRUE(page->ExportBut()->isEnabled());
  EXPECT_TRUE(page->ReplaceBut()->isEnabled());
  SelectUnderObjects(UnknownSubRow(1));
  EXPECT_EQ(page->HexView()->Data(), shell.mob.UnknownObjectBlocks[1].Data);
  EXPECT_TRUE(page->ReplaceBut()->isEnabled());

  // Known blocks are exported but neither shown nor replaced; a group is neither.
  SelectBlock(2);
  EXPECT_TRUE(page->HexView()->Data().empty());
  EXPECT_TRUE(page->ExportBut()->isEnabled());
  EXPECT_FALSE(page->ReplaceBut()->isEnabled());
  SelectUnderObjects(0);
  EXPECT_FALSE(page->ExportBut()->isEnabled());
  EXPECT_FALSE(page->ReplaceBut()->isEnabled());

  shell.session.Close();
  EXPECT_EQ(Model().rowCount(), 0);
  EXPECT_TRUE(page->HexView()->Data().empty());
  EXPECT_EQ(page->InfoLab()->text(), u"Моб не открыт."_s);
  EXPECT_FALSE(page->ExportBut()->isEnabled());

  GenerateZone(shell.mob, {.records = 10, .seed = 1});
  shell.session.Adopt(Path("other.mob"));
  EXPECT_EQ(Model().rowCount(), 6);
}

TEST_F(BlocksPageTest, AnExportedBlockGoesBackInAsOneStepAndSavesAtItsPlace) {
  SelectBlock(3);  // unknown block number 4
  const Bytes original = shell.mob.UnknownBlocks[1].Data;
  const std::uint64_t fileSize = Model().Layout().blocks[3].size;

  // Saved whole, header included; the dialog proposes a name beside the document.
  shell.prompts.ChooseFile(QString::fromStdString(Path("block4.bin")));
  page->ExportSelected();
  EXPECT_EQ(shell.prompts.Records().back().text, QString::fromStdString(Path("zone_block4.bin")));
  EXPECT_EQ(test::ReadFileImage(Path("block4.bin")), original);
  EXPECT_EQ(shell.session.History().Count(), 0u);

  // The same type with other bytes and another length.
  const Bytes replacement = Framed(ReadU32(original.data()), Bytes(33, 0xAB));
  test::WriteFileBytes(Path("new.bin"), replacement);
  shell.prompts.ChooseFile(QString::fromStdString(Path("new.bin")));
  page->ReplaceSelected();
  EXPECT_EQ(shell.mob.UnknownBlocks[1].Data, replacement);
  EXPECT_TRUE(shell.session.Modified());
  ASSERT_EQ(shell.session.History().Count(), 1u);
  EXPECT_EQ(page->HexView()->Data(), replacement);
  // Marked with its new size; the table is still the file's.
  EXPECT_EQ(What(Model().index(3, 0)), u"неизвестный блок — заменён, теперь 41 байт"_s);
  EXPECT_EQ(Model().Layout().blocks[3].size, fileSize);

  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.mob.UnknownBlocks[1].Data, original);
  EXPECT_EQ(What(Model().index(3, 0)), u"неизвестный блок"_s);
  EXPECT_EQ(page->HexView()->Data(), original);
  ASSERT_TRUE(shell.session.Redo());
  EXPECT_TRUE(Model().Changed({TBlockRow::Kind::Block, 3}));

  // Written at its place, byte for byte; the mark goes with the save.
  ASSERT_TRUE(shell.session.Save(Path("zone.mob")));
  EXPECT_FALSE(Model().Changed({TBlockRow::Kind::Block, 3}));
  const Bytes saved = test::ReadFileImage(Path("zone.mob"));
  const TBlockPlace& place = Model().Layout().blocks[3];
  EXPECT_EQ(place.number, 4);
  ASSERT_EQ(place.size, replacement.size());
  EXPECT_EQ(Bytes(saved.begin() + std::ptrdiff_t(place.offset), saved.begin() + std::ptrdiff_t(place.offset + place.size)),
            replacement);
  EXPECT_EQ(Model().Layout().fileSize, saved.size());

  // An undo after the save marks it again: the document differs from the file.
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_TRUE(Model().Changed({TBlockRow::Kind::Block, 3}));
}

TEST_F(BlocksPageTest, AnUnknownObjectSubBlockIsReplacedToo) {
  SelectUnderObjects(UnknownSubRow(0));
  const Bytes original = shell.mob.UnknownObjectBlocks[0].Data;
  const Bytes replacement = Framed(ReadU32(original.data()), Bytes{1, 2, 3});
  test::WriteFileBytes(Path("sub.bin"), replacement);
  shell.prompts.ChooseFile(QString::fromStdString(Path("sub.bin")));
  page->ReplaceSelected();
  EXPECT_EQ(shell.mob.UnknownObjectBlocks[0].Data, replacement);
  EXPECT_TRUE(Model().Changed({TBlockRow::Kind::UnknownSubBlock, std::size_t(UnknownSubRow(0))}));
  ASSERT_TRUE(shell.session.Undo());
  EXPECT_EQ(shell.mob.UnknownObjectBlocks[0].Data, original);

  // The same bytes again change nothing and are no step.
  test::WriteFileBytes(Path("same.bin"), original);
  shell.prompts.ChooseFile(QString::fromStdString(Path("same.bin")));
  page->ReplaceSelected();
  EXPECT_EQ(shell.session.History().Index(), 0u);
  EXPECT_FALSE(Model().Changed({TBlockRow::Kind::UnknownSubBlock, std::size_t(UnknownSubRow(0))}));
}

TEST_F(BlocksPageTest, FilesThatDoNotFrameOneBlockOfTheTypeAreRefused) {
  SelectBlock(1);
  const Bytes original = shell.mob.UnknownBlocks[0].Data;
  const std::uint32_t type = ReadU32(original.data());
  test::WriteFileBytes(Path("other-type.bin"), Framed(type + 1, Bytes(4, 0)));
  test::WriteFileBytes(Path("two-blocks.bin"), Cat({Framed(type, {}), Framed(type, {})}));
  test::WriteFileBytes(Path("short.bin"), Bytes(5, 0));
  fs::create_directories(Path("folder.bin"));
  const struct {
    const char* file;
    QString message;
  } cases[] = {
      {"other-type.bin", u"а заменить можно только блоком того же типа"_s},
      {"two-blocks.bin", u"не равен длине файла (16 байт)"_s},
      {"short.bin", u"В файле нет блока"_s},
      {"missing.bin", u"не найден"_s},
      {"folder.bin", u"это не обычный файл, а папка"_s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    shell.prompts.Clear();
    shell.prompts.ChooseFile(QString::fromStdString(Path(c.file)));
    page->ReplaceSelected();
    const auto messages = shell.prompts.RecordsOf(TScriptedPrompts::Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, TPrompts::Icon::Error);
    EXPECT_TRUE(messages[0].text.contains(c.message)) << messages[0].text.toStdString();
  }
  EXPECT_EQ(shell.mob.UnknownBlocks[0].Data, original);
  EXPECT_EQ(shell.session.History().Count(), 0u);
  EXPECT_FALSE(shell.session.Modified());

  // A cancelled dialog does nothing at all.
  shell.prompts.Clear();
  shell.prompts.ChooseFile({});
  page->ReplaceSelected();
  EXPECT_TRUE(shell.prompts.RecordsOf(TScriptedPrompts::Kind::Message).empty());
}

TEST_F(BlocksPageTest, TheTableIsTheFileAsReadAndAfterASaveAsWritten) {
  // The object block before the script block, records of two kinds in turn.
  TTrapObjBlock trap;
  trap.ObjectID = 7;
  TObjectObjBlock object;
  object.ObjectID = 8;
  const Bytes file = MobFile({ObjectBlock({SubBlockOf(trap), SubBlockOf(object), SubBlockOf(trap)}),
                              ScriptBlock(0, "Script Main")});
  test::WriteFileBytes(Path("turned.mob"), file);
  ASSERT_TRUE(shell.session.Load(Path("turned.mob")));
  const auto whats = [&] {
    QStringList texts;
    for (int row = 0; row < Model().rowCount(); ++row) texts << What(Model().index(row, 0));
    const QModelIndex objects = Model().index(int(Model().Layout().ObjectBlockIndex().value()), 0);
    for (int row = 0; row < Model().rowCount(objects); ++row) texts << What(Model().index(row, 0, objects));
    return texts;
  };
  EXPECT_EQ(whats(), (QStringList{u"флаговый блок (квестовый моб)"_s, u"блок объектов"_s, u"блок скрипта"_s,
                                  u"Ловушки: 1"_s, u"Объекты: 1"_s, u"Ловушки: 1"_s}));
  EXPECT_EQ(Model().Layout().fileSize, file.size());
  EXPECT_EQ(Model().Layout().blocks[1].offset, 16u);
  EXPECT_TRUE(page->InfoLab()->text().startsWith(u"Файл: %1 байт"_s.arg(file.size())));

  ASSERT_TRUE(shell.session.Save(Path("turned.mob")));
  EXPECT_EQ(whats(), (QStringList{u"флаговый блок (квестовый моб)"_s, u"блок скрипта"_s, u"блок объектов"_s,
                                  u"Объекты: 1"_s, u"Ловушки: 2"_s}));
  EXPECT_EQ(Model().Layout().fileSize, fs::file_size(Path("turned.mob")));
}

TEST_F(BlocksPageTest, WhileTheLockIsHeldThePictureStaysUntilTheRelease) {
  SelectBlock(3);
  const int rows = Model().rowCount();
  shell.session.BeginBusy();
  EXPECT_FALSE(page->BlocksTable()->isEnabled());  // greyed
  EXPECT_FALSE(page->HexView()->isEnabled());
  EXPECT_FALSE(page->ExportBut()->isEnabled());
  EXPECT_FALSE(page->ReplaceBut()->isEnabled());
  // What a mass change does meanwhile: save, close and load another document.
  shell.session.Close();
  GenerateZone(shell.mob, {.records = 10, .seed = 2});
  shell.mob.UnknownBlocks.clear();
  shell.mob.BlockCount = 3;
  shell.session.Adopt(Path("zone.mob"));
  EXPECT_EQ(Model().rowCount(), rows);
  EXPECT_FALSE(page->HexView()->Data().empty());

  shell.session.EndBusy();
  EXPECT_TRUE(page->BlocksTable()->isEnabled());
  EXPECT_EQ(Model().rowCount(), 4);  // flag, script, objects, tail
  EXPECT_TRUE(page->HexView()->Data().empty());
}

TEST_F(BlocksPageTest, AnExportNeverWritesOverTheOpenZone) {
  const Bytes zone = SaveBytes(shell.mob);
  test::WriteFileBytes(Path("zone.mob"), zone);
  SelectBlock(3);
  shell.prompts.ChooseFile(QString::fromStdString(Path("zone.mob")));
  page->ExportSelected();
  EXPECT_EQ(test::ReadFileBytes(Path("zone.mob")), std::string(zone.begin(), zone.end()));
  EXPECT_EQ(shell.prompts.RecordsOf(TScriptedPrompts::Kind::Message).size(), 1u);
}

}  // namespace
}  // namespace kelvarin
