// Destroys what it is handed on a thread of its own. Closing a zone of millions of
// records frees millions of small allocations, which would hold up the window for
// the better part of a second; nothing needs to wait for that.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace kelvarin {

class TBackgroundRelease {
 public:
  TBackgroundRelease() = default;
  // Destroys what is still queued, then ends the thread.
  ~TBackgroundRelease();
  TBackgroundRelease(const TBackgroundRelease&) = delete;
  TBackgroundRelease& operator=(const TBackgroundRelease&) = delete;

  // `doomed` is destroyed on the release thread, after whatever came before it.
  // The caller never waits.
  template <class T> void Release(std::unique_ptr<T> doomed) {
    if (doomed) Queue(std::shared_ptr<void>(std::move(doomed)));
  }

 private:
  void Queue(std::shared_ptr<void> doomed);
  void Run();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::shared_ptr<void>> m_queue;
  bool m_stopping = false;
  std::thread m_thread;  // started by the first release
};

}  // namespace kelvarin
