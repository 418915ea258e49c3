#include "app/core/diffentries.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

// Entries read the zone as A and the file as B: records lead to the zone's
// record, script lines to the zone's line, what the zone lacks leads nowhere.
TEST(DiffEntries, EachDifferenceLeadsToTheZoneWhereItCan) {
  TZoneDiff diff;
  TBlockDiff tail;
  tail.block = TBlockDiff::Block::Tail;
  tail.a = {true, 0, 0, 3};
  tail.b = {true, 0, 0, 4};
  tail.firstDifference = 3;
  diff.blocks.push_back(tail);

  TRecordDiff changed;
  changed.kind = ObjKind::Lever;
  changed.identity = 17;
  changed.indexA = 2;
  changed.indexB = 0;
  changed.moved = true;
  changed.fields.push_back({"LoadX", TFieldValue(1.5f), TFieldValue(-0.0f)});
  diff.records.push_back(changed);
  TRecordDiff added;
  added.kind = ObjKind::Unit;
  added.change = TRecordDiff::Change::Added;
  added.identity = 5;
  added.occurrence = 1;
  added.indexB = 9;
  diff.records.push_back(added);

  TDiffHunk hunk;
  hunk.aStart = 4;
  hunk.aCount = 3;
  hunk.bStart = 4;
  hunk.bCount = 3;
  hunk.lines = {{' ', "a\n"}, {'-', "b\r\n"}, {'-', "c"}, {'+', "b\n"}, {'+', "C"}};
  diff.script.presentA = diff.script.presentB = true;
  diff.script.hunks.push_back(hunk);

  const std::vector<TResultEntry> entries = DiffResultEntries(diff);
  std::vector<std::string> texts;
  for (const TResultEntry& e : entries) texts.push_back(e.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Хвост: в зоне 3 байт; в файле 4 байт; первое отличие в байте 3",
                       "Рычаги 17: в файле стоит на месте 1 в списке, в зоне — на 3",
                       "Рычаги 17: LoadX: в зоне 1.5, в файле -0 (0x80000000)",
                       "Юниты 5 (2-й с этим номером): есть только в файле, место 10 в списке",
                       "Скрипт, строка 5: различается только конец строки: в зоне CR LF, в файле LF",
                       "Скрипт, строка 6: только в зоне: c",
                       "Скрипт, строка 6 файла: только в файле: C",
                   }));
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries[0].target, TResultTarget(std::monostate{}));
  EXPECT_EQ(entries[2].target, TResultTarget(TObjRef{ObjKind::Lever, 2}));
  EXPECT_EQ(entries[3].target, TResultTarget(std::monostate{}));
  EXPECT_EQ(entries[4].target, TResultTarget(TScriptPlace{5, 1}));
  EXPECT_EQ(entries[6].target, TResultTarget(TScriptPlace{7, 1}));
}

}  // namespace
}  // namespace kelvarin
