// The mass-change engine: selects records of the open document by the criteria of
// a plan (masschangeplan.h) and changes, deletes, copies or moves them. The open document
// is a session (its file, save options, log and busy lock); the target file gets
// a session of its own for the run, so both are loaded and saved by the same
// rules. What the user would be asked goes through TMassChangeHost, which the
// editor and the CLI implement.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "masschange/core/identityindex.h"
#include "masschange/core/masschangeplan.h"
#include "masschange/core/masschangesummary.h"
#include "mob/tmob.h"

class TMobLogView;

namespace kelvarin {

class TDocumentSession;
class TRecordsEdit;

class TMassChangeHost {
 public:
  virtual ~TMassChangeHost() = default;

  // The open document: its records, its file, the save options, the log, the
  // busy lock and the record history.
  virtual TDocumentSession& Session() = 0;
  // A refusal: one message box with an error icon.
  virtual void ShowError(const std::string& message) = 0;
  // The open document's Save and Open commands as its user has them (the editor
  // asks for a name when the file has gone, and about unsaved changes before it
  // reopens the file).
  virtual bool SaveMob() = 0;
  virtual bool OpenMob(const std::string& path) = 0;
};

// Carries out one mass change over `source` and, in copy and move mode, `target`.
// With `edit`, what the change does to `source` is kept there so that it can be
// undone (the old values are moved aside, not copied).
class TMassChanger {
 public:
  TMassChanger(TMassChangePlan plan, TMob& source, TMob* target, TRecordsEdit* edit = nullptr);

  // Whether the record at `index` of the source list of `kind` meets every criterion
  // that applies to its kind.
  bool MatchesCriteria(ObjKind kind, std::size_t index) const;

  // Scans the ticked kinds in kind order, applying the actions to every matching
  // record; every record present when its kind's scan starts is examined exactly
  // once and in order. Records leaving the source (delete, move) and target records
  // replaced by copies are taken out in one pass per list.
  void Run();

  // What Run did; complete once it has returned.
  const TMassChangeCounts& Counts() const { return m_counts; }

 private:
  // Applies the action mode to the record at `index`: parameter changes, copy into
  // the target, then removal. True when the record leaves the source.
  template <class R> bool ApplyActions(R& r, std::size_t index);
  // True when a field took a new value.
  template <class R> bool ChangeParams(R& r, std::size_t index) const;
  // Gives a field of the record at `index` a value; false when it held that value
  // already (floats compared bit for bit).
  template <class R, class M> bool Set(R& r, std::size_t index, M R::*member, M value) const;
  template <class R> void CopyToTarget(const R& r);
  template <ObjKind K> void ScanKind();

  TMassChangePlan m_plan;
  TMob& m_source;
  TRecordsEdit* m_edit;
  std::unique_ptr<TIdentityIndex> m_targetIds;

  TMassChangeCounts m_counts;
};

struct TMassChangeResult {
  // The run ended with its success line.
  bool ok = false;
  // What the scan did; nullopt when the run ended before it.
  std::optional<TMassChangeCounts> counts;
  // The summary line of a successful run ("Итог: ..."); empty otherwise.
  std::string summary;
};

// The whole run: check the parsed options and the target (a failure is shown in one
// message box), save the open document, open the target, scan, save the target and
// the open document, reopen the open document; every step logged, and a successful
// run's outcome line followed by its summary.
TMassChangeResult RunMassChanges(TMassChangeHost& host, const TMassChangeParse& options);

}  // namespace kelvarin
