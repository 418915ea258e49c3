#include "recovery/core/journalwriter.h"

#include <sys/stat.h>

namespace kelvarin {

TJournalWriter::TJournalWriter(std::string path, std::function<void(const std::string&)> onFailure)
    : m_path(std::move(path)), m_onFailure(std::move(onFailure)), m_thread([this] { Run(); }) {}

TJournalWriter::~TJournalWriter() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

void TJournalWriter::Post(std::function<void()> job) {
  {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void TJournalWriter::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [&] { return m_stop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping, everything done
    std::function<void()> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_busy = true;
    lock.unlock();
    job();
    lock.lock();
    m_busy = false;
    if (m_jobs.empty()) m_idle.notify_all();
  }
}

void TJournalWriter::Wait() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [&] { return m_jobs.empty() && !m_busy; });
}

std::uint64_t TJournalWriter::Written() const {
  std::lock_guard lock(m_mutex);
  return m_written;
}

void TJournalWriter::Begin(std::string original) {
  Post([this, original = std::move(original)] {
    m_journal = {};
    // Hashing a large zone takes a while: here, not on the window's thread.
    m_journal.original = DescribeFile(original).value_or(TOriginalFile{original});
    Files().Remove(m_path);
  });
}

void TJournalWriter::Append(Bytes ops, std::optional<std::string> script, std::int64_t lastChangeMs) {
  Post([this, ops = std::move(ops), script = std::move(script), lastChangeMs]() mutable {
    if (m_journal.ops.empty()) m_journal.ops = std::move(ops);
    else m_journal.ops.insert(m_journal.ops.end(), ops.begin(), ops.end());
    if (script) m_journal.script = std::move(script);
    m_journal.lastChangeMs = lastChangeMs;
    ++m_appended;
    WriteNow();
  });
}

void TJournalWriter::Clear() {
  Post([this] {
    m_journal.ops.clear();
    m_journal.script.reset();
    Files().Remove(m_path);
  });
}

void TJournalWriter::WriteNow() {
  const TWriteResult result = ReplaceFile(Files(), m_path, [&](TFileSystem& fs, int handle, int& err) {
    return WriteJournal(fs, handle, m_journal, err);
  });
  if (result.ok()) {
    m_failing = false;
    std::lock_guard lock(m_mutex);
    m_written = m_appended;
    return;
  }
  if (m_failing) return;
  m_failing = true;
  if (m_onFailure) {
    const std::string reason = result.status == TWriteResult::Status::Refused ? std::string("это не обычный файл")
                                                                             : SystemErrorText(result.error);
    m_onFailure("Журнал восстановления " + m_path + " не записан (" + reason +
                "): несохранённые изменения не защищены от сбоя, работа продолжается.");
  }
}

}  // namespace kelvarin
