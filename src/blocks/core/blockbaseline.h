// The unknown blocks and unknown object sub-blocks as the file last read or
// written holds them, so that the block table can mark the ones replaced since.
// Only fingerprints are kept, never a second copy of the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/bytes.h"

namespace kelvarin {

class TMob;

class TBlockBaseline {
 public:
  // The document now matches its file (it was just loaded or saved).
  void Take(const TMob& mob);
  void Clear();

  bool UnknownBlockChanged(const TMob& mob, std::size_t unknownIndex) const;
  bool UnknownSubBlockChanged(const TMob& mob, std::size_t index) const;

 private:
  static std::uint64_t Fingerprint(const Bytes& data);
  static bool Differs(const std::vector<std::uint64_t>& fingerprints, std::size_t index,
                      const Bytes& data);

  std::vector<std::uint64_t> m_blocks;
  std::vector<std::uint64_t> m_subBlocks;
};

}  // namespace kelvarin
