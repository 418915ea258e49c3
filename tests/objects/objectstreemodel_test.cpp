// The objects tree's columns, header sorting and filter, on the model alone.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <cmath>
#include <limits>
#include <thread>

#include "common/qt/qtext.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "objects/core/recordcolumns.h"
#include "objects/ui/objectstreemodel.h"
#include "support/fakeshell.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

class TreeModel : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  void SetUp() override {
    GenerateZone(mob, {.records = 400, .seed = 11});
    model.Fill(&mob);
  }

  QModelIndex Cell(ObjKind kind, int row, TRecordColumn column) {
    return model.index(row, int(column), model.RootIndex(kind));
  }
  std::vector<TObjRef> Shown(ObjKind kind) {
    std::vector<TObjRef> refs;
    for (int row = 0; row < model.rowCount(model.RootIndex(kind)); ++row)
      refs.push_back(*model.RecordAt(Cell(kind, row, TRecordColumn::Caption)));
    return refs;
  }
  void Filter(std::string_view text) { model.SetFilter(std::get<TObjectFilter>(ParseObjectFilter(text))); }

  TMob mob;
  TObjectsTreeModel model;
};

TEST_F(TreeModel, RowsWorkedOutOnAnotherThreadFillAsARefillWould) {
  model.sort(int(TRecordColumn::Name2), Qt::DescendingOrder);
  std::vector<std::vector<TObjRef>> direct;
  for (ObjKind kind : kAllObjKinds) direct.push_back(Shown(kind));
  const auto expectShown = [&](const std::vector<std::vector<TObjRef>>& expected) {
    for (ObjKind kind : kAllObjKinds) EXPECT_EQ(Shown(kind), expected[std::size_t(kind)]) << int(kind);
  };

  std::unique_ptr<TObjectsTreeModel::TRows> prepared;
  std::thread([&] { prepared = model.Prepare(mob); }).join();
  model.Fill(nullptr);
  EXPECT_EQ(model.rowCount(), 0);
  model.Fill(&mob, '.', std::move(prepared));
  expectShown(direct);

  // The sort column changed after the rows were worked out: they follow it.
  std::thread([&] { prepared = model.Prepare(mob); }).join();
  model.sort(int(TRecordColumn::Caption), Qt::AscendingOrder);
  std::vector<std::vector<TObjRef>> byCaption;
  for (ObjKind kind : kAllObjKinds) byCaption.push_back(Shown(kind));
  model.Fill(&mob, '.', std::move(prepared));
  expectShown(byCaption);

  // Rows of a document that has since lost a record are not taken.
  prepared = model.Prepare(mob);
  mob.DeleteRecord(ObjKind::Lever, 0);
  model.Fill(&mob, '.', std::move(prepared));
  EXPECT_EQ(std::size_t(model.rowCount(model.RootIndex(ObjKind::Lever))), mob.Count(ObjKind::Lever));
  for (const TObjRef& ref : Shown(ObjKind::Lever))
    EXPECT_EQ(model.data(model.IndexOf(ref)).toString(), FromCp1251(RecordCaption(mob, ref)));
}

TEST_F(TreeModel, RecordRowsShowTheirColumnsAndKindRowsTheirCount) {
  ASSERT_EQ(model.columnCount(), kRecordColumnCount);
  for (ObjKind kind : kAllObjKinds) {
    const QModelIndex root = model.RootIndex(kind);
    EXPECT_EQ(root.siblingAtColumn(int(TRecordColumn::Id)).data().toString(),
              QString::number(mob.Count(kind)));
    ASSERT_GT(model.rowCount(root), 0);
    const TObjRef ref = *model.RecordAt(Cell(kind, 0, TRecordColumn::Caption));
    for (int c = 1; c < kRecordColumnCount; ++c)
      EXPECT_EQ(Cell(kind, 0, TRecordColumn(c)).data().toString(),
                FromCp1251(RecordColumnText(mob, ref, TRecordColumn(c), '.')))
          << int(kind) << " column " << c;
  }
  // Particles have no Name2 and no PlayerNumber: empty cells.
  EXPECT_EQ(Cell(ObjKind::Particle1, 0, TRecordColumn::PlayerNumber).data().toString(), QString());
  EXPECT_EQ(Cell(ObjKind::Particle1, 0, TRecordColumn::Id).data().toString(),
            QString::number(mob.Particles1[Shown(ObjKind::Particle1)[0].index].ID));

  // While a load or save holds the document only the snapshot captions are read.
  model.SetDocumentHeld(true);
  EXPECT_FALSE(Cell(ObjKind::Unit, 0, TRecordColumn::Caption).data().toString().isEmpty());
  EXPECT_EQ(Cell(ObjKind::Unit, 0, TRecordColumn::Id).data(), QVariant());
  model.SetDocumentHeld(false);
  EXPECT_NE(Cell(ObjKind::Unit, 0, TRecordColumn::Id).data(), QVariant());
}

