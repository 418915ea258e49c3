// A regular file mapped into memory to be read, without a copy: its pages are the
// ones the system already caches. Reading a large file into fresh memory costs a
// zeroed page for every page read, and in a virtual machine that is most of the
// time a plain read-and-write of the file takes.
//
// A mapped page that the file no longer has (another program cut the file short)
// or cannot give (an input error) would stop the process with SIGBUS. Every page
// from there to the end of the mapping is then replaced by zeros and the mapping
// remembers it was damaged: whoever read from it asks Damaged() before trusting
// what it read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelvarin {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps a non-empty regular file whole; false with `err` otherwise (EINVAL for an
  // empty file or one of another kind, or when no more mappings can be guarded).
  bool Open(const std::string& path, int& err);
  std::span<const std::uint8_t> Bytes() const { return {m_data, m_size}; }
  // Whether a page could not be read since the file was mapped.
  bool Damaged() const;

 private:
  void Close();
  const std::uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  int m_slot = -1;  // in the table the SIGBUS handler reads
};

}  // namespace kelvarin
