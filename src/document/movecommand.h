// Records moved on the zone's plane (a drag on the map): each one's two plane
// coordinates before and after, one step of the history per drag.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/commandhistory.h"
#include "mob/recordrules.h"

namespace kelvarin {

struct TPlaneMove {
  TObjRef ref;
  TPlanePosition before, after;
};

class TMoveCommand : public TDocCommand {
 public:
  // Redo puts the record at `after`, Undo back at `before`.
  TMoveCommand(TObjRef ref, TPlanePosition before, TPlanePosition after, std::string caption);
  // Several records dragged together; they stay selected together.
  TMoveCommand(std::vector<TPlaneMove> moves, std::string caption);

  void Undo(TMob& mob) override;
  void Redo(TMob& mob) override;
  TRecordsChange Change(bool) const override;
  std::size_t MemorySize() const override;

  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override;
  TObjRef Record() const { return m_moves.front().ref; }

 private:
  std::vector<TPlaneMove> m_moves;
};

// The step that puts the record `ref` at `to`, for the session to apply; nullptr
// when there is no such record or it stands there already.
std::unique_ptr<TMoveCommand> MoveStep(const TMob& mob, TObjRef ref, TPlanePosition to, std::string caption);
// The step that moves every record of `refs` by (dx, dy), as a drag of them all
// does; nullptr when none would move.
std::unique_ptr<TMoveCommand> MoveRecordsStep(const TMob& mob, const std::vector<TObjRef>& refs, double dx, double dy,
                                              std::string caption);

}  // namespace kelvarin
