// The Blocks page's widgets: the block table over a generated zone (rows, columns,
// the object block's children, changed marks) and the hex view (lines, copy as hex).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "blocks/core/blockbaseline.h"
#include "blocks/ui/blockstablemodel.h"
#include "blocks/ui/hexview.h"
#include "document/blockcommands.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "support/fakeshell.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class BlocksWidgetsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
};

QString Cell(const QAbstractItemModel& model, const QModelIndex& row, int column) {
  return model.index(row.row(), column, row.parent()).data().toString();
}

TEST_F(BlocksWidgetsTest, TableShowsBlocksInFileOrderWithTheObjectBlocksParts) {
  TMob mob;
  GenerateZone(mob, {.records = 100, .seed = 6});
  TBlockBaseline baseline;
  baseline.Take(mob);
  TBlocksTableModel model;
  model.Refresh(mob, baseline);

  using C = TBlocksTableModel::Column;
  ASSERT_EQ(model.rowCount(), 6);
  const QString whats[] = {u""_s, u"неизвестный блок"_s, u"блок скрипта"_s, u"неизвестный блок"_s, u"блок объектов"_s, u"хвост"_s};
  for (int row = 1; row < 6; ++row) EXPECT_EQ(Cell(model, model.index(row, 0), C::kWhat), whats[row]);
  EXPECT_TRUE(Cell(model, model.index(0, 0), C::kWhat).startsWith(u"флаговый блок"_s));
  const QModelIndex script = model.index(2, 0);
  EXPECT_EQ(Cell(model, script, C::kNumber), u"3"_s);
  EXPECT_EQ(Cell(model, script, C::kTypeHex), u"0xACCEECCB"_s);
  EXPECT_EQ(Cell(model, script, C::kTypeDecimal), u"2899242187"_s);
  EXPECT_EQ(Cell(model, script, C::kOffset), QString::number(model.Layout().blocks[2].offset));
  EXPECT_EQ(Cell(model, script, C::kSize), QString::number(12 + mob.ScriptText.size()));
  const QModelIndex tail = model.index(5, 0);
  EXPECT_EQ(Cell(model, tail, C::kNumber), u""_s);
  EXPECT_EQ(Cell(model, tail, C::kTypeHex), u""_s);
  EXPECT_EQ(Cell(model, tail, C::kSize), QString::number(mob.Tail.size()));

  // Under the object block: the eight kinds, then the unknown sub-blocks.
  const QModelIndex objects = model.index(4, 0);
  ASSERT_EQ(model.rowCount(objects), 8 + 2);
  EXPECT_EQ(model.rowCount(script), 0);
  EXPECT_EQ(Cell(model, model.index(3, 0, objects), C::kWhat), u"Ловушки: "_s + QString::number(mob.Traps.size()));
  EXPECT_EQ(Cell(model, model.index(3, 0, objects), C::kTypeHex), u"0xBBAB0000"_s);
  const QModelIndex unknownSub = model.index(9, 0, objects);
  EXPECT_EQ(Cell(model, unknownSub, C::kWhat), u"неизвестный объект"_s);
  EXPECT_EQ(Cell(model, unknownSub, C::kTypeHex), u"0x12345678"_s);
  EXPECT_EQ(model.parent(unknownSub), objects);
  EXPECT_EQ(model.RowAt(unknownSub), (TBlockRow{TBlockRow::Kind::UnknownSubBlock, 9}));
  EXPECT_EQ(model.IndexOf(TBlockRow{TBlockRow::Kind::UnknownSubBlock, 9}), unknownSub);
  EXPECT_EQ(model.RowAt(model.index(3, 0, objects)), (TBlockRow{TBlockRow::Kind::Group, 3}));
  EXPECT_FALSE(model.IndexOf(TBlockRow{TBlockRow::Kind::UnknownSubBlock, 3}).isValid());  // a run of records
  EXPECT_EQ(model.IndexOf(TBlockRow{TBlockRow::Kind::Block, 4}), objects);

  // A replaced block is marked until the document matches its file again.
  // The row keeps the size it has in the file and tells the new one.
  const QString fileSize = Cell(model, unknownSub, C::kSize);
  auto step = TBlockReplaceCommand::Replace(mob, {true, 1}, Bytes{0x78, 0x56, 0x34, 0x12, 8, 0, 0, 0}, "x");
  step->Redo(mob);
  model.UpdateMarks(mob, baseline);
  EXPECT_EQ(Cell(model, unknownSub, C::kWhat), u"неизвестный объект — заменён, теперь 8 байт"_s);
  EXPECT_EQ(Cell(model, unknownSub, C::kSize), fileSize);
  EXPECT_TRUE(unknownSub.data(Qt::FontRole).value<QFont>().bold());
  step->Undo(mob);
  model.UpdateMarks(mob, baseline);
  EXPECT_EQ(Cell(model, unknownSub, C::kWhat), u"неизвестный объект"_s);
  // Saved: the file holds the new bytes, and the picture is of that file.
  step->Redo(mob);
  baseline.Take(mob);
  model.Refresh(mob, baseline);
  EXPECT_EQ(Cell(model, model.index(9, 0, model.index(4, 0)), C::kWhat), u"неизвестный объект"_s);
  EXPECT_EQ(Cell(model, model.index(9, 0, model.index(4, 0)), C::kSize), u"8"_s);

  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(BlocksWidgetsTest, HexViewShowsLinesAndCopiesTheSelectionAsHex) {
  THexView view;
  Bytes bytes;
  for (int i = 0; i < 40; ++i) bytes.push_back(std::uint8_t(0xC0 + i % 32));
  view.SetBytes(bytes);
  const QAbstractItemModel& model = *view.model();
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(model.index(1, 0).data().toString(), u"00000010"_s);
  EXPECT_EQ(model.index(2, 1).data().toString(), u"C0 C1 C2 C3 C4 C5 C6 C7"_s);
  EXPECT_EQ(model.index(0, 2).data().toString(), u"АБВГДЕЖЗИЙКЛМНОП"_s);

  // Nothing selected: everything.
  EXPECT_EQ(view.SelectionAsHex().count(u'\n'), 2);
  view.selectRow(2);
  EXPECT_EQ(view.SelectionAsHex(), u"C0 C1 C2 C3 C4 C5 C6 C7"_s);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), u"C0 C1 C2 C3 C4 C5 C6 C7"_s);

  view.SetBytes({});
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(view.SelectionAsHex(), u""_s);
}

}  // namespace
}  // namespace kelvarin
