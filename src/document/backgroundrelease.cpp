#include "document/backgroundrelease.h"

namespace kelvarin {

TBackgroundRelease::~TBackgroundRelease() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
}

void TBackgroundRelease::Queue(std::shared_ptr<void> doomed) {
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(doomed));
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  }
  m_wake.notify_one();
}

void TBackgroundRelease::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
    if (m_queue.empty()) return;  // stopping, and everything is freed
    std::shared_ptr<void> doomed = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    doomed.reset();  // the slow part, with the queue open to the caller
    lock.lock();
  }
}

}  // namespace kelvarin
