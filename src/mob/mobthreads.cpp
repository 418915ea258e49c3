#include "mob/mobthreads.h"

#include <chrono>
#include <exception>
#include <thread>

#include "mob/tmob.h"

namespace kelvarin {

bool TMobLoaderThread::Execute() { return Mob.LoadFile(FileName); }
bool TMobSaverThread::Execute() { return Mob.SaveFile(FileName, m_saveAttempts); }

bool TMobWorkerThread::Run(TMobLogView* view) {
  Finished = false;
  if (view) view->WorkerStarting();
  std::exception_ptr failure;
  std::thread worker([this, &failure] {
    bool ok = false;
    // An exception must not end the program from the worker: it is handed to the
    // window thread, which reports it as it reports its own.
    try {
      ok = Execute();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(m_mutex);
    Success = ok;
    m_workerDone = true;
    m_wake.notify_all();
  });

  using namespace std::chrono_literals;
  std::unique_lock lock(m_mutex);
  for (;;) {
    lock.unlock();
    if (view) view->ProcessMessages();
    lock.lock();
    // Sleep briefly unless a line or the end is already there, so the window keeps
    // processing its events without spinning.
    m_wake.wait_for(lock, 5ms, [&] { return Mob.LogLinePending || m_workerDone; });
    if (Mob.LogLinePending) {
      const std::string line = Mob.PendingLogLine;
      Mob.LogLinePending = false;
      lock.unlock();
      if (view) view->ShowLogLine(line);
      lock.lock();
      ++m_releases;
      m_wake.notify_all();
      continue;
    }
    if (m_workerDone) break;
  }
  lock.unlock();
  worker.join();
  Finished = true;
  if (failure) std::rethrow_exception(failure);
  return Success;
}

void TMobWorkerThread::RelayLogLine(const std::string& line) {
  std::unique_lock lock(m_mutex);
  LogLine = line;
  Mob.PendingLogLine = LogLine;
  Mob.LogLinePending = true;
  m_wake.notify_all();
  m_wake.wait(lock, [&] { return m_releases > 0; });
  --m_releases;
}

}  // namespace kelvarin
