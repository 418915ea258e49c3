// Several records the user acts on at once: the steps that change them together
// (a field they share given one value, their removal, copies of them appended),
// and the batch of records that travels between documents, on the clipboard or
// as copies made in place. A batch is a zone of its own (a TMob) that holds only
// records; its file form is an object block of them, which reads back through
// the loader's own checks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/fieldvalue.h"
#include "document/commandhistory.h"
#include "mob/recordrules.h"
#include "mob/tmob.h"

namespace kelvarin {

// "1 запись", "3 записи", "12 записей".
std::string RecordCountText(std::size_t count);

// The records a selection refers to, by kind, worked out in one pass over it:
// each kind's positions ascending and once each, and the first record of each
// kind and of all in the selection's own order. Refs to no record are left out.
struct TRecordGroups {
  std::array<std::vector<std::size_t>, kObjKindCount> indices;
  std::array<std::optional<TObjRef>, kObjKindCount> first;
  std::optional<TObjRef> lead;
};
TRecordGroups GroupRecords(const TMob& mob, const std::vector<TObjRef>& refs);

// Copies of the records `refs` refers to, each kind's in list order, equal to
// them byte for byte in their file form. Refs to no record are left out.
std::unique_ptr<TMob> CopyRecords(const TMob& mob, std::vector<TObjRef> refs);

// An identity a record of a batch was given as it joined a document.
struct TIdentityChange {
  TObjRef record;  // in the batch
  std::int32_t from = 0;
  std::int32_t to = 0;
};

// Gives the records of `batch` the identities FindFreeObjectId of `mob` would
// give them one after another as they join it: every record when `every` (copies
// made in place), otherwise only those whose identity a record of `mob`, or one
// earlier in the batch, carries already. nullopt, with `batch` untouched, when
// the free identities run out.
std::optional<std::vector<TIdentityChange>> GiveFreeIdentities(const TMob& mob, TMob& batch, bool every);

// The middle of the box around the batch's records that have a place on the
// plane; nullopt when none has.
std::optional<TPlanePosition> BatchCentre(const TMob& batch);
// Moves every record of the batch by (dx, dy) on the plane.
void ShiftBatch(TMob& batch, double dx, double dy);

// The step that appends the records of `batch` to the ends of their kinds'
// lists; they are selected after it. nullptr for an empty batch.
std::unique_ptr<TDocCommand> AppendRecordsStep(std::unique_ptr<TMob> batch, std::string caption);
// The step that takes the records `refs` out of their lists; nullptr when none of
// them is a record of `mob`.
std::unique_ptr<TDocCommand> DeleteRecordsStep(const TMob& mob, std::vector<TObjRef> refs, std::string caption);

// A field's new value per kind (a text gives each kind the value its own check
// makes of it).
using TKindValues = std::array<std::optional<TFieldValue>, kObjKindCount>;
// The step that gives the field `key` of every record of `groups` the value of
// its kind, as one step that keeps the records selected; records that hold it
// already are left alone. nullptr when no record would change.
std::unique_ptr<TDocCommand> SetFieldStep(const TMob& mob, const TRecordGroups& groups, const std::string& key,
                                          const TKindValues& values, std::string caption);

// The batch's file form: an object block of its records.
Bytes RecordsFileForm(const TMob& batch);
// Reads a file form into `batch`: false, with `batch` emptied, for anything but
// a whole object block of records of the eight kinds with at least one record.
bool ReadRecordsFileForm(std::span<const std::uint8_t> bytes, TMob& batch);

}  // namespace kelvarin
