#include "mob/recordorigins.h"

#include <algorithm>
#include <numeric>

#include "mob/tmob.h"

namespace kelvarin {

std::unique_ptr<TRecordOrigins> TRecordOrigins::Keep(TMappedFile file, std::size_t size, const TMob& mob) {
  // Intact since it was mapped, before the file was read: the bytes read are its.
  if (!file.Guarded() || !file.Intact() || file.Bytes().size() != size) return nullptr;
  auto origins = std::unique_ptr<TRecordOrigins>(new TRecordOrigins);
  origins->m_file = std::move(file);
  origins->m_image = origins->m_file.Bytes();
  origins->m_runs = mob.FileLayout.subBlocks;
  for (ObjKind kind : kAllObjKinds) {
    auto& origin = origins->m_origin[int(kind)];
    origin.resize(mob.Count(kind));
    std::iota(origin.begin(), origin.end(), std::uint32_t(0));
    origins->m_loaded[int(kind)] = origin.size();
  }
  return origins;
}

void TRecordOrigins::Changed(ObjKind kind, std::size_t index) {
  auto& origin = m_origin[int(kind)];
  if (index < origin.size()) origin[index] = kNone;
}

void TRecordOrigins::Taken(ObjKind kind, std::span<const std::uint32_t> positions) {
  auto& origin = m_origin[int(kind)];
  std::size_t next = 0, kept = 0;
  for (std::size_t i = 0; i < origin.size(); ++i) {
    if (next < positions.size() && positions[next] == i) ++next;
    else origin[kept++] = origin[i];
  }
  origin.resize(kept);
}

void TRecordOrigins::Inserted(ObjKind kind, std::span<const std::uint32_t> positions) {
  auto& origin = m_origin[int(kind)];
  std::vector<std::uint32_t> merged;
  merged.reserve(origin.size() + positions.size());
  std::size_t next = 0, from = 0;
  while (from < origin.size() || next < positions.size()) {
    if (next < positions.size() && positions[next] == merged.size()) {
      merged.push_back(kNone);
      ++next;
    } else if (from < origin.size()) {
      merged.push_back(origin[from++]);
    } else {
      merged.push_back(kNone);  // a position past the end: nothing is known of it
      ++next;
    }
  }
  origin = std::move(merged);
}

void TRecordOrigins::Appended(ObjKind kind, std::size_t count) {
  auto& origin = m_origin[int(kind)];
  origin.insert(origin.end(), count, kNone);
}

void TRecordOrigins::Unappended(ObjKind kind, std::size_t count) {
  auto& origin = m_origin[int(kind)];
  origin.resize(origin.size() - std::min(count, origin.size()));
}

bool TRecordOrigins::Usable(const TMob& mob) {
  if (!m_framed) {
    m_framed = true;
    // Framed while the file may have changed: the places may not be its records.
    m_frameFailed = !FramePlaces() || !Intact();
  }
  if (m_frameFailed || !Intact()) return false;
  for (ObjKind kind : kAllObjKinds)
    if (m_origin[int(kind)].size() != mob.Count(kind)) return false;
  return true;
}

// The records of the object block as the load framed them, run by run; each in the
// writer's own form keeps its size. Anything unexpected (the file no longer frames
// as it did) leaves no record to copy.
bool TRecordOrigins::FramePlaces() {
  for (const TSubBlockPlace& run : m_runs) {
    if (run.unknown) continue;
    auto& places = m_places[int(run.kind)];
    std::uint64_t at = run.offset;
    const std::uint64_t end = run.offset + run.size;
    for (std::size_t i = 0; i < run.count; ++i) {
      if (end > m_image.size() || end - at < 8) return false;
      const std::uint32_t size = ReadU32(m_image.data() + at + 4);
      if (size < 8 || size > end - at) return false;
      const bool written = InWrittenForm(run.kind, m_image.data() + at, size);
      places.push_back({std::uint32_t(at), written ? size : 0});
      at += size;
    }
    if (at != end) return false;
  }
  for (ObjKind kind : kAllObjKinds)
    if (m_places[int(kind)].size() != m_loaded[int(kind)]) return false;
  return Intact();
}

std::span<const std::uint8_t> TRecordOrigins::WrittenAs(ObjKind kind, std::size_t index) const {
  const std::uint32_t origin = m_origin[int(kind)][index];
  if (origin == kNone) return {};
  const Place& place = m_places[int(kind)][origin];
  if (place.size == 0) return {};
  return {m_image.data() + place.offset, place.size};
}

}  // namespace kelvarin
