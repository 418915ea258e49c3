#include "common/filesystem.h"

#include "common/mappedfile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace kelvarin {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Directory;
  if (S_ISCHR(mode)) return FileKind::CharDevice;
  if (S_ISBLK(mode)) return FileKind::BlockDevice;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  return FileKind::Socket;
}

// A temporary name is short and independent of the target's name, so a target
// whose name is near the file system's limit can still be saved.
std::string RandomLetters() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::string letters;
  for (int i = 0; i < 6; ++i) letters += kLetters[random() % (sizeof kLetters - 1)];
  return letters;
}

std::string TempName(const std::string& folder) { return folder + "/.kelvarin-" + RandomLetters(); }

TPosixFileSystem g_posix;
TFileSystem* g_files = &g_posix;
std::atomic<bool> g_overwriteInPlace{true};

}  // namespace

std::string SystemErrorText(int err) {
  char buffer[256];
  const char* message = ::strerror_r(err, buffer, sizeof buffer);  // the GNU variant
  const char* name = ::strerrorname_np(err);
  return std::string(message) + " (" + (name ? name : "errno " + std::to_string(err)) + ")";
}

TFileSystem& Files() { return *g_files; }
void SetFiles(TFileSystem* files) { g_files = files ? files : &g_posix; }

void SetOverwriteInPlace(bool allowed) { g_overwriteInPlace = allowed; }
bool OverwriteInPlaceAllowed() { return g_overwriteInPlace; }

bool TPosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

FileKind TPosixFileSystem::KindOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return KindOfMode(st.st_mode);
  return errno == ELOOP ? FileKind::LinkLoop : FileKind::Missing;
}

bool TPosixFileSystem::ReadLink(const std::string& path, std::string& target) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (std::size_t(n) < buffer.size()) {
      target.assign(buffer.data(), std::size_t(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool TPosixFileSystem::ReadAll(const std::string& path, Bytes& out, int& err) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  // The size is only a hint: a pipe has none, and a file may change meanwhile.
  struct stat st;
  std::size_t capacity = 1 << 16;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) capacity = std::size_t(st.st_size) + 1;
  out.clear();
  out.resize(capacity);
  std::size_t done = 0;
  for (;;) {
    if (done == out.size()) out.resize(out.size() * 2);
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      ::close(fd);
      out.clear();
      return false;
    }
    if (n == 0) break;
    done += std::size_t(n);
  }
  ::close(fd);
  out.resize(done);
  return true;
}

bool TPosixFileSystem::MapRegular(const std::string& path, TMappedFile& file, int& err) {
  return file.Open(path, err);
}

int TPosixFileSystem::OpenUnnamedTemp(const std::string& folder, int& err) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) err = errno;
  return fd;
}

int TPosixFileSystem::CreateTemp(const std::string& target, std::string& tempPath, int& err) {
  const std::string folder = FolderOf(target);
  tempPath.clear();
  const int unnamed = OpenUnnamedTemp(folder, err);
  if (unnamed >= 0) return unnamed;
  // Kernels without O_TMPFILE answer EISDIR or EINVAL; file systems without it
  // EOPNOTSUPP. Every other error (no such folder, no permission) stands.
  if (err != EOPNOTSUPP && err != EISDIR && err != EINVAL) return -1;
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = TempName(folder);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      tempPath = name;
      return fd;
    }
    if (errno != EEXIST) break;
  }
  err = errno;
  return -1;
}

bool TPosixFileSystem::NameTemp(int handle, const std::string& target, std::string& tempPath, int& err) {
  const std::string folder = FolderOf(target);
  const std::string self = "/proc/self/fd/" + std::to_string(handle);
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = TempName(folder);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
        // Without /proc, the privileged way.
        (errno == ENOENT && ::linkat(handle, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
      tempPath = name;
      return true;
    }
    if (errno != EEXIST) break;
  }
  err = errno;
  return false;
}

int TPosixFileSystem::OpenInPlace(const std::string& path, int& err) {
  // A program reading the file under a lease would hold the open up for as long as
  // the system's lease-break time (45 seconds by default): refused at once instead
  // (EWOULDBLOCK), and that program learns that the file is about to change.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) err = errno;
  return fd;
}

bool TPosixFileSystem::Write(int handle, const std::uint8_t* data, std::size_t size, int& err) {
  while (size > 0) {
    const ssize_t n = ::write(handle, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n == 0 ? EIO : errno;
      return false;
    }
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

namespace {

// Appends what `source` holds from `offset` on (the source's own position is left
// alone when `offset` is given).
bool SendAll(int handle, int source, off_t* offset, int& err) {
  for (;;) {
    const ssize_t n = ::sendfile(handle, source, offset, 1 << 30);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      err = errno;
      return false;
    }
    if (n == 0) return true;
  }
}

// Appends what `source` holds from its position on: copy_file_range where the file
// system takes it (it may share the blocks instead of copying them, as cp does),
// sendfile from where that stopped otherwise.
bool CopyAll(int handle, int source, int& err) {
  for (;;) {
    const ssize_t n = ::copy_file_range(source, nullptr, handle, nullptr, std::size_t(1) << 30, 0);
    if (n == 0) return true;
    if (n > 0 || errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF) {
      err = errno;
      return false;
    }
    return SendAll(handle, source, nullptr, err);
  }
}

}  // namespace

bool TPosixFileSystem::CopyInto(int handle, const std::string& from, int& err) {
  const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) {
    err = errno;
    return false;
  }
  struct stat st;
  bool ok = ::fstat(source, &st) == 0;
  if (!ok) err = errno;
  if (ok && !S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ok = false;
  }
  ok = ok && CopyAll(handle, source, err);
  ::close(source);
  return ok;
}

