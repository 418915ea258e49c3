#include "python/documentscript.h"

#include <utility>

#include "document/docpaths.h"
#include "document/documentsession.h"

namespace kelvarin {

TDocumentZoneOwner::TDocumentZoneOwner(TDocumentSession& session, std::string script, TZoneRecorder& recorder)
    : m_session(session), m_script(std::move(script)), m_recorder(recorder) {}

TMob& TDocumentZoneOwner::Mob() { return m_session.Mob(); }

std::string TDocumentZoneOwner::Path() const { return m_session.Path(); }

std::string TDocumentZoneOwner::Refusal(TZoneOperation operation) const {
  switch (operation) {
    case TZoneOperation::Save:
      return "save() is not available inside the editor: the script's changes become one step the editor can "
             "undo; save the zone from the File menu once the script has run";
    case TZoneOperation::MassChange:
      return "mass_change() is not available inside the editor: a mass change saves and reloads the zone; run "
             "it from the mass-change page, or change the records from the script";
    case TZoneOperation::WriteScript:
      return "document.script is read-only inside the editor: the Script page owns the script's text";
    case TZoneOperation::WriteScriptKey:
      return "document.script_key is read-only inside the editor: change the key on the Script page";
  }
  return {};
}

std::string ScriptStepCaption(const std::string& scriptPath) { return "Сценарий " + FileNameOf(scriptPath); }

void TScriptRunCommand::Redo(TMob& mob) {
  if (m_run) {
    const bool finished = std::exchange(m_run, nullptr)(m_journal);
    if (!finished) {
      // What the script did before it failed is taken back, exactly.
      m_journal.Undo(mob);
      m_failed = true;
    }
    return;
  }
  m_journal.Redo(mob);
}

TRecordsChange TScriptRunCommand::Change(bool) const {
  // The script may have touched any record: none is picked out, and the pages
  // read what they show again.
  return {.record = std::nullopt, .listsResized = m_journal.ListsResized()};
}

std::optional<std::vector<TObjRef>> TScriptRunCommand::RecordsChangedInPlace() const {
  if (m_journal.ListsResized()) return std::nullopt;
  return m_journal.ChangedRecords();
}

std::size_t TScriptRunCommand::MemorySize() const {
  return sizeof(*this) - sizeof(m_journal) + m_journal.MemorySize() + HeapBytes(Caption());
}

}  // namespace kelvarin
