// Records on the system clipboard, so that they travel between documents and
// between editor windows: a private type holding their file form (an object
// block, byte for byte) and plain text holding their JSON form, as
// `kelvarin-cli dump` writes records. Pasting takes the private form first; text
// is taken when it holds records in that JSON form, from wherever it came.
#pragma once

#include <QString>
#include <memory>

#include "mob/tmob.h"

class QMimeData;

namespace kelvarin {

inline constexpr char kRecordsMimeType[] = "application/x-kelvarin-records";

// Both forms of the batch's records.
std::unique_ptr<QMimeData> RecordsMimeData(const TMob& batch);

struct TClipboardRecords {
  std::unique_ptr<TMob> batch;  // nullptr when refused
  QString error;                // why, for the status bar
};
// The records the clipboard's contents hold; a refusal for anything else, never
// part of them.
TClipboardRecords RecordsFromMimeData(const QMimeData* data);

}  // namespace kelvarin
