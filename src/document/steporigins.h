// Keeps a document's record origins (TRecordOrigins) in step with its lists: what
// a step has just done to them, said in the terms the step itself gives (the
// records it changed in place, the positions it took out, changed and appended),
// erring towards "changed". A step that gives no such terms leaves nothing known.
#pragma once

#include "document/commandhistory.h"

namespace kelvarin {

class TMob;

// `step` has just been applied or redone (`undone` false) or undone on `mob`.
void FollowStepOrigins(TMob& mob, const TDocCommand& step, bool undone);

}  // namespace kelvarin
