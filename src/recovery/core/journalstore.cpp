#include "recovery/core/journalstore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

namespace kelvarin {
namespace {

bool MakeFolders(const std::string& path, int& err) {
  for (std::size_t slash = 1; slash != std::string::npos;) {
    slash = path.find('/', slash + 1);
    const std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      err = errno;
      return false;
    }
  }
  return true;
}

// The lock file of `folder`, locked; -1 when someone else holds it.
int LockFolder(const std::string& folder, bool create) {
  const int fd = ::open((folder + "/lock").c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

TJournalFolder::~TJournalFolder() {
  if (m_lockFd >= 0) ::close(m_lockFd);
}

std::unique_ptr<TJournalFolder> TJournalFolder::Create(const std::string& root, int& err) {
  static std::atomic<unsigned> counter{0};
  if (!MakeFolders(root, err)) return nullptr;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const std::string path = root + "/" + std::to_string(::getpid()) + "-" +
                           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
                           "-" + std::to_string(counter++);
  if (::mkdir(path.c_str(), 0700) != 0) {
    err = errno;
    return nullptr;
  }
  const int fd = LockFolder(path, true);
  if (fd < 0) {
    err = errno ? errno : EAGAIN;
    return nullptr;
  }
  return std::unique_ptr<TJournalFolder>(new TJournalFolder(path, fd));
}

std::unique_ptr<TJournalFolder> TJournalFolder::TakeIfLeft(const std::string& path) {
  // A folder whose editor died before it made the lock file is left too.
  const int fd = LockFolder(path, true);
  if (fd < 0) return nullptr;
  return std::unique_ptr<TJournalFolder>(new TJournalFolder(path, fd));
}

void TJournalFolder::Remove() {
  Files().Remove(JournalPath());
  ::unlink((m_path + "/lock").c_str());
  ::rmdir(m_path.c_str());
  if (m_lockFd >= 0) ::close(m_lockFd);
  m_lockFd = -1;
}

std::vector<TLeftJournal> FindLeftJournals(const std::string& root) {
  std::vector<TLeftJournal> found;
  DIR* dir = ::opendir(root.c_str());
  if (!dir) return found;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = root + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    std::unique_ptr<TJournalFolder> folder = TJournalFolder::TakeIfLeft(path);
    if (!folder) continue;  // its editor runs
    if (!Files().Exists(folder->JournalPath())) {
      folder->Remove();  // that editor left nothing unsaved
      continue;
    }
    TLeftJournal left{std::move(folder), std::nullopt, {}};
    Bytes bytes;
    int err = 0;
    if (!Files().ReadAll(left.folder->JournalPath(), bytes, err)) left.problem = SystemErrorText(err);
    else left.journal = ReadJournal(bytes, left.problem);
    found.push_back(std::move(left));
  }
  std::stable_sort(found.begin(), found.end(), [](const TLeftJournal& a, const TLeftJournal& b) {
    return (a.journal ? a.journal->lastChangeMs : 0) < (b.journal ? b.journal->lastChangeMs : 0);
  });
  return found;
}

TRestoreOutcome RestoreJournal(TDocumentSession& session, const TJournal& journal,
                               const std::function<bool(const std::string&)>& open, std::string& why) {
  const std::string& path = journal.original.path;
  const std::optional<TOriginalFile> now = DescribeFile(path);
  if (!now || *now != journal.original) {
    why = !now ? "файла " + path + " нет или он не читается"
               : "файл " + path + " изменился после того, как были сделаны эти изменения";
    return TRestoreOutcome::OriginalChanged;
  }
  if (!open(path) || !session.Opened() || session.Path() != path) {
    why = "файл " + path + " не открылся";
    return TRestoreOutcome::NotOpened;
  }
  if (!journal.ops.empty()) {
    std::unique_ptr<TDocCommand> step = RestoreStep(session.Mob(), journal.ops, why);
    if (!step) return TRestoreOutcome::Unreadable;
    session.Apply(std::move(step));
  }
  if (journal.script) session.ReplaceScript(*journal.script);
  return TRestoreOutcome::Restored;
}

}  // namespace kelvarin
