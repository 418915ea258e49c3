#include "mob/zonesummary.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/filesystem.h"
#include "mob/tmob.h"

namespace kelvarin {

bool TZoneSummary::operator==(const TZoneSummary& other) const {
  const auto blocksEqual = std::equal(blocks.begin(), blocks.end(), other.blocks.begin(),
                                      other.blocks.end(), [](const Block& a, const Block& b) {
                                        return a.type == b.type && a.size == b.size;
                                      });
  return fileSize == other.fileSize && mobKind == other.mobKind && blockCount == other.blockCount &&
         blocksEqual && std::equal(std::begin(counts), std::end(counts), std::begin(other.counts)) &&
         unknownObjects == other.unknownObjects && tailLength == other.tailLength &&
         hasScript == other.hasScript && scriptLength == other.scriptLength &&
         scriptKey == other.scriptKey;
}

TZoneSummary ZoneSummaryOf(const TMob& mob) {
  TZoneSummary summary;
  summary.mobKind = mob.MobKind;
  summary.blockCount = mob.BlockCount;
  for (ObjKind k : kAllObjKinds) summary.counts[int(k)] = mob.Count(k);
  summary.unknownObjects = mob.UnknownObjectBlocks.size();
  summary.tailLength = mob.TailLength;
  summary.hasScript = mob.HasScript;
  summary.scriptLength = mob.ScriptText.size();
  summary.scriptKey = mob.ScriptKey;
  // The block list comes from the very image that loaded: the file may have been
  // replaced since.
  const auto image = mob.KeptImage();
  summary.fileSize = image.size();
  if (image.size() >= 8) {
    const std::uint64_t mainLength = ReadU32(image.data() + 4);
    for (std::uint64_t p = 16; p + 8 <= mainLength;) {
      const std::uint32_t type = ReadU32(image.data() + p), size = ReadU32(image.data() + p + 4);
      summary.blocks.push_back({type, size});
      if (size < 8) break;  // the loader refuses such a block; never loop on it
      p += size;
    }
  }
  return summary;
}

namespace {

// A file read front to back through a buffer of a fixed size, which grows only for
// a record larger than itself: a huge file costs no more memory than a small one.
class WindowedFile {
 public:
  WindowedFile(FileSystem& fs, int handle) : m_fs(fs), m_handle(handle) {}

  // Makes the next `n` bytes readable at Data(); false when the file ends first or
  // a read fails.
  bool Need(std::size_t n) {
    if (m_end - m_begin >= n) return true;
    if (n > m_capacity || !m_buffer) {
      const std::size_t capacity = std::max(n, kWindow);
      auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
      if (m_buffer) std::memcpy(bigger.get(), m_buffer.get() + m_begin, m_end - m_begin);
      m_buffer = std::move(bigger);
      m_capacity = capacity;
    } else {
      std::memmove(m_buffer.get(), m_buffer.get() + m_begin, m_end - m_begin);
    }
    m_end -= m_begin;
    m_begin = 0;
    while (m_end < n) {
      int err = 0;
      const std::int64_t got = m_fs.ReadSome(m_handle, m_buffer.get() + m_end, m_capacity - m_end, err);
      if (got <= 0) return false;
      m_end += std::size_t(got);
    }
    return true;
  }
  const std::uint8_t* Data() const { return m_buffer.get() + m_begin; }
  // Steps over `n` bytes, reading through those not yet read.
  bool Skip(std::uint64_t n) {
    while (n > 0) {
      const std::size_t step = std::size_t(std::min<std::uint64_t>(n, kWindow));
      if (!Need(step)) return false;
      m_begin += step;
      n -= step;
    }
    return true;
  }
  // Whether nothing follows what was read: a file that grew meanwhile is not the
  // file that was measured.
  bool AtEnd() {
    if (m_end != m_begin) return false;
    std::uint8_t probe;
    int err = 0;
    return m_fs.ReadSome(m_handle, &probe, 1, err) == 0;
  }