bool TPosixFileSystem::CopyFrom(int handle, int from, int& err) {
  off_t offset = 0;
  return SendAll(handle, from, &offset, err);
}

std::vector<std::string> TPosixFileSystem::KeptCopyFolders() {
  std::vector<std::string> folders;
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (cache && *cache == '/') folders.push_back(std::string(cache) + "/kelvarin");
  else if (home && *home == '/') folders.push_back(std::string(home) + "/.cache/kelvarin");
  const char* temp = std::getenv("TMPDIR");
  folders.push_back(temp && *temp == '/' ? temp : "/tmp");
  return folders;
}

int TPosixFileSystem::KeepCopyOf(const std::string& target, std::string& keptPath, int& err) {
  // Whatever a place holds when the copy cannot be completed there goes again.
  const auto filled = [&](int fd, const std::string& path) {
    if (fd >= 0 && CopyInto(fd, target, err) && Sync(fd, err)) {
      if (!path.empty()) SyncFolderOf(path);
      keptPath = path;
      return true;
    }
    if (fd >= 0) ::close(fd);
    if (fd >= 0 && !path.empty()) Remove(path);
    return false;
  };
  // Named after the target, cut so that the name stays within the usual limit.
  const std::string name = target.substr(target.find_last_of('/') + 1).substr(0, 200) + ".old-";
  err = ENOENT;
  for (const std::string& folder : KeptCopyFolders()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (int tries = 0; tries < 100; ++tries) {
      const std::string path = folder + "/" + name + RandomLetters();
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0) err = errno;
      if (fd < 0 && err == EEXIST) continue;
      if (filled(fd, path)) return fd;
      break;
    }
  }
  // Memory, when at most half of what is free would hold it.
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) {
    err = errno;
    return -1;
  }
  const auto freeBytes = std::uint64_t(::sysconf(_SC_AVPHYS_PAGES)) * std::uint64_t(::sysconf(_SC_PAGESIZE));
  if (std::uint64_t(st.st_size) > freeBytes / 2) {
    err = ENOMEM;
    return -1;
  }
  const int fd = ::memfd_create("kelvarin-old", MFD_CLOEXEC);
  if (fd < 0) err = errno;
  return filled(fd, {}) ? fd : -1;
}

bool TPosixFileSystem::EndHere(int handle, int& err) {
  const off_t position = ::lseek(handle, 0, SEEK_CUR);
  if (position >= 0 && ::ftruncate(handle, position) == 0) return true;
  err = errno;
  return false;
}

bool TPosixFileSystem::Sync(int handle, int& err) {
  if (::fsync(handle) == 0) return true;
  err = errno;
  return false;
}

bool TPosixFileSystem::Close(int handle, int& err) {
  if (::close(handle) == 0) return true;
  err = errno;
  return false;
}

void TPosixFileSystem::CopyPermissions(const std::string& from, int handle) {
  struct stat st;
  // A file this process cannot read is no model: the new one would be as
  // unreadable, and everything written to it lost for the next start.
  if (::stat(from.c_str(), &st) == 0 && ::faccessat(AT_FDCWD, from.c_str(), R_OK, AT_EACCESS) == 0) {
    ::fchmod(handle, st.st_mode & 07777);
  } else {
    // A new file gets the usual permissions, not the temporary file's private 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(handle, 0666 & ~mask);
  }
}

bool TPosixFileSystem::Rename(const std::string& from, const std::string& to, int& err) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  err = errno;
  return false;
}

