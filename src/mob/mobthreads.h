// Loads and saves on a worker thread while the window stays responsive. The worker
// hands every log line to the window and waits until the window has shown it, so
// lines appear one by one and in order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kelvarin {

class TMob;
class TMobLogView;

class TMobWorkerThread {
 public:
  virtual ~TMobWorkerThread() = default;

  // Window side: starts the worker, pumps the window's events and shows each line
  // as it comes, and returns the operation's result once the worker has finished.
  // An exception of the operation is thrown again here, on the window thread.
  bool Run(TMobLogView* view);

  // Worker side, called by the document's Log: publishes one line and waits until
  // the window has shown it.
  void RelayLogLine(const std::string& line);

  std::string LogLine;
  std::string FileName;
  TMob& Mob;
  bool Finished = false;
  bool Success = false;

 protected:
  TMobWorkerThread(TMob& mob, std::string fileName) : FileName(std::move(fileName)), Mob(mob) {}
  virtual bool Execute() = 0;

 private:
  std::mutex m_mutex;
  std::condition_variable m_wake;
  int m_releases = 0;        // releases given by the window and not yet taken
  bool m_workerDone = false;
};

class TMobLoaderThread : public TMobWorkerThread {
 public:
  TMobLoaderThread(TMob& mob, std::string fileName) : TMobWorkerThread(mob, std::move(fileName)) {}

 protected:
  bool Execute() override;
};

class TMobSaverThread : public TMobWorkerThread {
 public:
  TMobSaverThread(TMob& mob, std::string fileName, std::int32_t saveAttempts)
      : TMobWorkerThread(mob, std::move(fileName)), m_saveAttempts(saveAttempts) {}

 protected:
  bool Execute() override;

 private:
  std::int32_t m_saveAttempts;
};

// Other work of the document's holder that must not hold up the window (a backup
// copy, what the pages work out from freshly loaded records), run the same way:
// the window pumps its events until the task is done.
class TMobTaskThread : public TMobWorkerThread {
 public:
  TMobTaskThread(TMob& mob, std::function<bool()> task) : TMobWorkerThread(mob, {}), m_task(std::move(task)) {}

 protected:
  bool Execute() override { return m_task(); }

 private:
  std::function<bool()> m_task;
};

}  // namespace kelvarin
