// A regular file mapped into memory to be read, without a copy: its pages are the
// ones the system already caches. Reading a large file into fresh memory costs a
// zeroed page for every page read, and in a virtual machine that is most of the
// time a plain read-and-write of the file takes.
//
// A mapping shows the file as it is now, not as it was mapped: another program
// that writes into the file changes the mapped bytes under their reader. Where it
// can, the mapping therefore holds a read lease on the file (on a file system whose
// every write goes through this system): no other program can open the file for
// writing, or cut it, until the mapping lets go, and one that tries is seen
// (Intact() turns false). Without a lease (another user's file, a network file
// system, a file already open for writing) a change is not seen: Guarded() says so.
//
// A mapped page that the file no longer has (the file was cut short) or cannot give
// (an input error) would stop the process with SIGBUS. Every page from there to the
// end of the mapping is then replaced by zeros and the mapping is no longer intact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelvarin {

class TMappedFile {
 public:
  // How Open maps the pages: all at once (a file read through right away), or
  // each when it is first read (a file kept for a few of its bytes).
  enum class Pages { AtOnce, OnDemand };
  explicit TMappedFile(Pages pages = Pages::AtOnce) : m_pages(pages) {}
  ~TMappedFile();
  TMappedFile(TMappedFile&& other) noexcept;
  TMappedFile& operator=(TMappedFile&& other) noexcept;
  TMappedFile(const TMappedFile&) = delete;
  TMappedFile& operator=(const TMappedFile&) = delete;

  // Maps a non-empty regular file whole; false with `err` otherwise (EINVAL for an
  // empty file or one of another kind, or when no more mappings can be guarded).
  bool Open(const std::string& path, int& err);
  std::span<const std::uint8_t> Bytes() const { return {m_data, m_size}; }
  // Whether a change of the file by another program would be seen: no program can
  // write into it unseen while it is mapped.
  bool Guarded() const;
  // Whether a page could not be read since the file was mapped.
  bool Damaged() const;
  // Whether everything read from the mapping is the file as it was mapped: no page
  // was lost, and no other program has asked to write into a guarded file since.
  bool Intact() const;

  // Before the file `path` is overwritten where it lies: every mapping of it in
  // this process reads the same bytes from `copy` (an open file that holds them)
  // from now on, at the same addresses, and lets go of the file, so that nothing
  // read from a mapping is the new content. False with `err` when a mapping could
  // not be moved; the file must not be overwritten then.
  static bool MoveMappingsToCopy(const std::string& path, int copy, int& err);

  // From now on the lease is given back the moment another program asks to write
  // the file (which then no longer waits for this mapping to let go), and the
  // mapping is no longer intact. At once when one is waiting already.
  void GiveWayToWriters();
  // The pages read so far leave this process's memory (the system keeps caching
  // them); a later read maps them again.
  void ReleasePages();

 private:
  void Close();
  const std::uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  int m_slot = -1;  // in the table the SIGBUS handler reads
  Pages m_pages = Pages::AtOnce;
};

}  // namespace kelvarin