bool TPosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void TPosixFileSystem::SyncFolderOf(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// ---- replacing a file ----------------------------------------------------------

TSaveTarget ResolveSaveTarget(TFileSystem& fs, const std::string& path) {
  // The kernel's own bound on a chain of links.
  constexpr int kMaxLinks = 40;
  TSaveTarget target{path, FileKind::Missing};
  std::string link;
  for (int followed = 0; fs.ReadLink(target.path, link); ++followed) {
    if (followed == kMaxLinks || link.empty()) {
      target.kind = FileKind::LinkLoop;
      return target;
    }
    target.path = link.front() == '/' ? link : FolderOf(target.path) + "/" + link;
  }
  target.kind = fs.KindOf(target.path);
  return target;
}

namespace {

bool Refuses(FileKind kind) { return kind != FileKind::Missing && kind != FileKind::Regular; }

// Writes the content over a file opened in place, cuts the file there, flushes
// and closes it.
bool WriteOver(TFileSystem& fs, int handle, const FileFiller& fill, int& err) {
  bool written = fill(fs, handle, err) && fs.EndHere(handle, err) && fs.Sync(handle, err);
  int closeErr = 0;
  if (!fs.Close(handle, closeErr) && written) {
    written = false;
    err = closeErr;
  }
  return written;
}

// The old bytes of a file overwritten in place, kept aside until the new ones are
// safe: a file of their own (named, so that it survives a killed process), or
// memory.
class TKeptCopy {
 public:
  TKeptCopy(TFileSystem& fs, const std::string& target, int& err)
      : m_fs(fs), m_handle(fs.KeepCopyOf(target, m_path, err)) {}
  ~TKeptCopy() {
    int ignored = 0;
    if (m_handle >= 0) m_fs.Close(m_handle, ignored);
    if (!m_path.empty() && !m_keep) m_fs.Remove(m_path);
  }
  TKeptCopy(const TKeptCopy&) = delete;
  TKeptCopy& operator=(const TKeptCopy&) = delete;

  bool Held() const { return m_handle >= 0; }
  int Handle() const { return m_handle; }
  bool PutBack(const std::string& target) {
    int err = 0;
    const int handle = m_fs.OpenInPlace(target, err);
    return handle >= 0 && WriteOver(m_fs, handle, [this](TFileSystem& fs, int h, int& e) {
             return fs.CopyFrom(h, m_handle, e);
           }, err);
  }
  // The copy outlives the process: the only whole copy of the old bytes. Empty when
  // it was held in memory.
  const std::string& Keep() {
    m_keep = true;
    return m_path;
  }

 private:
  TFileSystem& m_fs;
  std::string m_path;  // empty: in memory
  int m_handle;
  bool m_keep = false;
};

// Overwrites the target where it lies; what a folder that takes no new file leaves.
// Nothing read from the file while it is written may come from the bytes being
// overwritten: its mappings in this process move to the kept copy first.
TWriteResult OverwriteInPlace(TFileSystem& fs, TWriteResult result, const FileFiller& fill) {
  int err = 0;
  TKeptCopy kept(fs, result.target, err);
  const bool ready = kept.Held() && TMappedFile::MoveMappingsToCopy(result.target, kept.Handle(), err);
  const int handle = ready ? fs.OpenInPlace(result.target, err) : -1;
  if (handle < 0) {
    result.inPlace = InPlace::Untouched;
    result.error = err;
    return result;
  }
  if (WriteOver(fs, handle, fill, err)) {
    result.status = TWriteResult::Status::Written;
    result.inPlace = InPlace::Written;
    return result;
  }
  result.error = err;
  if (kept.PutBack(result.target)) {
    result.inPlace = InPlace::Restored;
  } else {
    result.keptCopy = kept.Keep();
    result.inPlace = result.keptCopy.empty() ? InPlace::OldBytesLost : InPlace::OldBytesKept;
  }
  return result;
}

}  // namespace

TWriteResult ReplaceFile(TFileSystem& fs, const std::string& path, const FileFiller& fill) {
  const TSaveTarget target = ResolveSaveTarget(fs, path);
  TWriteResult result;
  result.target = target.path;
  result.kind = target.kind;
  if (Refuses(target.kind)) {
    result.status = TWriteResult::Status::Refused;
    return result;
  }

  std::string temp;
  int err = 0;
  const int handle = fs.CreateTemp(target.path, temp, err);
  if (handle < 0) {
    // A writable file in a folder that takes no new file.
    const bool folderClosed = err == EACCES || err == EPERM || err == EROFS;
    if (folderClosed && target.kind == FileKind::Regular) {
      if (OverwriteInPlaceAllowed()) return OverwriteInPlace(fs, result, fill);
      result.inPlace = InPlace::NotAllowed;
    }
    result.error = err;
    return result;
  }
  fs.CopyPermissions(target.path, handle);
  bool ok = fill(fs, handle, err) && fs.Sync(handle, err) &&
            (!temp.empty() || fs.NameTemp(handle, target.path, temp, err));
  int closeErr = 0;
  if (!fs.Close(handle, closeErr) && ok) {
    ok = false;
    err = closeErr;
  }
  ok = ok && fs.Rename(temp, target.path, err);
  if (!ok) {
    if (!temp.empty()) fs.Remove(temp);
    result.error = err;
    return result;
  }
  fs.SyncFolderOf(target.path);
  result.status = TWriteResult::Status::Written;
  return result;
}

bool SameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::equivalent(a, b, ec)) return true;
  if (!ec) return false;
  // One of them cannot be looked at (a file removed since it was opened, one not
  // written yet): their resolved paths are compared instead.
  const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
  const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
  return pa == pb;
}

TWriteResult WriteFileAtomically(TFileSystem& fs, const std::string& path, const Bytes& data) {
  return ReplaceFile(fs, path, [&data](TFileSystem& files, int handle, int& err) {
    return files.Write(handle, data.data(), data.size(), err);
  });
}

TWriteResult CopyFileAtomically(TFileSystem& fs, const std::string& from, const std::string& to) {
  return ReplaceFile(fs, to, [&from](TFileSystem& files, int handle, int& err) {
    return files.CopyInto(handle, from, err);
  });
}

}  // namespace kelvarin
