#include "document/movecommand.h"

#include <cstring>

#include "document/fieldvalue.h"

namespace kelvarin {
namespace {

bool SameBits(TPlanePosition a, TPlanePosition b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TMoveCommand::TMoveCommand(TObjRef ref, TPlanePosition before, TPlanePosition after, std::string caption)
    : TDocCommand(std::move(caption)), m_ref(ref), m_before(before), m_after(after) {}

std::size_t TMoveCommand::MemorySize() const { return sizeof(*this) + HeapBytes(Caption()); }

std::unique_ptr<TMoveCommand> MoveStep(const TMob& mob, TObjRef ref, TPlanePosition to, std::string caption) {
  const std::optional<TPlanePosition> from = ReadPlanePosition(mob, ref);
  // A drag that ends where it began changes no byte: no step.
  if (!from || SameBits(*from, to)) return nullptr;
  return std::make_unique<TMoveCommand>(ref, *from, to, std::move(caption));
}

}  // namespace kelvarin
