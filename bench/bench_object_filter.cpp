// The objects tree's filter over a large zone, beside a plain case-insensitive
// scan of the same cell texts in the same run: for each record and each of its
// cells, a search that folds letter case as it compares. The index should cost
// no more than twice that scan (it usually costs far less: one search over a
// kind's whole buffer instead of one per cell).
//
//   build-release/bin/bench-object-filter [RECORDS]   (default 200000)
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchutil.h"
#include "common/cp1251.h"
#include "mob/generator.h"
#include "mob/tmob.h"
#include "objects/core/objectfilter.h"
#include "objects/core/recordcolumns.h"

using namespace kelvarin;
using kelvarin::bench::BestMs;

namespace {

// Every record's cells as the tree shows them, unfolded.
using Cells = std::array<std::string, kRecordColumnCount>;

std::size_t PlainScan(const std::vector<std::vector<Cells>>& cells, const std::string& word) {
  std::size_t hits = 0;
  const auto same = [](char a, char b) {
    return Cp1251FoldCase(static_cast<unsigned char>(a)) == Cp1251FoldCase(static_cast<unsigned char>(b));
  };
  for (const auto& kind : cells)
    for (const Cells& record : kind)
      for (const std::string& cell : record)
        if (std::search(cell.begin(), cell.end(), word.begin(), word.end(), same) != cell.end()) {
          ++hits;
          break;
        }
  return hits;
}

std::size_t IndexMatch(const TObjectFilterIndex& index, const TObjectFilter& filter) {
  std::size_t hits = 0;
  for (ObjKind kind : kAllObjKinds)
    for (std::uint8_t pass : index.Match(filter, kind)) hits += pass;
  return hits;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t records = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = 7});

  std::vector<std::vector<Cells>> cells(kObjKindCount);
  for (ObjKind kind : kAllObjKinds)
    for (std::size_t i = 0; i < mob.Count(kind); ++i) {
      Cells c;
      for (int col = 0; col < kRecordColumnCount; ++col)
        c[std::size_t(col)] = RecordColumnText(mob, {kind, i}, TRecordColumn(col), '.');
      cells[std::size_t(kind)].push_back(std::move(c));
    }

  TObjectFilterIndex index;
  const double buildMs = BestMs(3, [&] { index.Build(mob, '.'); });
  std::printf("%zu records; index built in %.1f ms\n\n", records, buildMs);
  std::printf("%-22s %8s %12s %12s %8s\n", "filter", "matches", "scan ms", "filter ms", "ratio");

  constexpr int kRuns = 5;
  // A frequent word, a rare one, a number, a Cyrillic one, one that matches nothing.
  for (const char* utf8 : {"goblin", "var_1234", "4030", "ГОБЛИН", "no such thing", "o"}) {
    const std::string text = Utf8ToCp1251(utf8).value();
    const TObjectFilter filter = std::get<TObjectFilter>(ParseObjectFilter(text));
    std::size_t scanHits = 0, indexHits = 0;
    const double scanMs = BestMs(kRuns, [&] { scanHits = PlainScan(cells, text); });
    const double filterMs = BestMs(kRuns, [&] { indexHits = IndexMatch(index, filter); });
    if (scanHits != indexHits) {
      std::fprintf(stderr, "%s: the scan found %zu, the filter %zu\n", utf8, scanHits, indexHits);
      return 1;
    }
    std::printf("%-22s %8zu %12.2f %12.2f %8.2f\n", utf8, indexHits, scanMs, filterMs, filterMs / scanMs);
  }
  return 0;
}
