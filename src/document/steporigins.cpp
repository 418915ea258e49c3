#include "document/steporigins.h"

#include "document/blockcommands.h"
#include "document/recordcommands.h"
#include "mob/recordorigins.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

void FollowRecordsEdit(TRecordOrigins& origins, const TRecordsEdit& edit, bool undone) {
  const auto touched = edit.Touched();
  if (!undone) {
    // Positions before the change: the changed ones first, then the taken ones
    // leave, then the appended ones come last.
    for (const auto& kind : touched) {
      for (std::uint32_t index : kind.changed) origins.Changed(kind.kind, index);
      origins.Taken(kind.kind, kind.taken);
    }
    for (ObjKind kind : kAllObjKinds) origins.Appended(kind, edit.AppendedRecords(kind));
    return;
  }
  // Back as before the change: the appended ones leave, the taken ones come back
  // to their positions (as records of their own: what was copied into them and
  // out again is not followed), the changed ones stand where they stood.
  for (ObjKind kind : kAllObjKinds) origins.Unappended(kind, edit.AppendedRecords(kind));
  for (const auto& kind : touched) {
    origins.Inserted(kind.kind, kind.taken);
    for (std::uint32_t index : kind.changed) origins.Changed(kind.kind, index);
  }
}

}  // namespace

void FollowStepOrigins(TMob& mob, const TDocCommand& step, bool undone) {
  TRecordOrigins* const origins = mob.Origins();
  if (!origins) return;
  if (const auto changed = step.RecordsChangedInPlace()) {
    for (const TObjRef& ref : *changed) origins->Changed(ref.kind, ref.index);
  } else if (dynamic_cast<const TBlockReplaceCommand*>(&step)) {
    // Unknown blocks only: no record changed.
  } else if (const auto* records = dynamic_cast<const TRecordsEditCommand*>(&step)) {
    FollowRecordsEdit(*origins, records->Edit(), undone);
  } else {
    mob.DropOrigins();
  }
}

}  // namespace kelvarin
