#include <QCollator>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstring>
#include <limits>

#include "objects/core/recordcolumns.h"

#include "common/cp1251.h"
#include "common/floattext.h"
#include "common/qt/qtext.h"
#include "pagefixture.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

using ObjectsTree = PageTest;
using ParamTable = PageTest;

TEST_F(ObjectsTree, HasEightRootsInKindOrderWithSortedChildren) {
  const QStringList captions =
      u"Юниты|Объекты|Рычаги|Ловушки|Флеймы|Партиклы 1 типа|Партиклы 2 типа|"
                     "Партиклы 3 типа"_s
          .split(QLatin1Char('|'));
  ASSERT_EQ(Model().rowCount(), 8);
  QCollator collator;
  for (ObjKind kind : kAllObjKinds) {
    const QModelIndex root = Model().RootIndex(kind);
    EXPECT_EQ(root.data().toString(), captions[int(kind)]);
    EXPECT_FALSE(Model().RecordAt(root).has_value());
    ASSERT_EQ(std::size_t(Model().rowCount(root)), shell.mob.Count(kind));
    std::vector<bool> seen(shell.mob.Count(kind));
    for (int row = 0; row < Model().rowCount(root); ++row) {
      const QModelIndex child = Model().index(row, 0, root);
      EXPECT_EQ(child.parent(), root);
      const TObjRef ref = Model().RecordAt(child).value();
      EXPECT_EQ(ref.kind, kind);
      EXPECT_EQ(child.data().toString(), FromCp1251(RecordCaption(shell.mob, ref)));
      seen[ref.index] = true;
      if (row > 0) {
        EXPECT_LE(collator.compare(Model().index(row - 1, 0, root).data().toString(),
                                   child.data().toString()),
                  0);
      }
      EXPECT_EQ(Model().IndexOf(ref), child);
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
  }
}

TEST_F(ObjectsTree, KeepsCaptionsUntilRebuiltAndEmptiesWithoutDocument) {
  const TObjRef ref = Select(ObjKind::Object, 0);
  const QModelIndex node = Model().IndexOf(ref);
  const QString caption = node.data().toString();
  TypeAndLeave(u"Name2"_s, u"renamed"_s);
  EXPECT_EQ(shell.mob.Objects[ref.index].Name2, "renamed");
  EXPECT_EQ(node.data().toString(), caption);

  shell.session.Close();
  EXPECT_EQ(Model().rowCount(), 0);
  EXPECT_EQ(Table().rowCount(), 0);
  EXPECT_FALSE(page->ShownRecord().has_value());
}

TEST_F(ObjectsTree, NumberColumnsHoldTheirWidestValuesUncut) {
  TUnitObjBlock& unit = shell.mob.Units[0];
  unit.ObjectID = std::numeric_limits<std::int32_t>::min();
  unit.PlayerNumber = 255;
  unit.LoadX = -1.00000005e-38f;
  unit.LoadY = -3.40282347e38f;
  page->FillObjectsTree();
  const QModelIndex node = Model().IndexOf({ObjKind::Unit, 0});
  QStyleOptionViewItem option;
  option.initFrom(page->ObjectsTree());
  for (const TRecordColumn column :
       {TRecordColumn::Id, TRecordColumn::PlayerNumber, TRecordColumn::X, TRecordColumn::Y}) {
    const QModelIndex cell = node.siblingAtColumn(int(column));
    EXPECT_GE(page->ObjectsTree()->columnWidth(int(column)),
              page->ObjectsTree()->itemDelegate()->sizeHint(option, cell).width())
        << cell.data().toString().toStdString();
  }
}

TEST_F(ParamTable, ShowsTheRowsOfTheSelectedKind) {
  EXPECT_EQ(Table().horizontalHeaderItem(0)->text(), u"Параметр"_s);
  EXPECT_EQ(Table().horizontalHeaderItem(1)->text(), u"Значение"_s);
  const std::pair<ObjKind, int> counts[] = {
      {ObjKind::Unit, 31},  {ObjKind::Object, 24},    {ObjKind::Lever, 32},
      {ObjKind::Trap, 30},  {ObjKind::Flame, 29},     {ObjKind::Particle1, 11},
      {ObjKind::Particle2, 13}, {ObjKind::Particle3, 8}};
  for (const auto& [kind, rows] : counts) {
    Select(kind, 1);
    EXPECT_EQ(Table().rowCount(), rows) << int(kind);
    for (int row = 0; row < Table().rowCount(); ++row)
      EXPECT_FALSE(Table().item(row, 0)->flags().testFlag(Qt::ItemIsEditable));
  }
  page->ObjectsTree()->setCurrentIndex(Model().RootIndex(ObjKind::Lever));
  EXPECT_EQ(Table().rowCount(), 0);
  EXPECT_FALSE(page->ShownRecord().has_value());
}

TEST_F(ParamTable, SelectionOnAnotherPageLeavesTheTable) {
  const TObjRef shown = Select(ObjKind::Flame, 0);
  shell.active = false;
  Select(ObjKind::Unit, 0);
  EXPECT_EQ(Table().rowCount(), 29);
  EXPECT_EQ(page->ShownRecord(), shown);
  // Typing into the table still reaches the record the table shows.
  TypeAndLeave(u"FlameSize"_s, u"3.25"_s);
  EXPECT_EQ(shell.mob.Flames[shown.index].FlameSize, 3.25f);

  shell.active = true;
  Select(ObjKind::Unit, 1);
  EXPECT_EQ(Table().rowCount(), 31);
}

TEST_F(ParamTable, BytesIntegersAndTheLeverBytes) {
  const TObjRef unit = Select(ObjKind::Unit, 0);
  TypeAndLeave(u"PlayerNumber"_s, u"-1"_s);
  EXPECT_EQ(shell.mob.Units[unit.index].PlayerNumber, 255);
  EXPECT_TRUE(shell.session.Modified());
  Select(ObjKind::Unit, 1);
  Select(ObjKind::Unit, 0);
  EXPECT_EQ(Table().Value(u"PlayerNumber"_s), u"255"_s);

  TypeAndLeave(u"PlayerNumber"_s, u"256"_s);
  EXPECT_EQ(Table().Value(u"PlayerNumber"_s), u"255"_s);
  EXPECT_EQ(shell.mob.Units[unit.index].PlayerNumber, 255);
  EXPECT_TRUE(shell.session.Modified());
  EXPECT_TRUE(shell.statusMessages.isEmpty());  // a failed check is silent

  const TObjRef lever = Select(ObjKind::Lever, 0);
  TypeAndLeave(u"UncnByte3"_s, u"300"_s);
  EXPECT_EQ(shell.mob.Levers[lever.index].UncnByte3, 44);
  EXPECT_EQ(Table().Value(u"UncnByte3"_s), u"300"_s);  // as typed
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(ParamTable, TextsThatPassTheCheckButHoldNoNumberChangeNothing) {
  const TObjRef ref = Select(ObjKind::Object, 0);
  const TObjectObjBlock before = shell.mob.Objects[ref.index];
  const std::pair<const char*, const char*> cases[] = {
      {"LoadX", "."}, {"LoadY", "-."}, {"LoadZ", "NAN"}, {"ObjectID", "99999999999"},
      {"RotationW", "1000000000000000000000000000000000000000000000"}};
  for (const auto& [key, text] : cases) {
    const QString k = QString::fromLatin1(key);
    const QString shownBefore = Table().Value(k);
    TypeAndLeave(k, QString::fromLatin1(text));
    EXPECT_EQ(Table().Value(k), shownBefore) << key;
  }
  EXPECT_EQ(shell.mob.Objects[ref.index], before);
  EXPECT_FALSE(shell.session.Modified());
  ASSERT_EQ(shell.statusMessages.size(), 5);
  EXPECT_TRUE(shell.statusMessages[2].contains(u"LoadZ"_s));
}

TEST_F(ParamTable, FloatsListsAndStrings) {
  const TObjRef unit = Select(ObjKind::Unit, 2);
  TUnitObjBlock& record = shell.mob.Units[unit.index];
  EXPECT_EQ(Table().Value(u"ComplectionDex"_s),
            FromCp1251(FloatToDisplayText(record.ComplectionDex, LocaleDecimalSeparator())));

  TypeAndLeave(u"Armour"_s, u"a ,  b"_s);
  EXPECT_EQ(record.Armour, (StringList{"a", "b"}));
  EXPECT_EQ(Table().Value(u"Armour"_s), u"a,b"_s);
  TypeAndLeave(u"Items"_s, QString());
  EXPECT_TRUE(record.Items.empty());

  TypeAndLeave(u"Name1"_s, u"  Орк  "_s);
  EXPECT_EQ(record.Name1, Utf8ToCp1251("  Орк  ").value());
}

TEST_F(ParamTable, OpeningALongValueKeepsAllOfIt) {
  // A cell editor shows no more than its length limit; a value beyond it must not
  // come back cut short when the row is re-applied.
  const TObjRef ref = Select(ObjKind::Object, 0);
  const std::string longName(40000, 'n');
  shell.mob.Objects[ref.index].Name2 = longName;
  Select(ObjKind::Object, 1);
  Select(ObjKind::Object, 0);
  const int row = RowOf(u"Name2"_s);
  Table().setCurrentCell(row, 1);
  Table().editItem(Table().item(row, 1));
  ASSERT_NE(OpenEditor(), nullptr);
  LeaveRow(u"Name2"_s);
  EXPECT_EQ(shell.mob.Objects[ref.index].Name2, longName);
}

TEST_F(ParamTable, CharactersOutsideCodePage1251AreRefused) {
  const TObjRef ref = Select(ObjKind::Particle1, 0);
  const std::string before = shell.mob.Particles1[ref.index].NameStr;
  TypeAndLeave(u"NameStr"_s, u"fire 火"_s);
  EXPECT_EQ(shell.mob.Particles1[ref.index].NameStr, before);
  EXPECT_EQ(Table().Value(u"NameStr"_s), FromCp1251(before));
  EXPECT_FALSE(shell.session.Modified());
  ASSERT_EQ(shell.statusMessages.size(), 1);
  EXPECT_TRUE(shell.statusMessages[0].contains(u"火"_s));
}

TEST_F(ParamTable, TrapPointRowsTakeTextButNeverReachTheRecord) {
  const TObjRef ref = Select(ObjKind::Trap, 0);
  const TTrapObjBlock before = shell.mob.Traps[ref.index];
  EXPECT_EQ(Table().Value(u"TrapPoints1"_s), u"Click to edit ----->"_s);
  TypeAndLeave(u"TrapPoints2"_s, u"typed"_s);
  EXPECT_EQ(Table().Value(u"TrapPoints2"_s), u"typed"_s);
  EXPECT_EQ(shell.mob.Traps[ref.index], before);
  EXPECT_FALSE(shell.session.Modified());
}

TEST_F(ParamTable, RotationRowsTurnTheView) {
  const TObjRef ref = Select(ObjKind::Flame, 0);
  TypeAndLeave(u"RotationX"_s, u"0.5"_s);
  EXPECT_EQ(shell.mob.Flames[ref.index].RotationX, 0.5f);
  if (View()) {
    EXPECT_EQ(View()->Rotation().X, 0.5f);
    EXPECT_EQ(View()->Rotation().W, shell.mob.Flames[ref.index].RotationW);
  }
  // The rotation at selection time is kept for the view's cancel.
  EXPECT_NE(page->SavedRotation().X, 0.5f);
}

TEST_F(ParamTable, LeavingTheTableReappliesTheCurrentRow) {
  ShowPage();
  const TObjRef ref = Select(ObjKind::Object, 3);
  const float before = shell.mob.Objects[ref.index].LoadX;
  Table().setFocus();
  Table().setCurrentCell(RowOf(u"LoadX"_s), 1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(page->ValuesEditorFocused());
  EXPECT_FALSE(shell.session.Modified());

  page->ObjectsTree()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(page->ValuesEditorFocused());
  EXPECT_TRUE(shell.session.Modified());
  EXPECT_EQ(std::memcmp(&shell.mob.Objects[ref.index].LoadX, &before, sizeof before), 0);
}

TEST_F(ParamTable, DisablingTheTableTakesItsFocusWithoutApplyingAnything) {
  // The busy lock disables the table; the focus it takes away, at once or at the
  // next focus change, is no leave of the user's.
  ShowPage();
  const TObjRef ref = Select(ObjKind::Object, 3);
  const float before = shell.mob.Objects[ref.index].LoadX;
  Table().setFocus();
  TypeInto(u"LoadX"_s, u"12"_s);
  QCoreApplication::processEvents();
  ASSERT_TRUE(page->ValuesEditorFocused());

  Table().setEnabled(false);
  page->ObjectsTree()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(page->ValuesEditorFocused());
  EXPECT_FALSE(shell.session.Modified());
  EXPECT_EQ(std::memcmp(&shell.mob.Objects[ref.index].LoadX, &before, sizeof before), 0);

  // Enabled and entered again, the table is left as usual.
  Table().setEnabled(true);
  Table().setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(page->ValuesEditorFocused());
  page->ObjectsTree()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(shell.session.Modified());
}

TEST_F(ParamTable, EnterAppliesTheCellAsOneStepAndEscapeDropsIt) {
  ShowPage();
  const TObjRef unit = Select(ObjKind::Unit, 0);
  const std::uint8_t before = shell.mob.Units[unit.index].PlayerNumber;
  Table().setFocus();
  TypeInto(u"PlayerNumber"_s, before == 3 ? u"4"_s : u"3"_s);
  const std::uint8_t typed = before == 3 ? 4 : 3;
  QTest::keyClick(OpenEditor(), Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate closes its editor queued
  EXPECT_EQ(OpenEditor(), nullptr);
  EXPECT_EQ(shell.mob.Units[unit.index].PlayerNumber, typed);
  EXPECT_TRUE(shell.session.Modified());
  EXPECT_EQ(shell.session.History().Count(), 1u);
  EXPECT_TRUE(page->UndoButton()->isEnabled());
  EXPECT_EQ(Table().CurrentKey(), u"PlayerNumber"_s);  // the cursor stays
  EXPECT_TRUE(Table().EditedKeys().isEmpty());

  // Escape drops the text: nothing is applied, now or by a later command.
  const float loadX = shell.mob.Units[unit.index].LoadX;
  TypeInto(u"LoadX"_s, u"5"_s);  // leaving PlayerNumber re-applies it
  QTest::keyClick(OpenEditor(), Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Table().EditedKeys().isEmpty());
  page->CommitEdit();
  EXPECT_EQ(std::memcmp(&shell.mob.Units[unit.index].LoadX, &loadX, sizeof loadX), 0);
  EXPECT_EQ(shell.session.History().Count(), 1u);
}

TEST_F(ParamTable, ACommandTakesOnlyATypedCell) {
  // What a command (save, close, undo, the zone check...) commits first: the
  // typed cell, checked as leaving it would check it; an untouched cell is not
  // applied again.
  struct Case {
    const char* key;
    const char* typed;  // nullptr: the cell is opened and left untouched
    bool applied;       // the value goes in, as a step
    bool statusMessage;
  };
  const Case cases[] = {
      {"LoadX", nullptr, false, false},
      {"Key", "4242", true, false},
      {"PlayerNumber", "256", false, false},        // refused by the check: silently
      {"ObjectID", "99999999999", false, true},     // passes the check, fits no field
  };
  ShowPage();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const TObjRef ref = Select(ObjKind::Lever, 1);
    const QString key = QString::fromLatin1(c.key);
    const QString shownBefore = Table().Value(key);
    Table().setFocus();
    TypeInto(key, c.typed ? QString::fromLatin1(c.typed) : shownBefore);
    QCoreApplication::processEvents();
    ASSERT_TRUE(page->ValuesEditorFocused());
    // Moving the cursor re-applied the row it left: the mark may be on already.
    const bool marked = shell.session.Modified();
    const std::size_t steps = shell.session.History().Count();
    shell.statusMessages.clear();

    page->CommitEdit();
    EXPECT_EQ(shell.session.History().Count(), steps + (c.applied ? 1 : 0));
    EXPECT_EQ(shell.session.Modified(), marked || c.applied);
    EXPECT_EQ(shell.statusMessages.size(), c.statusMessage ? 1 : 0);
    EXPECT_TRUE(page->ValuesEditorFocused());  // the table keeps the focus
    EXPECT_TRUE(Table().EditedKeys().isEmpty());
    if (!c.applied) EXPECT_EQ(Table().Value(key), shownBefore);
    else EXPECT_EQ(shell.mob.Levers[ref.index].Key, 4242);
    page->CommitEdit();  // taken once: a second command applies nothing
    EXPECT_EQ(shell.session.History().Count(), steps + (c.applied ? 1 : 0));
  }
}

TEST_F(ParamTable, CommitBeforeSaveWritesTheTypedValue) {
  ShowPage();
  const TObjRef ref = Select(ObjKind::Lever, 1);
  Table().setFocus();
  TypeInto(u"Key"_s, u"4242"_s);
  QCoreApplication::processEvents();
  ASSERT_TRUE(page->ValuesEditorFocused());
  EXPECT_NE(shell.mob.Levers[ref.index].Key, 4242);

  page->CommitEdit();  // what Save and Save As run first
  EXPECT_TRUE(page->ValuesEditorFocused());
  EXPECT_TRUE(shell.session.Modified());

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = ToUtf8(dir.filePath(u"zone.mob"_s));
  ASSERT_TRUE(shell.mob.Save(path)) << shell.mob.LogText;
  TMob saved;
  ASSERT_TRUE(saved.Load(path)) << saved.LogText;
  EXPECT_EQ(saved.Levers[ref.index].Key, 4242);
}

}  // namespace
}  // namespace kelvarin

namespace kelvarin {
namespace {

using FilterBox = PageTest;

TEST_F(FilterBox, NarrowsOpensKindsWithMatchesAndEscapeKeepsTheSelection) {
  ShowPage();
  const TObjRef lever = Select(ObjKind::Lever, 2);
  ASSERT_EQ(page->ShownRecord(), lever);
  ASSERT_TRUE(page->KeyDown(Qt::Key_E, Qt::ControlModifier));
  EXPECT_TRUE(page->FilterBox()->hasFocus());

  QTest::keyClicks(page->FilterBox(), u"kind:units"_s);
  page->ApplyFilter();
  EXPECT_TRUE(page->ObjectsTree()->isExpanded(Model().RootIndex(ObjKind::Unit)));
  EXPECT_FALSE(page->ObjectsTree()->isExpanded(Model().RootIndex(ObjKind::Lever)));
  EXPECT_EQ(Model().ShownCount(ObjKind::Lever), 0u);
  EXPECT_EQ(Model().ShownCount(ObjKind::Unit), shell.mob.Count(ObjKind::Unit));
  EXPECT_EQ(page->ShownRecord(), lever);  // hidden, still in the table
  EXPECT_GT(Table().rowCount(), 0);

  QTest::keyClick(page->FilterBox(), Qt::Key_Escape);
  EXPECT_TRUE(page->FilterBox()->text().isEmpty());
  EXPECT_FALSE(Model().Filtered());
  EXPECT_EQ(Model().RecordAt(page->ObjectsTree()->currentIndex()), lever);
  EXPECT_EQ(page->ShownRecord(), lever);
  EXPECT_EQ(Model().ShownCount(ObjKind::Lever), shell.mob.Count(ObjKind::Lever));
}

TEST_F(FilterBox, TypingAppliesAfterAPauseAndABadTermKeepsTheLastFilter) {
  ShowPage();
  const std::int32_t id = shell.mob.Objects[4].ObjectID;
  page->FilterBox()->setFocus();
  QTest::keyClicks(page->FilterBox(), QString::fromLatin1("id:%1").arg(id));
  EXPECT_FALSE(Model().Filtered());  // not yet
  QTRY_VERIFY(Model().Filtered());
  EXPECT_EQ(Model().RecordAt(Model().index(0, 0, Model().RootIndex(ObjKind::Object))),
            (TObjRef{ObjKind::Object, 4}));

  page->FilterBox()->setText(u"player:999"_s);
  page->ApplyFilter();
  EXPECT_TRUE(shell.statusMessages.back().startsWith(u"После player:"_s));
  EXPECT_EQ(Model().RecordAt(Model().index(0, 0, Model().RootIndex(ObjKind::Object))),
            (TObjRef{ObjKind::Object, 4}));
}

TEST_F(FilterBox, TakesNoInputWhileTheDocumentIsHeldOrClosed) {
  ShowPage();
  EXPECT_TRUE(page->FilterBox()->isEnabled());
  shell.session.BeginBusy();
  EXPECT_FALSE(page->FilterBox()->isEnabled());
  EXPECT_EQ(Model().index(0, 1, Model().RootIndex(ObjKind::Unit)).data(), QVariant());  // held: not read
  page->KeyDown(Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(page->FilterBox()->hasFocus());
  shell.session.EndBusy();
  EXPECT_TRUE(page->FilterBox()->isEnabled());

  shell.session.Close();
  EXPECT_FALSE(page->FilterBox()->isEnabled());
}

TEST_F(FilterBox, AJumpToAHiddenRecordLetsTheFilterGo) {
  ShowPage();
  page->FilterBox()->setText(u"kind:flames"_s);
  page->ApplyFilter();
  const TObjRef unit{ObjKind::Unit, 3};
  page->ShowResult({"", std::nullopt, unit});
  EXPECT_FALSE(Model().Filtered());
  EXPECT_TRUE(page->FilterBox()->text().isEmpty());
  EXPECT_EQ(Model().RecordAt(page->ObjectsTree()->currentIndex()), unit);
  EXPECT_EQ(page->ShownRecord(), unit);
}

TEST_F(FilterBox, FindInScriptListsTheLinesThatNameTheRecord) {
  ShowPage();
  const TObjRef unit = Select(ObjKind::Unit, 0);
  TUnitObjBlock& record = shell.mob.Units[unit.index];
  record.ObjectID = 123456;
  record.ScriptVariableName = "hero";
  shell.editedScript = "a();\n  GetObjectByID(123456);\n// hero\nb = GetObjectByName(\"hero\");\n";
  page->ObjectsTree()->setFocus();
  ASSERT_TRUE(page->KeyDown(Qt::Key_F12, Qt::ShiftModifier));
  ASSERT_EQ(shell.results.size(), 2u);  // the comment names nobody
  EXPECT_TRUE(shell.resultsTitle.endsWith(u" в скрипте — строк: 2"_s)) << shell.resultsTitle.toStdString();
  EXPECT_EQ(std::get<TScriptPlace>(shell.results[0].target), (TScriptPlace{2, 3}));
  EXPECT_EQ(shell.results[0].text, "2: GetObjectByID(123456);");
  EXPECT_EQ(std::get<TScriptPlace>(shell.results[1].target).line, 4u);

  shell.editedScript = "nothing here\n";
  page->FindInScript();
  EXPECT_TRUE(shell.statusMessages.back().startsWith(u"Скрипт не называет запись"_s));
}

}  // namespace
}  // namespace kelvarin
