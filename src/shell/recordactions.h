// What a page does with the records the user has selected, the same on every
// page that selects records (the objects tree, the map): remove them, copy them
// in place, put them on the clipboard, take them out, and paste records from it.
// Each action starts from what the user typed (TShellServices::CommitEdits),
// changes the document as one step of its history and selects what it leaves
// (the copies, the pasted records) on every page.
#pragma once

#include <optional>
#include <vector>

#include "mob/objref.h"
#include "mob/recordrules.h"

class QObject;

namespace kelvarin {

class TDocumentListener;
class TShellServices;

class TRecordActions {
 public:
  // `origin`: the page's listener, which applies the steps.
  TRecordActions(TShellServices& shell, const TDocumentListener* origin) : m_shell(shell), m_origin(origin) {}

  bool Delete(const std::vector<TObjRef>& refs);
  // Copies in place, each with an identity of its own; refused as a whole when
  // the free identities run out.
  bool Duplicate(const std::vector<TObjRef>& refs);
  bool Copy(const std::vector<TObjRef>& refs);
  bool Cut(const std::vector<TObjRef>& refs);
  // The clipboard's records, positions kept, or with the middle of their group
  // at `centre`. Identities the document holds already are replaced by free
  // ones, each change in the log.
  bool Paste(std::optional<TPlanePosition> centre = std::nullopt);

 private:
  bool Usable(bool needsRecords, const std::vector<TObjRef>& refs) const;
  // Applies the step and selects what it leaves selected, on every page.
  bool ApplyAndSelect(std::unique_ptr<class TDocCommand> step);

  TShellServices& m_shell;
  const TDocumentListener* m_origin;
};

}  // namespace kelvarin
