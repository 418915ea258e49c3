#include "common/filesystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace kelvarin {
namespace {

std::string ErrnoText(int err) { return std::strerror(err); }

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The file a symbolic link points to (resolved relative to the link), or the path itself.
std::string FollowLinks(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  const auto resolved = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

PosixFileSystem g_posix;
FileSystem* g_files = &g_posix;

}  // namespace

FileSystem& Files() { return *g_files; }
void SetFiles(FileSystem* files) { g_files = files ? files : &g_posix; }

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::ReadAll(const std::string& path, Bytes& out, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = ErrnoText(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a folder" : ErrnoText(errno);
    ::close(fd);
    return false;
  }
  out.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n == 0 ? "file shrank while being read" : ErrnoText(errno);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return true;
}

int PosixFileSystem::CreateTemp(const std::string& target, std::string& tempPath,
                                std::string& error) {
  std::string pattern = target + ".tmp-XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    error = ErrnoText(errno);
    return -1;
  }
  tempPath = pattern;
  return fd;
}

bool PosixFileSystem::Write(int handle, const std::uint8_t* data, std::size_t size,
                            std::string& error) {
  while (size > 0) {
    const ssize_t n = ::write(handle, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n == 0 ? "nothing written" : ErrnoText(errno);
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool PosixFileSystem::Sync(int handle, std::string& error) {
  if (::fsync(handle) == 0) return true;
  error = ErrnoText(errno);
  return false;
}

bool PosixFileSystem::Close(int handle, std::string& error) {
  if (::close(handle) == 0) return true;
  error = ErrnoText(errno);
  return false;
}

void PosixFileSystem::CopyPermissions(const std::string& from, int handle) {
  struct stat st;
  if (::stat(from.c_str(), &st) == 0) {
    ::fchmod(handle, st.st_mode & 07777);
  } else {
    // A new file gets the usual permissions, not mkstemp's private 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(handle, 0666 & ~mask);
  }
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to, std::string& error) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = ErrnoText(errno);
  return false;
}

bool PosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void PosixFileSystem::SyncFolderOf(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

bool PosixFileSystem::CopyFile(const std::string& from, const std::string& to, bool overwrite,
                               std::string& error) {
  std::error_code ec;
  const auto options = overwrite ? std::filesystem::copy_options::overwrite_existing
                                 : std::filesystem::copy_options::none;
  if (std::filesystem::copy_file(from, to, options, ec)) return true;
  error = ec ? ec.message() : "not copied";
  return false;
}

bool WriteFileAtomically(FileSystem& fs, const std::string& path, const Bytes& data,
                         std::string& error) {
  const std::string target = FollowLinks(path);
  std::string temp;
  const int handle = fs.CreateTemp(target, temp, error);
  if (handle < 0) return false;
  fs.CopyPermissions(target, handle);
  std::string closeError;
  const bool written = fs.Write(handle, data.data(), data.size(), error) && fs.Sync(handle, error);
  const bool closed = fs.Close(handle, closeError);
  if (written && !closed) error = closeError;
  if (!written || !closed || !fs.Rename(temp, target, error)) {
    fs.Remove(temp);
    return false;
  }
  fs.SyncFolderOf(target);
  return true;
}

}  // namespace kelvarin
