// Several records selected in the tree: the table shows what they share, a typed
// value goes into all of them as one step (or into none), and Delete, Ctrl+D,
// Ctrl+C, Ctrl+X and Ctrl+V act on them, each one step; records travel between
// documents through the clipboard, byte for byte but for the identities a
// clash replaces.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>

#include "common/floattext.h"
#include "document/recordset.h"
#include "pagefixture.h"
#include "shell/recordclipboard.h"

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

class MultiSelectTest : public PageTest {
 protected:
  // Selects the records as Ctrl+clicks would, the first one current.
  void SelectAll(const std::vector<TObjRef>& refs) {
    QTreeView* tree = page->ObjectsTree();
    tree->setCurrentIndex(Model().IndexOf(refs.front()));
    for (std::size_t i = 1; i < refs.size(); ++i)
      tree->selectionModel()->select(Model().IndexOf(refs[i]), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  bool Key(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    page->ObjectsTree()->setFocus();
    return page->KeyDown(key, modifiers);
  }
  std::string Image() {
    TMob& mob = shell.mob;
    mob.LastWrittenBlockType = 0;
    mob.AllKnownBlocksWritten = false;
    Bytes image;
    EXPECT_TRUE(mob.BuildImage(image));
    mob.LogText.clear();
    return std::string(image.begin(), image.end());
  }
  std::size_t Steps() const { return shell.session.History().Index(); }
};

TEST_F(MultiSelectTest, TableShowsWhatTheRecordsShareAndTheLinksAllOfThem) {
  ShowPage();
  const TObjRef flame{ObjKind::Flame, 0}, particle{ObjKind::Particle1, 1}, unit{ObjKind::Unit, 0},
      lever{ObjKind::Lever, 0};
  shell.mob.Units[0].LoadZ = shell.mob.Levers[0].LoadZ = 7.5f;

  const struct {
    std::vector<TObjRef> refs;
    std::vector<const char*> present, absent;
  } cases[] = {
      // A flame and a particle share only the position rows by name.
      {{flame, particle}, {"CoordX", "CoordY", "CoordZ"}, {"ID", "LoadX", "NameStr", "ObjectID"}},
      {{unit, lever}, {"ObjectID", "LoadX", "LoadZ", "Name2"}, {"Name1", "AsOpen", "TrapPoints1"}},
  };
  for (const auto& c : cases) {
    SelectAll(c.refs);
    EXPECT_EQ(page->SharedRecords().size(), c.refs.size());
    EXPECT_EQ(shell.links.SelectedRecords().size(), c.refs.size());
    EXPECT_EQ(shell.links.SelectedRecord(), c.refs.front());
    QStringList keys;
    for (int row = 0; row < Table().rowCount(); ++row) keys << Table().Key(row);
    for (const char* key : c.present) EXPECT_TRUE(keys.contains(QString::fromLatin1(key))) << key;
    for (const char* key : c.absent) EXPECT_FALSE(keys.contains(QString::fromLatin1(key))) << key;
  }
  // The identity is read-only; equal values show, differing ones are empty with a tooltip.
  const QTableWidgetItem* id = Table().item(RowOf(u"ObjectID"_s), 1);
  EXPECT_FALSE(id->flags() & Qt::ItemIsEditable);
  EXPECT_TRUE(Table().item(RowOf(u"LoadZ"_s), 1)->text().startsWith(u"7"_s));
  EXPECT_TRUE(id->text().isEmpty());
  EXPECT_EQ(id->toolTip(), u"Разные значения"_s);
  if (View()) {
    EXPECT_FALSE(View()->isEnabled());
  }

  // A selection of one behaves as before.
  Select(ObjKind::Unit, 0);
  EXPECT_TRUE(page->SharedRecords().empty());
  EXPECT_TRUE(page->ShownRecord().has_value());
  EXPECT_TRUE(Table().item(RowOf(u"ObjectID"_s), 1)->flags() & Qt::ItemIsEditable);
  if (View()) {
    EXPECT_TRUE(View()->isEnabled());
  }
}

TEST_F(MultiSelectTest, TypedValueGoesIntoEveryRecordAsOneStepOrIntoNone) {
  ShowPage();
  const std::vector<TObjRef> refs = {{ObjKind::Unit, 0}, {ObjKind::Lever, 1}, {ObjKind::Object, 2}};
  SelectAll(refs);
  const std::string before = Image();

  // Refused texts change nothing, however many records they would reach.
  for (const QString& bad : {u"abc"_s, u"1e5"_s, u""_s}) {
    TypeAndLeave(u"LoadX"_s, bad);
    EXPECT_EQ(Image(), before) << bad.toStdString();
    EXPECT_EQ(Steps(), 0u);
  }
  // A character code page 1251 cannot hold is named, as for one record.
  TypeAndLeave(u"Name2"_s, u"a日"_s);
  EXPECT_EQ(Image(), before);
  ASSERT_FALSE(shell.statusMessages.isEmpty());
  EXPECT_TRUE(shell.statusMessages.last().startsWith(u"Символ «日»"_s)) << shell.statusMessages.last().toStdString();
  // Leaving an untouched row over differing values applies nothing.
  Table().setCurrentCell(RowOf(u"Name2"_s), 1);
  Table().setCurrentCell(-1, -1);
  EXPECT_EQ(Image(), before);
  EXPECT_FALSE(shell.session.Modified());

  TypeAndLeave(u"LoadX"_s, u"12"_s + QChar::fromLatin1(LocaleDecimalSeparator()) + u"5"_s);
  ASSERT_EQ(Steps(), 1u);
  EXPECT_EQ(shell.session.History().NextUndo()->Caption(),
            std::string("LoadX = 12") + LocaleDecimalSeparator() + "5 (3 записи)");
  EXPECT_EQ(shell.mob.Units[0].LoadX, 12.5f);
  EXPECT_EQ(shell.mob.Levers[1].LoadX, 12.5f);
  EXPECT_EQ(shell.mob.Objects[2].LoadX, 12.5f);
  const std::string after = Image();

  // Undo and redo take all three back and forth, and keep them selected.
  shell.session.Undo();
  EXPECT_EQ(Image(), before);
  EXPECT_EQ(page->SharedRecords().size(), 3u);
  shell.session.Redo();
  EXPECT_EQ(Image(), after);
  EXPECT_EQ(page->SharedRecords().size(), 3u);
}

TEST_F(MultiSelectTest, DeleteAndDuplicateAreOneStepEach) {
  ShowPage();
  const std::vector<TObjRef> refs = {{ObjKind::Unit, 1}, {ObjKind::Trap, 0}};
  const std::size_t total = shell.mob.TotalRecordCount();
  const std::string before = Image();

  SelectAll(refs);
  ASSERT_TRUE(Key(Qt::Key_D));
  EXPECT_EQ(shell.mob.TotalRecordCount(), total + 2);
  EXPECT_EQ(Steps(), 1u);
  // The copies are selected, each with an identity of its own.
  const auto copies = shell.links.SelectedRecords();
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(page->SharedRecords().size(), 2u);
  for (const TObjRef& copy : copies) {
    EXPECT_EQ(copy.index, shell.mob.Count(copy.kind) - 1);
    const std::int32_t id = IdentityOf(shell.mob, copy);
    std::size_t carriers = 0;
    shell.mob.ForEachRecord([&](const auto& r, std::size_t) { carriers += r.Identity() == id; });
    EXPECT_EQ(carriers, 1u);
  }

  // Delete takes the copies out again, without a question.
  ASSERT_TRUE(Key(Qt::Key_Delete, Qt::NoModifier));
  EXPECT_EQ(shell.mob.TotalRecordCount(), total);
  EXPECT_TRUE(shell.prompts.Records().empty());
  EXPECT_EQ(Steps(), 2u);
  EXPECT_EQ(Image(), before);
  shell.session.Undo();
  EXPECT_EQ(shell.mob.TotalRecordCount(), total + 2);
  EXPECT_EQ(page->SharedRecords().size(), 2u);  // the records put back, selected
  shell.session.Undo();
  EXPECT_EQ(Image(), before);
}

TEST_F(MultiSelectTest, UndoAndRedoLeaveTheSelectionTheTreeShowsWithoutTellingThePages) {
  ShowPage();
  const std::vector<TObjRef> refs = {{ObjKind::Unit, 0}, {ObjKind::Unit, 2}, {ObjKind::Lever, 1}};
  SelectAll(refs);
  ASSERT_TRUE(Key(Qt::Key_Delete, Qt::NoModifier));
  QSignalSpy toPages(&shell.links, &TPageLinks::RecordsSelected);
  QSignalSpy counted(&shell.links, &TPageLinks::SelectionChanged);

  // The records put back are selected in the tree, and that is the selection the
  // window counts ("Выделено: N"); no page is told (the map would move its view).
  for (const bool undo : {true, false, true}) {
    undo ? shell.session.Undo() : shell.session.Redo();
    SCOPED_TRACE(undo ? "undo" : "redo");
    EXPECT_EQ(shell.links.SelectedRecords(), page->ChosenRecords());
    ASSERT_FALSE(counted.isEmpty());
    EXPECT_EQ(counted.takeLast().at(0).value<std::vector<TObjRef>>(), page->ChosenRecords());
    std::vector<TObjRef> chosen = page->ChosenRecords();
    std::ranges::sort(chosen, {}, [](TObjRef ref) { return std::pair(int(ref.kind), ref.index); });
    EXPECT_EQ(chosen, undo ? refs : std::vector<TObjRef>{});  // deleted again: nothing selected
  }
  EXPECT_EQ(toPages.count(), 0);
}

TEST_F(MultiSelectTest, KeysActOnRecordsOnlyFromTheTree) {
  ShowPage();
  SelectAll({{ObjKind::Unit, 0}, {ObjKind::Unit, 1}});
  const std::size_t total = shell.mob.TotalRecordCount();
  Table().setFocus();
  for (int key : {int(Qt::Key_D), int(Qt::Key_C), int(Qt::Key_X), int(Qt::Key_V)})
    EXPECT_FALSE(page->KeyDown(key, Qt::ControlModifier));
  EXPECT_FALSE(page->KeyDown(Qt::Key_Delete, Qt::NoModifier));
  shell.active = false;  // another page is showing
  page->ObjectsTree()->setFocus();
  EXPECT_FALSE(page->KeyDown(Qt::Key_D, Qt::ControlModifier));
  EXPECT_EQ(shell.mob.TotalRecordCount(), total);
}

TEST_F(MultiSelectTest, CopyAndPasteIntoAnotherDocumentKeepTheBytesButClashingIdentities) {
  ShowPage();
  const std::vector<TObjRef> refs = {{ObjKind::Unit, 2}, {ObjKind::Particle2, 0}, {ObjKind::Flame, 1}};
  std::vector<std::string> source;
  const auto copied = CopyRecords(shell.mob, refs);
  copied->ForEachList([&](const auto& list) {
    for (const auto& r : list) {
      Bytes bytes;
      r.WriteRecord(bytes);
      source.emplace_back(bytes.begin(), bytes.end());
    }
  });
  SelectAll(refs);
  ASSERT_TRUE(Key(Qt::Key_C));
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat(QString::fromLatin1(kRecordsMimeType)));
  EXPECT_TRUE(data->text().contains(u"\"units\""_s));

  // A second document that holds the unit's identity already.
  TFakeShell other;
  GenerateZone(other.mob, {.records = 40, .seed = 9});
  other.mob.Objects[0].ObjectID = shell.mob.Units[2].ObjectID;
  other.session.Adopt("other.mob");
  TObjectsPage second(other);
  second.FillObjectsTree();
  second.setGeometry(0, 0, 900, 420);
  second.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
  QApplication::setActiveWindow(&second);
  second.ObjectsTree()->setFocus();
  const std::size_t before = other.mob.TotalRecordCount();
  ASSERT_TRUE(second.KeyDown(Qt::Key_V, Qt::ControlModifier));
  ASSERT_EQ(other.mob.TotalRecordCount(), before + 3);
  EXPECT_EQ(other.session.History().Index(), 1u);

  const auto pasted = other.links.SelectedRecords();
  ASSERT_EQ(pasted.size(), 3u);
  for (std::size_t i = 0; i < pasted.size(); ++i) {
    TMob& mob = other.mob;
    const std::int32_t id = IdentityOf(mob, pasted[i]);
    // Byte for byte, the identity put back as it was.
    std::string bytes;
    VisitRecord(mob, pasted[i], [&](auto& r) {
      auto copy = r;
      SetIdentity(copy, IdentityOf(*copied, {pasted[i].kind, 0}));
      Bytes b;
      copy.WriteRecord(b);
      bytes.assign(b.begin(), b.end());
    });
    EXPECT_EQ(bytes, source[i]) << i;
    if (pasted[i].kind == ObjKind::Unit) {
      EXPECT_NE(id, shell.mob.Units[2].ObjectID);
    }
  }
  // The log names the identity the clash replaced.
  const QString line = other.log.join(u"\n"_s);
  EXPECT_TRUE(line.contains(u"ObjectID %1 → "_s.arg(shell.mob.Units[2].ObjectID))) << line.toStdString();
}

TEST_F(MultiSelectTest, PastedJsonTextIsTakenAndAnythingElseRefusedWhole) {
  ShowPage();
  const auto batch = CopyRecords(shell.mob, {{ObjKind::Lever, 0}, {ObjKind::Particle3, 0}});
  const QString json = RecordsMimeData(*batch)->text();
  const std::size_t total = shell.mob.TotalRecordCount();

  const struct {
    QString text;
    std::size_t added;
  } cases[] = {
      {json, 2},
      {u"просто текст"_s, 0},
      {u"{\"units\": [{\"Name1\": \"x\"}]}"_s, 0},         // not a whole record
      {u"{\"levers\": [], \"comment\": 1}"_s, 0},           // a key the form does not have
      {u"{}"_s, 0},                                          // no records
      {QString(json).replace(u"\"traps\""_s, u"\"trap\""_s) + u"]"_s, 0},  // broken JSON
  };
  std::size_t expected = total;
  for (const auto& c : cases) {
    auto* data = new QMimeData;
    data->setText(c.text);
    QApplication::clipboard()->setMimeData(data);
    const QStringList status = shell.statusMessages;
    EXPECT_EQ(Key(Qt::Key_V), true);
    expected += c.added;
    EXPECT_EQ(shell.mob.TotalRecordCount(), expected) << c.text.left(40).toStdString();
    if (c.added == 0) {
      ASSERT_GT(shell.statusMessages.size(), status.size());
      EXPECT_TRUE(shell.statusMessages.last().contains(u"ничего не вставлено"_s));
    }
  }
}

}  // namespace
}  // namespace kelvarin
