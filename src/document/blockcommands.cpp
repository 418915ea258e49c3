#include "document/blockcommands.h"

#include <utility>

#include "document/fieldvalue.h"
#include "mob/tmob.h"

namespace kelvarin {

Bytes* UnknownBlockBytes(TMob& mob, TUnknownBlockRef ref) {
  if (ref.subBlock)
    return ref.index < mob.UnknownObjectBlocks.size() ? &mob.UnknownObjectBlocks[ref.index].Data : nullptr;
  return ref.index < mob.UnknownBlocks.size() ? &mob.UnknownBlocks[ref.index].Data : nullptr;
}

const Bytes* UnknownBlockBytes(const TMob& mob, TUnknownBlockRef ref) {
  return UnknownBlockBytes(const_cast<TMob&>(mob), ref);
}

TBlockReplaceCommand::TBlockReplaceCommand(TUnknownBlockRef ref, Bytes bytes, std::string caption)
    : TDocCommand(std::move(caption)), m_ref(ref), m_other(std::move(bytes)) {}

std::unique_ptr<TBlockReplaceCommand> TBlockReplaceCommand::Replace(const TMob& mob, TUnknownBlockRef ref,
                                                                    Bytes bytes, std::string caption) {
  const Bytes* held = UnknownBlockBytes(mob, ref);
  if (!held || *held == bytes) return nullptr;
  return std::make_unique<TBlockReplaceCommand>(ref, std::move(bytes), std::move(caption));
}

void TBlockReplaceCommand::Exchange(TMob& mob) {
  Bytes* held = UnknownBlockBytes(mob, m_ref);
  if (!held) return;
  held->swap(m_other);
  // The size a block record keeps is always its bytes' length.
  if (m_ref.subBlock)
    mob.UnknownObjectBlocks[m_ref.index].Size = std::uint32_t(held->size());
  else
    mob.UnknownBlocks[m_ref.index].Size = held->size();
}

std::size_t TBlockReplaceCommand::MemorySize() const {
  return sizeof(*this) + m_other.capacity() + HeapBytes(Caption());
}

}  // namespace kelvarin
