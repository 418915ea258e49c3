#include "document/movecommand.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "document/fieldvalue.h"

namespace kelvarin {
namespace {

bool SameBits(TPlanePosition a, TPlanePosition b) { return std::memcmp(&a, &b, sizeof a) == 0; }

float Shifted(float v, double d) { return float(std::clamp(double(v) + d, -double(FLT_MAX), double(FLT_MAX))); }

}  // namespace

TMoveCommand::TMoveCommand(TObjRef ref, TPlanePosition before, TPlanePosition after, std::string caption)
    : TDocCommand(std::move(caption)), m_moves{{ref, before, after}} {}

TMoveCommand::TMoveCommand(std::vector<TPlaneMove> moves, std::string caption)
    : TDocCommand(std::move(caption)), m_moves(std::move(moves)) {}

void TMoveCommand::Undo(TMob& mob) {
  for (const TPlaneMove& move : m_moves) WritePlanePosition(mob, move.ref, move.before);
}

void TMoveCommand::Redo(TMob& mob) {
  for (const TPlaneMove& move : m_moves) WritePlanePosition(mob, move.ref, move.after);
}

TRecordsChange TMoveCommand::Change(bool) const {
  TRecordsChange change = TRecordsChange::Of(m_moves.front().ref);
  if (m_moves.size() > 1)
    for (const TPlaneMove& move : m_moves) change.records.push_back(move.ref);
  return change;
}

std::optional<std::vector<TObjRef>> TMoveCommand::RecordsChangedInPlace() const {
  std::vector<TObjRef> refs;
  for (const TPlaneMove& move : m_moves) refs.push_back(move.ref);
  return refs;
}

std::size_t TMoveCommand::MemorySize() const {
  return sizeof(*this) + m_moves.capacity() * sizeof(TPlaneMove) + HeapBytes(Caption());
}

std::unique_ptr<TMoveCommand> MoveStep(const TMob& mob, TObjRef ref, TPlanePosition to, std::string caption) {
  const std::optional<TPlanePosition> from = ReadPlanePosition(mob, ref);
  // A drag that ends where it began changes no byte: no step.
  if (!from || SameBits(*from, to)) return nullptr;
  return std::make_unique<TMoveCommand>(ref, *from, to, std::move(caption));
}

std::unique_ptr<TMoveCommand> MoveRecordsStep(const TMob& mob, const std::vector<TObjRef>& refs, double dx, double dy,
                                              std::string caption) {
  std::vector<TPlaneMove> moves;
  for (const TObjRef& ref : refs) {
    const std::optional<TPlanePosition> from = ReadPlanePosition(mob, ref);
    // A record with no place on the plane stays where it is.
    if (!from || !std::isfinite(from->x) || !std::isfinite(from->y)) continue;
    const TPlanePosition to{Shifted(from->x, dx), Shifted(from->y, dy)};
    if (!SameBits(*from, to)) moves.push_back({ref, *from, to});
  }
  if (moves.empty()) return nullptr;
  return std::make_unique<TMoveCommand>(std::move(moves), std::move(caption));
}

}  // namespace kelvarin
