// A Python script run on the editor's open document, as one step of its history.
// The script works on the document itself through a TZoneHandle over
// TDocumentZoneOwner, which writes every change into the step's journal and
// refuses what could not be taken back with the step (a save, a mass change, the
// script text the Script page owns). The step's first Redo is the run: a script
// that fails leaves the document exactly as it found it, and the step is empty.
#pragma once

#include <functional>
#include <string>

#include "document/commandhistory.h"
#include "python/zonejournal.h"

namespace kelvarin {

class TDocumentSession;

class TDocumentZoneOwner : public TZoneOwner {
 public:
  // `script` is the zone's script as the user sees it (the Script page's text).
  TDocumentZoneOwner(TDocumentSession& session, std::string script, TZoneRecorder& recorder);

  TMob& Mob() override;
  std::string Path() const override;
  const std::string& ScriptText() override { return m_script; }
  std::string Refusal(TZoneOperation operation) const override;
  TZoneRecorder* Recorder() override { return &m_recorder; }

 private:
  TDocumentSession& m_session;
  std::string m_script;
  TZoneRecorder& m_recorder;
};

// "Сценарий name.py"
std::string ScriptStepCaption(const std::string& scriptPath);

class TScriptRunCommand : public TDocCommand {
 public:
  // Runs the script on the document, writing its changes into the journal it is
  // given; true when the script ended normally.
  using TRun = std::function<bool(TZoneJournal&)>;
  TScriptRunCommand(std::string caption, TRun run) : TDocCommand(std::move(caption)), m_run(std::move(run)) {}

  void Undo(TMob& mob) override { m_journal.Undo(mob); }
  void Redo(TMob& mob) override;
  TRecordsChange Change(bool undone) const override;
  std::size_t MemorySize() const override;
  std::optional<std::vector<TObjRef>> RecordsChangedInPlace() const override;
  // A script that failed, or changed nothing, is no step.
  bool Empty() const override { return m_failed || m_journal.Empty(); }

 private:
  TRun m_run;  // until the first Redo has run it
  TZoneJournal m_journal;
  bool m_failed = false;
};

}  // namespace kelvarin
