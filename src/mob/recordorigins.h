// What a document that edits its decoded lists keeps of the file it loaded them
// from, so that a save copies the records nobody changed instead of writing each
// anew: the file, mapped (pages mapped only when read, and given back to the
// system after each use), and for every entry of every list the record of that
// file it still equals, or none.
//
// The lists are the truth. The file is only a faster way to their bytes, and
// only while it is intact: the mapping holds a read lease that gives way to any
// program asking to write the file, which leaves the file no longer intact, and
// the save then writes every record anew. A record is copied only when its
// origin is in the writer's own form (InWrittenForm), so the bytes written are
// those the writer would make of it. Whoever changes the lists says which entries
// no longer equal their origins, erring towards "changed"; a change it cannot
// describe drops the origins altogether (TMob::DropOrigins).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "common/mappedfile.h"
#include "mob/blocklayout.h"
#include "mob/records.h"

namespace kelvarin {

class TMob;

class TRecordOrigins {
 public:
  // The origins of lists just loaded from the `size` bytes of `file`, each entry
  // the record at its own position; nullptr when the mapping does not guard the
  // file or it changed since it was mapped (the bytes read may not be its bytes).
  static std::unique_ptr<TRecordOrigins> Keep(TMappedFile file, std::size_t size, const TMob& mob);

  // ---- the lists changed
  void Changed(ObjKind kind, std::size_t index);
  // The entries at these positions (ascending) left their list.
  void Taken(ObjKind kind, std::span<const std::uint32_t> positions);
  // New entries stand at these positions (ascending, as they stand afterwards).
  void Inserted(ObjKind kind, std::span<const std::uint32_t> positions);
  void Appended(ObjKind kind, std::size_t count);
  void Unappended(ObjKind kind, std::size_t count);

  // ---- the save
  // Whether records may be copied into a save of `mob`: the file is intact and
  // the entries are as many as the records. The first call frames the file's
  // records again and tells which are in the writer's own form.
  bool Usable(const TMob& mob);
  // The bytes the index-th record of `kind` may be written as: its origin's, when
  // it has one in the writer's own form; empty otherwise.
  std::span<const std::uint8_t> WrittenAs(ObjKind kind, std::size_t index) const;
  // The bytes `records` (the list of `kind`) take as written, each copied record
  // at its origin's length; nullopt before the records were framed (or when the
  // entries no longer match the list).
  template <class R> std::optional<std::uint64_t> WrittenBytes(const std::vector<R>& records) const;
  // Whether everything read from the file since it was mapped is the file as it
  // was loaded.
  bool Intact() const { return m_file.Intact(); }
  // After a save: the pages it read leave the process.
  void ReleasePages() { m_file.ReleasePages(); }

 private:
  static constexpr std::uint32_t kNone = ~std::uint32_t(0);
  // A record of the file; size 0 when it is not in the writer's own form.
  struct Place {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  bool FramePlaces();

  TMappedFile m_file;
  std::span<const std::uint8_t> m_image;
  std::vector<TSubBlockPlace> m_runs;  // the object block as the load framed it
  std::vector<std::uint32_t> m_origin[kObjKindCount];  // per list entry: into m_places, or kNone
  std::vector<Place> m_places[kObjKindCount];          // framed at the first save
  std::size_t m_loaded[kObjKindCount] = {};            // records of each kind in the file
  bool m_framed = false, m_frameFailed = false;
};

template <class R> std::optional<std::uint64_t> TRecordOrigins::WrittenBytes(const std::vector<R>& records) const {
  if (!m_framed || m_frameFailed || m_origin[int(R::Kind)].size() != records.size()) return std::nullopt;
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::size_t copied = WrittenAs(R::Kind, i).size();
    bytes += copied != 0 ? copied : records[i].GetSize();
  }
  return bytes;
}

}  // namespace kelvarin
