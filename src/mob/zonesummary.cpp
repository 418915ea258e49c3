#include "mob/zonesummary.h"

#include <algorithm>
#include <span>

#include "common/filesystem.h"
#include "common/mappedfile.h"
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
  // The blocks as the load framed them: the file may have been replaced since.
  summary.fileSize = mob.FileLayout.fileSize;
  for (const TBlockPlace& block : mob.FileLayout.blocks)
    if (block.kind != TBlockKind::Flag && block.kind != TBlockKind::Tail)
      summary.blocks.push_back({block.type, std::uint32_t(block.size)});
  return summary;
}

namespace {

// The file's bytes, read in place where the system caches them: nothing is copied.
class TMappedView {
 public:
  explicit TMappedView(const TMappedFile& file) : m_file(file), m_bytes(file.Bytes()) {}
  bool Need(std::size_t n) const { return m_bytes.size() - m_pos >= n; }
  const std::uint8_t* Data() const { return m_bytes.data() + m_pos; }
  bool Skip(std::uint64_t n) {
    if (m_bytes.size() - m_pos < n) return false;
    m_pos += std::size_t(n);
    return true;
  }
  // A page that could not be read turned to zeros: what was read is not the file.
  bool AtEnd() const { return m_pos == m_bytes.size() && !m_file.Damaged(); }

 private:
  const TMappedFile& m_file;
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_pos = 0;
};

// The loader's framing rules, each answering "out of the ordinary" (false) where
// the loader would refuse or have something to say.
class TQuickScan {
 public:
  TQuickScan(TMappedView& file, std::uint64_t fileSize, TZoneSummary& summary)
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

  TMappedView& m_file;
  const std::uint64_t m_fileSize;
  TZoneSummary& m_summary;
  bool m_sawObjects = false;
};

}  // namespace

bool QuickZoneSummary(const std::string& path, TZoneSummary& summary) {
  int err = 0;
  summary = {};
  TMappedFile mapped;
  if (!Files().MapRegular(path, mapped, err)) return false;
  TMappedView view(mapped);
  return TQuickScan(view, mapped.Bytes().size(), summary).Run();
}

}  // namespace kelvarin
