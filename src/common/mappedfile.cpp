#include "common/mappedfile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <utility>

namespace kelvarin {
namespace {

// The mappings the handler may repair. It runs inside a signal and can take no
// lock: it reads plain atomics, and a slot is published only once filled. The rest
// of a slot is read and written under g_slotsMutex, never by the handler.
struct GuardSlot {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> damaged{false};
  int fd = -1;  // open while the mapping reads the file; holds its lease
  dev_t device = 0;
  ino_t inode = 0;
  bool guarded = false;
  bool changed = false;  // another program asked to write before the mapping let go
  // GiveWayToWriters: the descriptor whose lease the lease handler gives back, and
  // whether it has.
  std::atomic<int> yieldFd{-1};
  std::atomic<bool> yielded{false};
};
constexpr int kSlots = 16;
GuardSlot g_slots[kSlots];
std::uintptr_t g_pageSize = 4096;
struct sigaction g_previous {};
std::mutex g_slotsMutex;  // taking, freeing and moving slots, never inside the handler

void OnSigbus(int signal, siginfo_t* info, void* context) {
  const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (GuardSlot& slot : g_slots) {
    const std::uintptr_t begin = slot.begin.load(), end = slot.end.load();
    if (begin == 0 || at < begin || at >= end) continue;
    // Zeros from the failing page to the end of the mapping; the access is retried.
    const std::uintptr_t page = at & ~(g_pageSize - 1);
    void* zeros = ::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros == MAP_FAILED) break;
    slot.damaged.store(true);
    return;
  }
  // Not a page of ours: whatever was there before us decides.
  if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction) return g_previous.sa_sigaction(signal, info, context);
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    return g_previous.sa_handler(signal);
  }
  ::signal(SIGBUS, SIG_DFL);
  ::raise(SIGBUS);
}

// A lease of a mapping that gives way is breaking: another program waits to write.
// Every such lease that is breaking is given back at once; the signal names no
// mapping for sure (two breaks may arrive as one signal).
struct sigaction g_previousUrgent {};

void OnLeaseBreak(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  for (GuardSlot& slot : g_slots) {
    const int fd = slot.yieldFd.load();
    if (fd < 0 || ::fcntl(fd, F_GETLEASE) == F_RDLCK) continue;
    slot.yielded.store(true);
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
  }
  errno = savedErrno;
  if (g_previousUrgent.sa_flags & SA_SIGINFO) {
    if (g_previousUrgent.sa_sigaction) g_previousUrgent.sa_sigaction(signal, info, context);
  } else if (g_previousUrgent.sa_handler != SIG_DFL && g_previousUrgent.sa_handler != SIG_IGN) {
    g_previousUrgent.sa_handler(signal);
  }
}

void InstallLeaseHandlerOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnLeaseBreak;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGURG, &action, &g_previousUrgent);
  });
}

void InstallHandlerOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_pageSize = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnSigbus;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &g_previous);
  });
}

// File systems whose every write goes through this system, so that a lease holds
// off every writer. On a network file system another machine writes unseen.
bool WritesAreLocal(int fd) {
  struct statfs info {};
  if (::fstatfs(fd, &info) != 0) return false;
  static constexpr unsigned long kLocal[] = {
      0xEF53,      // ext2, ext3, ext4
      0x58465342,  // xfs
      0x9123683E,  // btrfs
      0xF2F52010,  // f2fs
      0xCA451A4E,  // bcachefs
      0x2FC12FC1,  // zfs
      0x01021994,  // tmpfs
      0x858458F6,  // ramfs
      0x794C7630,  // overlayfs
      0x4D44,      // fat
      0x2011BAB0,  // exfat
      0x7366746E,  // ntfs3
  };
  const auto type = static_cast<unsigned long>(info.f_type);
  return std::find(std::begin(kLocal), std::end(kLocal), type) != std::end(kLocal);
}

// A read lease: the system holds off any program that opens the file for writing
// or cuts it until the lease is given back (or the system's lease-break time has
// passed), and the lease then reads as breaking. It is granted only while nobody
// has the file open for writing, and only to its owner (or a privileged process).
bool TakeReadLease(int fd) {
  if (!WritesAreLocal(fd)) return false;
  // A lease that breaks signals its holder, by default with SIGIO, which ends the
  // process. The signal is made SIGURG, which a process ignores unless it asked
  // for it, and once the lease is held no holder is named, so none is sent.
  if (::fcntl(fd, F_SETSIG, SIGURG) != 0 || ::fcntl(fd, F_SETLEASE, F_RDLCK) != 0) return false;
  ::fcntl(fd, F_SETOWN, 0);
  return true;
}

}  // namespace

TMappedFile::~TMappedFile() { Close(); }

TMappedFile::TMappedFile(TMappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_slot(std::exchange(other.m_slot, -1)),
      m_pages(other.m_pages) {}

TMappedFile& TMappedFile::operator=(TMappedFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_slot = std::exchange(other.m_slot, -1);
    m_pages = other.m_pages;
  }
  return *this;
}

