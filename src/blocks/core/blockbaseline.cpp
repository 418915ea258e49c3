#include "blocks/core/blockbaseline.h"

#include <functional>
#include <string_view>

#include "mob/tmob.h"

namespace kelvarin {

std::uint64_t TBlockBaseline::Fingerprint(const Bytes& data) {
  const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  // The length is mixed in so that blocks of different sizes never look alike.
  return std::hash<std::string_view>{}(bytes) ^ (std::uint64_t(data.size()) * 0x9E3779B97F4A7C15ull);
}

void TBlockBaseline::Take(const TMob& mob) {
  Clear();
  for (const SUnknBlock& block : mob.UnknownBlocks) m_blocks.push_back(Fingerprint(block.Data));
  for (const SUnknObjBlock& block : mob.UnknownObjectBlocks) m_subBlocks.push_back(Fingerprint(block.Data));
}

void TBlockBaseline::Clear() {
  m_blocks.clear();
  m_subBlocks.clear();
}

bool TBlockBaseline::Differs(const std::vector<std::uint64_t>& fingerprints, std::size_t index,
                             const Bytes& data) {
  return index >= fingerprints.size() || fingerprints[index] != Fingerprint(data);
}

bool TBlockBaseline::UnknownBlockChanged(const TMob& mob, std::size_t unknownIndex) const {
  return unknownIndex < mob.UnknownBlocks.size() &&
         Differs(m_blocks, unknownIndex, mob.UnknownBlocks[unknownIndex].Data);
}

bool TBlockBaseline::UnknownSubBlockChanged(const TMob& mob, std::size_t index) const {
  return index < mob.UnknownObjectBlocks.size() &&
         Differs(m_subBlocks, index, mob.UnknownObjectBlocks[index].Data);
}

}  // namespace kelvarin
