// What a zone file holds at a glance: its kind, its blocks, its records per kind,
// its tail and its script's length, as `kelvarin-cli info` tells them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mob/records.h"

namespace kelvarin {

class TMob;

struct TZoneSummary {
  struct Block {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
  };
  std::uint64_t fileSize = 0;
  std::string mobKind;
  std::int32_t blockCount = 0;
  std::vector<Block> blocks;  // those after the flag block, in file order
  std::size_t counts[kObjKindCount] = {};
  std::size_t unknownObjects = 0;
  std::int64_t tailLength = 0;
  bool hasScript = false;
  std::uint64_t scriptLength = 0;
  std::uint32_t scriptKey = 0;
  bool operator==(const TZoneSummary&) const;
};

// The summary of a document loaded from a file (with its records left in the file
// image, or not).
TZoneSummary ZoneSummaryOf(const TMob& mob);

// Reads a regular file once, mapped, checking its framing and finding every record
// in the writer's own form: a file like that loads, and its summary needs no record
// decoded. Anything out of the ordinary (damage, a record in another form, a second
// script or object block, an empty file or one that is no regular one, a file cut
// short while it is read) answers false, and the caller loads the file in full,
// which gives the verdict, the lines and the summary.
bool QuickZoneSummary(const std::string& path, TZoneSummary& summary);

}  // namespace kelvarin
