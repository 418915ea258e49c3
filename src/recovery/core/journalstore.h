// Where the journals lie and who owns them: the recovery folder holds one folder
// per running editor, with its journal and a lock file the editor holds locked for
// as long as it runs. A folder nobody holds belongs to an editor that is gone; the
// journal in it is offered back at the next start.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/documentsession.h"
#include "recovery/core/journal.h"

namespace kelvarin {

// A journal folder held locked by this process (the lock goes with the object).
class TJournalFolder {
 public:
  ~TJournalFolder();
  TJournalFolder(const TJournalFolder&) = delete;
  TJournalFolder& operator=(const TJournalFolder&) = delete;

  // A new folder of this editor's own under `root` (made when missing), locked;
  // nullptr with `err` when it cannot be made.
  static std::unique_ptr<TJournalFolder> Create(const std::string& root, int& err);
  // The folder `path`, when nobody holds it.
  static std::unique_ptr<TJournalFolder> TakeIfLeft(const std::string& path);

  const std::string& Path() const { return m_path; }
  std::string JournalPath() const { return m_path + "/journal"; }
  // The journal and the folder go (the lock with them).
  void Remove();

 private:
  TJournalFolder(std::string path, int lockFd) : m_path(std::move(path)), m_lockFd(lockFd) {}
  std::string m_path;
  int m_lockFd;
};

// A journal of an editor that is gone, held for the caller.
struct TLeftJournal {
  std::unique_ptr<TJournalFolder> folder;
  std::optional<TJournal> journal;  // nullopt: it cannot be read
  std::string problem;              // why it cannot be read
};

// The journals under `root` that no running editor holds, oldest change first.
// Folders left with no journal in them are removed.
std::vector<TLeftJournal> FindLeftJournals(const std::string& root);

enum class TRestoreOutcome {
  Restored,         // the document is open, modified, with the unsaved work back
  OriginalChanged,  // the file is not the one the changes were made to: nothing applied
  NotOpened,        // the file could not be opened (the log says why)
  Unreadable,       // the journal's changes do not fit the file: nothing applied
};

// Puts the journal's work back: the file is checked against the journal (size,
// time and hash), opened with `open` (the editor's open, which may ask about the
// document open now), and the changes are applied through the session as one
// step, "Восстановление", with the script text after it. `why` says what was
// refused.
TRestoreOutcome RestoreJournal(TDocumentSession& session, const TJournal& journal,
                               const std::function<bool(const std::string&)>& open, std::string& why);

}  // namespace kelvarin
