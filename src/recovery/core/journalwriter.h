// Brings the recovery journal to disk on a thread of its own, so the window never
// waits for a write or a flush. It keeps the journal's whole content (the changes
// since the last save are small: record positions and the records' file form)
// and writes it anew each time through ReplaceFile, so a killed process leaves
// either the last complete journal or the one before it, never a torn one.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "recovery/core/journal.h"

namespace kelvarin {

class TJournalWriter {
 public:
  // `path`: the journal file. `onFailure` gets, on the writer's thread, the log line
  // of a write that failed; once, until a write succeeds again.
  TJournalWriter(std::string path, std::function<void(const std::string&)> onFailure);
  ~TJournalWriter();  // finishes what was handed over
  TJournalWriter(const TJournalWriter&) = delete;
  TJournalWriter& operator=(const TJournalWriter&) = delete;

  // The document is now the file `original` as it stands: nothing is unsaved.
  void Begin(std::string original);
  // Changes made since the last call (and the script as edited, when it was),
  // the last of them at `lastChangeMs`.
  void Append(Bytes ops, std::optional<std::string> script, std::int64_t lastChangeMs);
  // Nothing is unsaved any more: the journal goes.
  void Clear();
  // Returns once everything handed over is done.
  void Wait();
  // How many of the Append calls so far have their changes on disk: a journal
  // that could not be written is written whole with the next one that can.
  std::uint64_t Written() const;
  const std::string& Path() const { return m_path; }

 private:
  void Post(std::function<void()> job);
  void Run();
  void WriteNow();

  const std::string m_path;
  std::function<void(const std::string&)> m_onFailure;
  // The writer thread's own.
  TJournal m_journal;
  bool m_failing = false;
  std::uint64_t m_appended = 0;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake, m_idle;
  std::deque<std::function<void()>> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  std::uint64_t m_written = 0;
  std::thread m_thread;
};

}  // namespace kelvarin
