// Framing shared by every level of the object block: an 8-byte header (uint32 id,
// uint32 size counting the header) followed by the content. Readers here check
// every size against the parent before touching a byte, and report malformed
// framing through the TReadContext with the file offset where it was found.
#pragma once

#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "mob/records.h"

namespace kelvarin {

inline constexpr std::uint32_t kChunkHeader = 8;
inline constexpr std::uint32_t kCommonRunStartId = 0x0000B00D;  // BodyTextures
inline constexpr int kCommonChunkCount = 17;

// Logs a malformed-structure line naming what was wrong and where; always false,
// so a reader can `return Malformed(...)`.
bool Malformed(const TReadContext& ctx, const std::string& what, std::uint64_t fileOffset);

struct TChunk {
  std::uint32_t id = 0;
  std::uint32_t size = 0;        // whole chunk, header included
  const std::uint8_t* data = nullptr;  // start of the header
  std::uint64_t fileOffset = 0;
};

// Walks the chunks of data[pos..end).
class TChunkReader {
 public:
  TChunkReader(const std::uint8_t* data, std::uint32_t pos, std::uint32_t end, const TReadContext& ctx,
              std::uint64_t baseFileOffset)
      : m_data(data), m_pos(pos), m_end(end), m_ctx(ctx), m_base(baseFileOffset) {}

  bool AtEnd() const { return m_pos == m_end; }
  std::uint32_t Position() const { return m_pos; }
  // Reads the next chunk header and steps over the chunk; false (logged) when the
  // header or the chunk does not fit.
  bool Next(TChunk& chunk);
  // Measures the run of the 17 common chunks that starts at the current position
  // and steps over it; false (logged) when fewer than 17 whole chunks are left.
  bool NextCommonRun(TChunk& run);

 private:
  const std::uint8_t* m_data;
  std::uint32_t m_pos;
  std::uint32_t m_end;
  const TReadContext& m_ctx;
  std::uint64_t m_base;
};

// Chunk value readers. Each fails (logged) when the chunk is too short for its value.
bool ChunkByte(const TChunk& c, const TReadContext& ctx, std::uint8_t& out);
bool ChunkI32(const TChunk& c, const TReadContext& ctx, std::int32_t& out);
bool ChunkF32(const TChunk& c, const TReadContext& ctx, float& out);
bool ChunkF32x3(const TChunk& c, const TReadContext& ctx, float& a, float& b, float& c3);
bool ChunkF32x4(const TChunk& c, const TReadContext& ctx, float& a, float& b, float& c3, float& d);
void ChunkString(const TChunk& c, std::string& out);
bool ChunkStringList(const TChunk& c, const TReadContext& ctx, StringList& out);
bool ChunkInt32s(const TChunk& c, const TReadContext& ctx, std::int32_t* out, int count);

// Sizes of chunks as the writers produce them.
inline std::uint32_t StrChunkSize(const std::string& s) { return kChunkHeader + std::uint32_t(s.size()); }
std::uint32_t ListChunkSize(const StringList& list);

// Chunk writers.
void WriteByteChunk(TByteWriter& w, std::uint32_t id, std::uint8_t v);
void WriteI32Chunk(TByteWriter& w, std::uint32_t id, std::int32_t v);
void WriteF32Chunk(TByteWriter& w, std::uint32_t id, float v);
void WriteF32x3Chunk(TByteWriter& w, std::uint32_t id, float a, float b, float c);
void WriteF32x4Chunk(TByteWriter& w, std::uint32_t id, float a, float b, float c, float d);
void WriteStrChunk(TByteWriter& w, std::uint32_t id, const std::string& s);
void WriteListChunk(TByteWriter& w, std::uint32_t id, const StringList& list);

}  // namespace kelvarin
