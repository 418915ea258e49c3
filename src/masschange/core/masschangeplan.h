// A mass change as typed values: what its page's texts say once they have been
// read and checked, in one place. ParseMassChange turns the options (the texts the
// page and the settings file keep, MassChangeOpts) into a plan, or into the message
// of the first text that fails its rule; the engine, the editor's page, the map's
// preview and the CLI all go through it and none reads the texts again.
#pragma once

#include <optional>
#include <string>

#include "criteria/areatexts.h"
#include "criteria/selectioncriteria.h"
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

// The offset added to a record's plane position, in extended precision.
struct TPlaneOffset {
  long double x = 0, y = 0;
  bool operator==(const TPlaneOffset&) const = default;
};

// What the parameter changes write into every selected record (in the modes that
// change parameters); nullopt: not ticked.
struct TParamChanges {
  // Written as they stand (an empty text empties the field).
  TRecordTexts texts;
  // The low 8 bits of the typed integer (300 stores 44, -1 stores 255).
  std::optional<std::uint8_t> playerNumber;
  std::optional<TPlaneOffset> offset;
  bool operator==(const TParamChanges&) const = default;
};

struct TMassChangePlan {
  MassChangeMode mode = MassChangeMode::OnlyParams;
  TSelectionCriteria criteria;
  TParamChanges changes;
  // Copy and move: the target file (UTF-8, native), and whether a copy replaces the
  // target's records of the same identity (the high range always does).
  std::string targetPath;
  bool replaceIds = true;
  bool operator==(const TMassChangePlan&) const = default;
};

// A plan, or the message of the first option whose text fails its rule; exactly one
// of the two.
struct TMassChangeParse {
  std::optional<TMassChangePlan> plan;
  std::string error;
};

// Reads the options in the check's fixed order and stops at the first text that
// fails: the rectangle's, the circle's and the offset's numbers, then the two
// PlayerNumber integers, each only when ticked. A number must pass CheckStrFloat
// and carry a usable number, an integer CheckStrInt and fit 32 bits, so nothing a
// run meets is left unconverted. The target file is a run's business (TargetError).
TMassChangeParse ParseMassChange(const MassChangeOpts& opts, char decimalSeparator);

// The criteria alone, as a preview reads them: the checks of the actions and of the
// target have nothing to say about what would be selected.
TCriteriaReading ParseCriteria(const MassChangeOpts& opts, char decimalSeparator);

// What stands in the way of a run with `plan` now, in copy and move mode: the
// target file must exist and must not be the open document's own file (`openFile`,
// UTF-8), whose save would otherwise overwrite the records written into it. Empty
// when nothing does.
std::string TargetError(const TMassChangePlan& plan, const std::string& openFile);

// The whole check a run makes: the parse's message, else the target's.
std::string MassChangeError(const TMassChangeParse& parse, const std::string& openFile);

// The message for an edit whose text does not pass its rule.
std::string BadValueMessage(const char* editName);

// Writes a drawn area into the options as the page's edits would hold it and ticks
// the shape's checkbox, replacing a shape of the same type; everything else stays.
void PutArea(MassChangeOpts& opts, const TAreaTexts& area);

}  // namespace kelvarin
