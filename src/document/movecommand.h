// A record moved on the zone's plane (a drag on the map): its two plane
// coordinates before and after, one step of the history per drag.
#pragma once

#include <memory>
#include <string>

#include "document/commandhistory.h"
#include "mob/recordrules.h"

namespace kelvarin {

class TMoveCommand : public TDocCommand {
 public:
  // Redo puts the record at `after`, Undo back at `before`.
  TMoveCommand(TObjRef ref, TPlanePosition before, TPlanePosition after, std::string caption);

  void Undo(TMob& mob) override { WritePlanePosition(mob, m_ref, m_before); }
  void Redo(TMob& mob) override { WritePlanePosition(mob, m_ref, m_after); }
  TRecordsChange Change(bool) const override { return {m_ref, false}; }
  std::size_t MemorySize() const override;

  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override { return {{m_ref}}; }

 private:
  TObjRef m_ref;
  TPlanePosition m_before, m_after;
};

// The step that puts the record `ref` at `to`, for the session to apply; nullptr
// when there is no such record or it stands there already.
std::unique_ptr<TMoveCommand> MoveStep(const TMob& mob, TObjRef ref, TPlanePosition to, std::string caption);

}  // namespace kelvarin
