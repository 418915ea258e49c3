// Feeds arbitrary bytes to the loader: it must never crash or read out of bounds,
// and whatever loads must save, load again and save to the same bytes. A load that
// leaves the records in the image must answer exactly as one that decodes them:
// the same verdict, the same lines, the same saved bytes.
#include <cstdint>
#include <cstdlib>

#include "mob/tmob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  kelvarin::TMob mob, kept;
  kept.RecordsStayInImage = true;
  const bool loaded = mob.LoadImage(data, size);
  if (kept.LoadImage(data, size) != loaded || kept.LogText != mob.LogText) std::abort();
  if (!loaded) return 0;
  kelvarin::Bytes first, fromKept;
  const bool built = mob.BuildImage(first);
  if (kept.BuildImage(fromKept) != built || fromKept != first || kept.LogText != mob.LogText)
    std::abort();
  if (!built) return 0;

  kelvarin::TMob again;
  if (!again.LoadImage(first.data(), first.size())) std::abort();  // our own output must load
  kelvarin::Bytes second;
  if (!again.BuildImage(second) || second != first) std::abort();  // and be stable
  return 0;
}
