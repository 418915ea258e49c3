// Synthetic zones for demos, tests and benchmarks: the project ships no binary
// sample files, it makes them. The same options and seed always give the same
// document, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvarin {

class TMob;

struct TGenerateOptions {
  std::size_t records = 2000;  // placed objects over all eight kinds
  std::uint64_t seed = 1;
  std::size_t scriptLines = 200;
};

// Replaces the document's contents with a zone holding every record kind, a
// script, unknown blocks, unknown object sub-blocks and a tail; the document is
// then loaded (it can be saved) and its log is empty.
void GenerateZone(TMob& mob, const TGenerateOptions& options);

}  // namespace kelvarin
