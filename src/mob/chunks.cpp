#include "mob/chunks.h"

#include "mob/tmob.h"

namespace kelvarin {

void TReadContext::Log(const std::string& line) const {
  if (!log) return;
  if (held) held->push_back(line);
  else if (mob) mob->Log(line);
}

bool Malformed(const TReadContext& ctx, const std::string& what, std::uint64_t fileOffset) {
  ctx.Log("Битая разметка моба: " + what + " (смещение " + std::to_string(fileOffset) +
          " байт от начала файла).");
  return false;
}

bool TChunkReader::Next(TChunk& chunk) {
  const std::uint64_t at = m_base + m_pos;
  if (m_end - m_pos < kChunkHeader)
    return Malformed(m_ctx, "заголовок чанка не помещается в свой блок", at);
  chunk.id = ReadU32(m_data + m_pos);
  chunk.size = ReadU32(m_data + m_pos + 4);
  if (chunk.size < kChunkHeader)
    return Malformed(m_ctx, "чанк размером " + std::to_string(chunk.size) + " байт (меньше 8)", at);
  if (chunk.size > m_end - m_pos)
    return Malformed(m_ctx,
                     "чанк размером " + std::to_string(chunk.size) + " байт вылезает за конец блока",
                     at);
  chunk.data = m_data + m_pos;
  chunk.fileOffset = at;
  m_pos += chunk.size;
  return true;
}

bool TChunkReader::NextCommonRun(TChunk& run) {
  const std::uint32_t start = m_pos;
  for (int i = 0; i < kCommonChunkCount; ++i) {
    if (m_pos == m_end)
      return Malformed(m_ctx,
                       "в блоке осталось " + std::to_string(i) +
                           " общих чанков объекта вместо 17",
                       m_base + start);
    TChunk c;
    if (!Next(c)) return false;
  }
  run.id = kCommonRunStartId;
  run.size = m_pos - start;
  run.data = m_data + start;
  run.fileOffset = m_base + start;
  return true;
}

namespace {

bool NeedValue(const TChunk& c, const TReadContext& ctx, std::uint32_t valueBytes) {
  if (c.size - kChunkHeader >= valueBytes) return true;
  return Malformed(ctx,
                   "чанк " + std::to_string(c.id) + " размером " + std::to_string(c.size) +
                       " байт короче своего значения",
                   c.fileOffset);
}

}  // namespace

bool ChunkByte(const TChunk& c, const TReadContext& ctx, std::uint8_t& out) {
  if (!NeedValue(c, ctx, 1)) return false;
  out = c.data[8];
  return true;
}

bool ChunkI32(const TChunk& c, const TReadContext& ctx, std::int32_t& out) {
  if (!NeedValue(c, ctx, 4)) return false;
  out = ReadI32(c.data + 8);
  return true;
}

bool ChunkInt32s(const TChunk& c, const TReadContext& ctx, std::int32_t* out, int count) {
  if (!NeedValue(c, ctx, 4u * count)) return false;
  for (int i = 0; i < count; ++i) out[i] = ReadI32(c.data + 8 + 4 * i);
  return true;
}

bool ChunkF32(const TChunk& c, const TReadContext& ctx, float& out) {
  if (!NeedValue(c, ctx, 4)) return false;
  out = ReadF32(c.data + 8);
  return true;
}

bool ChunkF32x3(const TChunk& c, const TReadContext& ctx, float& a, float& b, float& c3) {
  if (!NeedValue(c, ctx, 12)) return false;
  a = ReadF32(c.data + 8);
  b = ReadF32(c.data + 12);
  c3 = ReadF32(c.data + 16);
  return true;
}

bool ChunkF32x4(const TChunk& c, const TReadContext& ctx, float& a, float& b, float& c3, float& d) {
  if (!NeedValue(c, ctx, 16)) return false;
  a = ReadF32(c.data + 8);
  b = ReadF32(c.data + 12);
  c3 = ReadF32(c.data + 16);
  d = ReadF32(c.data + 20);
  return true;
}

void ChunkString(const TChunk& c, std::string& out) {
  out.assign(reinterpret_cast<const char*>(c.data + kChunkHeader), c.size - kChunkHeader);
}

bool ChunkStringList(const TChunk& c, const TReadContext& ctx, StringList& out) {
  if (!NeedValue(c, ctx, 4)) return false;
  const std::uint32_t count = ReadU32(c.data + 8);
  // Each item takes at least its 8-byte header: a count that cannot fit is refused
  // before anything is allocated for it.
  if (count > (c.size - 12) / kChunkHeader)
    return Malformed(ctx,
                     "список строк обещает " + std::to_string(count) +
                         " элементов, а в чанк размером " + std::to_string(c.size) +
                         " байт столько не влезет",
                     c.fileOffset);
  // Filled in place, reusing the room of the strings already there: on a failure
  // the record is refused as a whole, so a half-read list is never kept.
  out.resize(count);
  TChunkReader items(c.data, 12, c.size, ctx, c.fileOffset);
  for (std::uint32_t i = 0; i < count; ++i) {
    TChunk item;
    if (!items.Next(item)) return false;
    ChunkString(item, out[i]);
  }
  return true;
}

std::uint32_t ListChunkSize(const StringList& list) {
  std::uint32_t size = 12;
  for (const auto& s : list) size += kChunkHeader + std::uint32_t(s.size());
  return size;
}

void WriteByteChunk(TByteWriter& w, std::uint32_t id, std::uint8_t v) {
  w.U32(id);
  w.U32(9);
  w.U8(v);
}

void WriteI32Chunk(TByteWriter& w, std::uint32_t id, std::int32_t v) {
  w.U32(id);
  w.U32(12);
  w.I32(v);
}

void WriteF32Chunk(TByteWriter& w, std::uint32_t id, float v) {
  w.U32(id);
  w.U32(12);
  w.F32(v);
}

void WriteF32x3Chunk(TByteWriter& w, std::uint32_t id, float a, float b, float c) {
  w.U32(id);
  w.U32(20);
  w.F32(a);
  w.F32(b);
  w.F32(c);
}

void WriteF32x4Chunk(TByteWriter& w, std::uint32_t id, float a, float b, float c, float d) {
  w.U32(id);
  w.U32(24);
  w.F32(a);
  w.F32(b);
  w.F32(c);
  w.F32(d);
}

void WriteStrChunk(TByteWriter& w, std::uint32_t id, const std::string& s) {
  w.U32(id);
  w.U32(StrChunkSize(s));
  w.Raw(s);
}

void WriteListChunk(TByteWriter& w, std::uint32_t id, const StringList& list) {
  w.U32(id);
  w.U32(ListChunkSize(list));
  w.U32(std::uint32_t(list.size()));
  for (const auto& s : list) WriteStrChunk(w, id, s);
}

}  // namespace kelvarin