TEST_F(TreeModel, NumericColumnsSortAsNumbersBothWaysAndKindRowsStay) {
  // Identities 9 and 10 would sort 10 before 9 as text.
  mob.Units[0].ObjectID = 9;
  mob.Units[1].ObjectID = 10;
  mob.Units[2].ObjectID = -5;
  model.Fill(&mob);
  for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
    model.sort(int(TRecordColumn::Id), order);
    for (ObjKind kind : kAllObjKinds) {
      EXPECT_EQ(model.RootIndex(kind).data().toString(), TObjectsTreeModel::RootCaption(kind));
      const auto refs = Shown(kind);
      ASSERT_EQ(refs.size(), mob.Count(kind));
      for (std::size_t i = 1; i < refs.size(); ++i) {
        const double a = *RecordColumnNumber(mob, refs[i - 1], TRecordColumn::Id);
        const double b = *RecordColumnNumber(mob, refs[i], TRecordColumn::Id);
        EXPECT_TRUE(order == Qt::AscendingOrder ? a <= b : a >= b) << a << " " << b;
        EXPECT_EQ(model.IndexOf(refs[i]).row(), int(i));
      }
    }
  }
}

TEST_F(TreeModel, NanAndMissingFieldsSortLastAndCaptionOrderComesBack) {
  mob.Flames[0].LoadX = std::numeric_limits<float>::quiet_NaN();
  model.Fill(&mob);
  const auto byCaption = Shown(ObjKind::Flame);
  for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
    model.sort(int(TRecordColumn::X), order);
    EXPECT_EQ(Shown(ObjKind::Flame).back(), (TObjRef{ObjKind::Flame, 0}));
  }
  model.sort(int(TRecordColumn::Name2), Qt::AscendingOrder);
  model.sort(int(TRecordColumn::Caption), Qt::AscendingOrder);
  EXPECT_EQ(Shown(ObjKind::Flame), byCaption);
}

TEST_F(TreeModel, EqualCaptionsKeepListOrderEitherWay) {
  TMob small;
  for (const char* name : {"b", "a", "b", "a"}) small.Objects.emplace_back().Name2 = name;
  model.Fill(&small);
  const std::vector<TObjRef> ascending = {{ObjKind::Object, 1}, {ObjKind::Object, 3}, {ObjKind::Object, 0},
                                         {ObjKind::Object, 2}};
  EXPECT_EQ(Shown(ObjKind::Object), ascending);
  model.sort(0, Qt::DescendingOrder);
  const std::vector<TObjRef> descending = {{ObjKind::Object, 0}, {ObjKind::Object, 2}, {ObjKind::Object, 1},
                                          {ObjKind::Object, 3}};
  EXPECT_EQ(Shown(ObjKind::Object), descending);
}

TEST_F(TreeModel, SelectionFollowsItsRecordThroughSortAndFilter) {
  QItemSelectionModel selection(&model);
  const QModelIndex node = Cell(ObjKind::Unit, 3, TRecordColumn::Caption);
  const TObjRef ref = *model.RecordAt(node);
  selection.setCurrentIndex(node, QItemSelectionModel::ClearAndSelect);
  const QPersistentModelIndex root(model.RootIndex(ObjKind::Lever));

  model.sort(int(TRecordColumn::Y), Qt::DescendingOrder);
  EXPECT_EQ(model.RecordAt(selection.currentIndex()), ref);
  EXPECT_EQ(root.row(), int(ObjKind::Lever));

  Filter("id:" + std::to_string(mob.Units[ref.index].ObjectID));
  EXPECT_EQ(model.RecordAt(selection.currentIndex()), ref);
  Filter("kind:levers");
  EXPECT_FALSE(selection.currentIndex().isValid());
  EXPECT_FALSE(model.IndexOf(ref).isValid());
  EXPECT_EQ(root.row(), int(ObjKind::Lever));
}

TEST_F(TreeModel, FilterNarrowsRowsAndCountsWithoutTouchingTheDocument) {
  const auto before = Shown(ObjKind::Unit);
  const std::string name = mob.Units[before[5].index].Name1;
  const std::size_t units = mob.Count(ObjKind::Unit);

  QString upper = FromCp1251(name).toUpper();
  Filter(ToCp1251(upper).value());
  EXPECT_GE(model.ShownCount(ObjKind::Unit), 1u);
  for (const TObjRef& ref : Shown(ObjKind::Unit))
    EXPECT_NE(FromCp1251(mob.Units[ref.index].Name1 + mob.Units[ref.index].Name2 +
                         mob.Units[ref.index].ScriptVariableName)
                  .indexOf(FromCp1251(name), 0, Qt::CaseInsensitive),
              -1);
  EXPECT_EQ(model.RootIndex(ObjKind::Unit).siblingAtColumn(1).data().toString(),
            u"%1 из %2"_s.arg(model.ShownCount(ObjKind::Unit)).arg(units));

  Filter("kind:particles2 player:1");  // particles have no player: nothing passes
  for (ObjKind kind : kAllObjKinds) EXPECT_EQ(model.ShownCount(kind), 0u);

  Filter("");
  EXPECT_FALSE(model.Filtered());
  EXPECT_EQ(Shown(ObjKind::Unit), before);
  EXPECT_EQ(mob.Count(ObjKind::Unit), units);
}

}  // namespace
}  // namespace kelvarin