 private:
  static constexpr std::size_t kWindow = 256 * 1024;
  FileSystem& m_fs;
  int m_handle;
  std::unique_ptr<std::uint8_t[]> m_buffer;
  std::size_t m_capacity = 0, m_begin = 0, m_end = 0;
};

// The loader's framing rules, each answering "out of the ordinary" (false) where
// the loader would refuse or have something to say.
class QuickScan {
 public:
  QuickScan(WindowedFile& file, std::uint64_t fileSize, TZoneSummary& summary)
      : m_file(file), m_fileSize(fileSize), m_summary(summary) {}

  bool Run() {
    if (!m_file.Need(16) || ReadU32(m_file.Data()) != kMobSignature) return false;
    const std::uint32_t L = ReadU32(m_file.Data() + 4);
    if (L > m_fileSize || L < 16) return false;
    const std::uint32_t flagType = ReadU32(m_file.Data() + 8), flagSize = ReadU32(m_file.Data() + 12);
    if (flagSize != 8 || (flagType != kQuestMobFlag && flagType != kZonalMobFlag)) return false;
    m_summary.mobKind = flagType == kQuestMobFlag ? "QuestMob" : "ZonalMob";
    m_summary.blockCount = 1;
    m_file.Skip(16);
    std::uint32_t p = 16;
    do {
      if (L - p < 8 || !m_file.Need(8)) return false;
      const std::uint32_t type = ReadU32(m_file.Data()), S = ReadU32(m_file.Data() + 4);
      if (S < 8 || S > L - p) return false;
      ++m_summary.blockCount;
      m_summary.blocks.push_back({type, S});
      if (!Block(type, S)) return false;
      p += S;
    } while (p != L);
    m_summary.tailLength = std::int64_t(m_fileSize - L);
    m_summary.fileSize = m_fileSize;
    return m_file.Skip(m_fileSize - L) && m_file.AtEnd();
  }

 private:
  bool Block(std::uint32_t type, std::uint32_t S) {
    if (type == kScriptBlockType) {
      // A second script block would replace the first: left to the full load.
      if (m_summary.hasScript || S < 12 || !m_file.Need(12)) return false;
      m_summary.hasScript = true;
      m_summary.scriptKey = ReadU32(m_file.Data() + 8);
      m_summary.scriptLength = S - 12;
      return m_file.Skip(S);
    }
    if (type != kObjectBlockType) return m_file.Skip(S);
    if (m_sawObjects) return false;
    m_sawObjects = true;
    m_file.Skip(8);
    for (std::uint32_t pos = 8; pos != S;) {
      if (S - pos < 8 || !m_file.Need(8)) return false;
      const std::uint32_t subSize = ReadU32(m_file.Data() + 4);
      if (subSize < 8 || subSize > S - pos) return false;
      if (const auto kind = KindFromId(ReadU32(m_file.Data()))) {
        if (!m_file.Need(subSize) || !InWrittenForm(*kind, m_file.Data(), subSize)) return false;
        ++m_summary.counts[int(*kind)];
      } else {
        ++m_summary.unknownObjects;
      }
      if (!m_file.Skip(subSize)) return false;
      pos += subSize;
    }
    return true;
  }

  WindowedFile& m_file;
  const std::uint64_t m_fileSize;
  TZoneSummary& m_summary;
  bool m_sawObjects = false;
};

}  // namespace

bool QuickZoneSummary(const std::string& path, TZoneSummary& summary) {
  FileSystem& fs = Files();
  std::uint64_t size = 0;
  int err = 0;
  const int handle = fs.OpenRegularToRead(path, size, err);
  if (handle < 0) return false;
  struct Closer {
    FileSystem& fs;
    int handle;
    ~Closer() {
      int ignored = 0;
      fs.Close(handle, ignored);
    }
  } closer{fs, handle};
  summary = {};
  WindowedFile file(fs, handle);
  return QuickScan(file, size, summary).Run();
}

}  // namespace kelvarin