bool TMappedFile::Open(const std::string& path, int& err) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    err = errno;
    return false;
  }
  struct stat st {};
  const bool statted = ::fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    err = statted ? EINVAL : errno;
    ::close(fd);
    return false;
  }
  // Leased before it is mapped, so that no page is read before the file is guarded.
  const bool guarded = TakeReadLease(fd);
  const std::size_t size = std::size_t(st.st_size);
  // Populated at once: one call maps every cached page instead of a fault per page.
  const int populate = m_pages == Pages::AtOnce ? MAP_POPULATE : 0;
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | populate, fd, 0);
  if (data == MAP_FAILED) {
    err = errno;
    ::close(fd);
    return false;
  }
  ::madvise(data, size, MADV_SEQUENTIAL);

  InstallHandlerOnce();
  std::lock_guard lock(g_slotsMutex);
  for (int i = 0; i < kSlots; ++i) {
    GuardSlot& slot = g_slots[i];
    if (slot.begin.load() != 0) continue;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    slot.damaged.store(false);
    slot.fd = fd;
    slot.device = st.st_dev;
    slot.inode = st.st_ino;
    slot.guarded = guarded;
    slot.changed = false;
    slot.yieldFd.store(-1);
    slot.yielded.store(false);
    slot.end.store(begin + size);
    slot.begin.store(begin);
    m_data = static_cast<const std::uint8_t*>(data);
    m_size = size;
    m_slot = i;
    return true;
  }
  ::munmap(data, size);
  ::close(fd);
  err = EINVAL;
  return false;
}

bool TMappedFile::Guarded() const {
  if (m_slot < 0) return false;
  std::lock_guard lock(g_slotsMutex);
  return g_slots[m_slot].guarded;
}

bool TMappedFile::Damaged() const { return m_slot >= 0 && g_slots[m_slot].damaged.load(); }

bool TMappedFile::Intact() const {
  if (m_slot < 0) return true;
  std::lock_guard lock(g_slotsMutex);
  const GuardSlot& slot = g_slots[m_slot];
  if (slot.damaged.load() || slot.changed || slot.yielded.load()) return false;
  // A lease that is breaking (or gone) reads as no lease.
  return !slot.guarded || slot.fd < 0 || ::fcntl(slot.fd, F_GETLEASE) == F_RDLCK;
}

bool TMappedFile::MoveMappingsToCopy(const std::string& path, int copy, int& err) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return true;  // nothing there is mapped
  std::lock_guard lock(g_slotsMutex);
  for (GuardSlot& slot : g_slots) {
    const std::uintptr_t begin = slot.begin.load(), end = slot.end.load();
    if (begin == 0 || slot.fd < 0 || slot.device != st.st_dev || slot.inode != st.st_ino) continue;
    if (slot.guarded && ::fcntl(slot.fd, F_GETLEASE) != F_RDLCK) slot.changed = true;
    // The copy's pages take the place of the file's in one step: a reader on
    // another thread sees the same bytes either way.
    void* moved = ::mmap(reinterpret_cast<void*>(begin), end - begin, PROT_READ, MAP_PRIVATE | MAP_FIXED, copy, 0);
    if (moved == MAP_FAILED) {
      err = errno;
      // The old pages may be gone already: zeros, as for a lost page, never a hole.
      ::mmap(reinterpret_cast<void*>(begin), end - begin, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
      slot.damaged.store(true);
      return false;
    }
    // The copy is this process's own: nobody else writes into it.
    slot.yieldFd.store(-1);
    ::close(slot.fd);
    slot.fd = -1;
  }
  return true;
}

void TMappedFile::Close() {
  if (!m_data) return;
  {
    std::lock_guard lock(g_slotsMutex);
    GuardSlot& slot = g_slots[m_slot];
    slot.begin.store(0);
    slot.end.store(0);
    slot.yieldFd.store(-1);
    if (slot.fd >= 0) ::close(slot.fd);
    slot.fd = -1;
  }
  ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
  m_data = nullptr;
  m_size = 0;
  m_slot = -1;
}

void TMappedFile::GiveWayToWriters() {
  if (m_slot < 0) return;
  InstallLeaseHandlerOnce();
  std::lock_guard lock(g_slotsMutex);
  GuardSlot& slot = g_slots[m_slot];
  if (!slot.guarded || slot.fd < 0) return;
  // Named before the holder is, so that a break from then on finds it; a break
  // that began before is seen below.
  slot.yieldFd.store(slot.fd);
  ::fcntl(slot.fd, F_SETOWN, ::getpid());
  if (::fcntl(slot.fd, F_GETLEASE) != F_RDLCK) {
    slot.yielded.store(true);
    ::fcntl(slot.fd, F_SETLEASE, F_UNLCK);
  }
}

void TMappedFile::ReleasePages() {
  if (m_data) ::madvise(const_cast<std::uint8_t*>(m_data), m_size, MADV_DONTNEED);
}

}  // namespace kelvarin
