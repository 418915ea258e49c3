// What a set of mass-change options asks for (the action mode) and whether it can
// run at all (the option check that comes before any file is touched).
#pragma once

#include <string>

#include "masschange/core/masschangeopts.h"

namespace kelvarin {

enum class MassChangeMode { None, OnlyParams, Delete, Copy, Move };

// The action mode of the four radio buttons. They are put on the page in the order
// Del, Copy, Move, OnlyParams and checking one clears the others, so when a
// settings file has several of them on, the last one in that order wins; with all
// four off there is no mode and a run selects records without changing them.
MassChangeMode ModeOf(const MassChangeOpts& opts);

inline bool UsesTarget(MassChangeMode mode) {
  return mode == MassChangeMode::Copy || mode == MassChangeMode::Move;
}

// The native path (UTF-8) of the target file, which the options hold in code page 1251.
std::string TargetPathOf(const MassChangeOpts& opts);

// The message for an edit whose text does not pass its rule.
std::string BadValueMessage(const char* editName);

// Runs the option checks in their fixed order and returns the message of the first
// one that fails, or an empty string when the options can run. Number texts must
// pass their text rule and also carry a usable number (so a run never meets a text
// it cannot convert); in copy and move mode the target file must exist and must not
// be the open document's own file (`openFile`, UTF-8), whose save would otherwise
// overwrite the records written into it.
std::string MassChangeOptsError(const MassChangeOpts& opts, char decimalSeparator,
                                const std::string& openFile);

}  // namespace kelvarin
