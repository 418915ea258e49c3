#include "common/mappedfile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <utility>

namespace kelvarin {
namespace {

// The mappings the handler may repair. It runs inside a signal and can take no
// lock: it reads plain atomics, and a slot is published only once filled.
struct GuardSlot {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> damaged{false};
};
constexpr int kSlots = 16;
GuardSlot g_slots[kSlots];
std::uintptr_t g_pageSize = 4096;
struct sigaction g_previous {};
std::mutex g_slotsMutex;  // taking and freeing slots, never inside the handler

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

}  // namespace

MappedFile::~MappedFile() { Close(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_slot(std::exchange(other.m_slot, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Close();
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_slot = std::exchange(other.m_slot, -1);
  }
  return *this;
}

bool MappedFile::Open(const std::string& path, int& err) {
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
  const std::size_t size = std::size_t(st.st_size);
  // Populated at once: one call maps every cached page instead of a fault per page.
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  err = errno;
  ::close(fd);
  if (data == MAP_FAILED) return false;
  ::madvise(data, size, MADV_SEQUENTIAL);

  InstallHandlerOnce();
  std::lock_guard lock(g_slotsMutex);
  for (int i = 0; i < kSlots; ++i) {
    if (g_slots[i].begin.load() != 0) continue;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    g_slots[i].damaged.store(false);
    g_slots[i].end.store(begin + size);
    g_slots[i].begin.store(begin);
    m_data = static_cast<const std::uint8_t*>(data);
    m_size = size;
    m_slot = i;
    return true;
  }
  ::munmap(data, size);
  err = EINVAL;
  return false;
}

bool MappedFile::Damaged() const { return m_slot >= 0 && g_slots[m_slot].damaged.load(); }

void MappedFile::Close() {
  if (!m_data) return;
  {
    std::lock_guard lock(g_slotsMutex);
    g_slots[m_slot].begin.store(0);
    g_slots[m_slot].end.store(0);
  }
  ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
  m_data = nullptr;
  m_size = 0;
  m_slot = -1;
}

}  // namespace kelvarin
