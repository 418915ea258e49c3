// Feeds arbitrary bytes to the loader: it must never crash or read out of bounds,
// and whatever loads must save, load again and save to the same bytes.
#include <cstdint>
#include <cstdlib>

#include "mob/tmob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  kelvarin::TMob mob;
  if (!mob.LoadImage(data, size)) return 0;
  kelvarin::Bytes first;
  if (!mob.BuildImage(first)) return 0;

  kelvarin::TMob again;
  if (!again.LoadImage(first.data(), first.size())) std::abort();  // our own output must load
  kelvarin::Bytes second;
  if (!again.BuildImage(second) || second != first) std::abort();  // and be stable
  return 0;
}
