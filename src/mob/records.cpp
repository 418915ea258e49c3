#include "mob/records.h"

#include "mob/chunks.h"

namespace kelvarin {
namespace {

// Common field chunk ids.
constexpr std::uint32_t kIdBodyTextures = 0x0000B00D;
constexpr std::uint32_t kIdPlayerNumber = 0x0000B011;
constexpr std::uint32_t kIdObjectID = 0x0000B002;
constexpr std::uint32_t kIdObjectType = 0x0000B003;
constexpr std::uint32_t kIdScriptVariableName = 0x0000B004;
constexpr std::uint32_t kIdModelName = 0x0000B006;
constexpr std::uint32_t kIdName2 = 0x0000B00E;
constexpr std::uint32_t kIdFirstTexture = 0x0000B007;
constexpr std::uint32_t kIdSecondTexture = 0x0000B008;
constexpr std::uint32_t kIdUnknownStr1 = 0x0000B00F;
constexpr std::uint32_t kIdLoad = 0x0000B009;
constexpr std::uint32_t kIdRotation = 0x0000B00A;
constexpr std::uint32_t kIdIsQuestUnit = 0x0000B013;
constexpr std::uint32_t kIdShowShadow = 0x0000B014;
constexpr std::uint32_t kIdUncnDw2 = 0x0000B012;
constexpr std::uint32_t kIdQuestLightStr = 0x0000B016;
constexpr std::uint32_t kIdComplection = 0x0000B00C;

// Unit chunk ids.
constexpr std::uint32_t kIdUseMobInfo = 0xBBBB000A;
constexpr std::uint32_t kIdName1 = 0xBBBB0002;
constexpr std::uint32_t kIdArmour = 0xBBBB0009;
constexpr std::uint32_t kIdWeapon = 0xBBBB0008;
constexpr std::uint32_t kIdSpell = 0xBBBB0007;
constexpr std::uint32_t kIdUncnDw1 = 0xBBBB0006;
constexpr std::uint32_t kIdItems = 0xBBBB0005;
constexpr std::uint32_t kIdRawChunk = TUnitObjBlock::kRawChunkId;
constexpr std::uint32_t kIdExtraBlock = TUnitObjBlock::kExtraBlockId;

// Lever chunk ids.
constexpr std::uint32_t kIdLeverInts = 0xBBAC0006;
constexpr std::uint32_t kIdUncnByte2 = 0xBBAC0002;
constexpr std::uint32_t kIdUncnByte3 = 0xBBAC0003;
constexpr std::uint32_t kIdUncnByte4 = 0xBBAC0004;
constexpr std::uint32_t kIdUncnByte5 = 0xBBAC0007;
constexpr std::uint32_t kIdUncnByte6 = 0xBBAC0008;

// Trap chunk ids. UnknByte1 of a trap carries a lever-series id.
constexpr std::uint32_t kIdUnknDw1 = 0xBBAB0001;
constexpr std::uint32_t kIdMagicStr = 0xBBAB0002;
constexpr std::uint32_t kIdUnknDw2 = 0xBBAB0005;
constexpr std::uint32_t kIdTrapUnknByte1 = 0xBBAC0005;
constexpr std::uint32_t kIdTrapPoints1 = 0xBBAB0003;
constexpr std::uint32_t kIdTrapPoints2 = 0xBBAB0004;

// Flame chunk ids.
constexpr std::uint32_t kIdFlameCoord = 0xBBBF0002;
constexpr std::uint32_t kIdFlameSize = 0xBBBF0001;
constexpr std::uint32_t kIdFlameSound = 0xBBBF0003;

constexpr std::uint32_t kSubBlockHeader = 8;
constexpr std::uint32_t kObjectBase = 203;  // an empty TObjectObjBlock sub-block

std::uint32_t Len(const std::string& s) { return std::uint32_t(s.size()); }

std::uint32_t ListItemsSize(const StringList& list) { return ListChunkSize(list) - 12; }

// Starts a sub-block with its header. Writers of whole blocks reserve the total
// up front; a record written alone lets the buffer grow as usual.
TByteWriter BeginSubBlock(Bytes& out, std::uint32_t kindId, std::uint32_t size) {
  TByteWriter w(out);
  w.U32(kindId);
  w.U32(size);
  return w;
}

// Walks the chunks of one sub-block. A BodyTextures chunk starts the run of the 17
// common chunks, which is measured and handed whole to the common reader; every
// other chunk goes to `onChunk`, which returns false to refuse the record.
template <class OnChunk>
bool ReadKindChunks(TCommonObjFields* common, const std::uint8_t* data, std::uint32_t size,
                    const TReadContext& ctx, OnChunk onChunk) {
  TChunkReader reader(data, kSubBlockHeader, size, ctx, ctx.fileOffset);
  while (!reader.AtEnd()) {
    const std::uint32_t pos = reader.Position();
    if (common && size - pos >= 4 && ReadU32(data + pos) == kIdBodyTextures) {
      TChunk run;
      if (!reader.NextCommonRun(run)) return false;
      if (!common->ReadCommonChunks(run.data, run.size, ctx, run.fileOffset)) return false;
      continue;
    }
    TChunk c;
    if (!reader.Next(c) || !onChunk(c)) return false;
  }
  return true;
}

bool ReadTrapPoints(const TChunk& c, const TReadContext& ctx, int valuesPerPoint,
                    std::vector<std::uint32_t>& values) {
  std::int32_t count = 0;
  if (!ChunkI32(c, ctx, count)) return false;
  const std::uint64_t n = static_cast<std::uint32_t>(count);
  const std::uint64_t bytes = n * 4 * valuesPerPoint;
  if (bytes > c.size - 12)
    return Malformed(ctx,
                     "список точек ловушки обещает " + std::to_string(n) +
                         " точек, а в чанк размером " + std::to_string(c.size) +
                         " байт столько не влезет",
                     c.fileOffset);
  values.resize(n * valuesPerPoint);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = ReadU32(c.data + 12 + 4 * i);
  return true;
}

// Walks a sub-block along the writer's layout; each step takes the next chunk if it
// has the id and the size the writer gives it. Lengths are added in 64 bits, so no
// count in a chunk can wrap a size around.
class TWrittenFormCursor {
 public:
  TWrittenFormCursor(const std::uint8_t* data, std::uint32_t size)
      : m_data(data), m_pos(kSubBlockHeader), m_end(size) {}

  bool AtEnd() const { return m_pos == m_end; }
  bool NextIs(std::uint32_t id) const { return m_end - m_pos >= 4 && ReadU32(m_data + m_pos) == id; }
  // A chunk of a fixed size: a byte (9), an int or float (12), three floats (20)...
  bool Fixed(std::uint32_t id, std::uint32_t size) {
    // The header is compared whole and the step does not wait for it: a run of
    // fixed chunks is checked without one load waiting for the one before.
    if (m_end - m_pos < size) return false;
    const std::uint64_t header = ReadU32(m_data + m_pos) | std::uint64_t(ReadU32(m_data + m_pos + 4)) << 32;
    m_pos += size;
    return header == (id | std::uint64_t(size) << 32);
  }
  // A string chunk, or a chunk kept whole: any size from the bare header up.
  bool Any(std::uint32_t id) { return Header(id) && Take(); }
  // A string list: a count, then exactly that many string chunks of the list's id
  // filling the chunk to its end.
  bool List(std::uint32_t id) {
    if (!Header(id) || m_size < 12) return false;
    const std::uint8_t* chunk = m_data + m_pos;
    std::uint32_t count = ReadU32(chunk + 8), at = 12;
    for (; count > 0 && m_size - at >= kChunkHeader; --count) {
      const std::uint32_t itemSize = ReadU32(chunk + at + 4);
      if (ReadU32(chunk + at) != id || itemSize < kChunkHeader || itemSize > m_size - at) return false;
      at += itemSize;
    }
    return count == 0 && at == m_size && Take();
  }
  // Trap points: a count, then that many points of `values` 32-bit values each.
  bool Points(std::uint32_t id, std::uint32_t values) {
    return Header(id) && m_size >= 12 &&
           std::uint64_t(m_size) == 12 + std::uint64_t(ReadU32(m_data + m_pos + 8)) * 4 * values && Take();
  }
  bool Common() {
    return List(kIdBodyTextures) && Fixed(kIdPlayerNumber, 9) && Fixed(kIdObjectID, 12) &&
           Fixed(kIdObjectType, 12) && Any(kIdScriptVariableName) && Any(kIdModelName) &&
           Any(kIdName2) && Any(kIdFirstTexture) && Any(kIdSecondTexture) && Any(kIdUnknownStr1) &&
           Fixed(kIdLoad, 20) && Fixed(kIdRotation, 24) && Fixed(kIdIsQuestUnit, 9) &&
           Fixed(kIdShowShadow, 9) && Fixed(kIdUncnDw2, 12) && Any(kIdQuestLightStr) &&
           Fixed(kIdComplection, 20);
  }

 private:
  bool Header(std::uint32_t id) {
    if (m_end - m_pos < kChunkHeader || ReadU32(m_data + m_pos) != id) return false;
    m_size = ReadU32(m_data + m_pos + 4);
    return m_size >= kChunkHeader && m_size <= m_end - m_pos;
  }
  bool Take() {
    m_pos += m_size;
    return true;
  }
  const std::uint8_t* m_data;
  std::uint32_t m_pos, m_end, m_size = 0;
};

}  // namespace

// ---- common fields ----------------------------------------------------------

std::uint32_t TCommonObjFields::CommonChunksSize() const {
  return kObjectBase - kSubBlockHeader + ListItemsSize(BodyTextures) + Len(ScriptVariableName) +
         Len(ModelName) + Len(Name2) + Len(FirstTexture) + Len(SecondTexture) + Len(UnknownStr1) +
         Len(QuestLightStr);
}

void TCommonObjFields::WriteCommonChunks(TByteWriter& w) const {
  WriteListChunk(w, kIdBodyTextures, BodyTextures);
  WriteByteChunk(w, kIdPlayerNumber, PlayerNumber);
  WriteI32Chunk(w, kIdObjectID, ObjectID);
  WriteI32Chunk(w, kIdObjectType, ObjectType);
  WriteStrChunk(w, kIdScriptVariableName, ScriptVariableName);
  WriteStrChunk(w, kIdModelName, ModelName);
  WriteStrChunk(w, kIdName2, Name2);
  WriteStrChunk(w, kIdFirstTexture, FirstTexture);
  WriteStrChunk(w, kIdSecondTexture, SecondTexture);
  WriteStrChunk(w, kIdUnknownStr1, UnknownStr1);
  WriteF32x3Chunk(w, kIdLoad, LoadX, LoadY, LoadZ);
  WriteF32x4Chunk(w, kIdRotation, RotationW, RotationX, RotationY, RotationZ);
  WriteByteChunk(w, kIdIsQuestUnit, IsQuestUnit);
  WriteByteChunk(w, kIdShowShadow, ShowShadow);
  WriteI32Chunk(w, kIdUncnDw2, UncnDw2);
  WriteStrChunk(w, kIdQuestLightStr, QuestLightStr);
  WriteF32x3Chunk(w, kIdComplection, ComplectionStrength, ComplectionDex, ComplectionTall);
}

bool TCommonObjFields::ReadCommonChunks(const std::uint8_t* data, std::uint32_t size,
                                        const TReadContext& ctx, std::uint64_t offsetInFile) {
  TChunkReader reader(data, 0, size, ctx, offsetInFile);
  while (!reader.AtEnd()) {
    TChunk c;
    if (!reader.Next(c)) return false;
    bool ok = true;
    switch (c.id) {
      case kIdBodyTextures: ok = ChunkStringList(c, ctx, BodyTextures); break;
      case kIdPlayerNumber: ok = ChunkByte(c, ctx, PlayerNumber); break;
      case kIdObjectID: ok = ChunkI32(c, ctx, ObjectID); break;
      case kIdObjectType: ok = ChunkI32(c, ctx, ObjectType); break;
      case kIdScriptVariableName: ChunkString(c, ScriptVariableName); break;
      case kIdModelName: ChunkString(c, ModelName); break;
      case kIdName2: ChunkString(c, Name2); break;
      case kIdFirstTexture: ChunkString(c, FirstTexture); break;
      case kIdSecondTexture: ChunkString(c, SecondTexture); break;
      case kIdUnknownStr1: ChunkString(c, UnknownStr1); break;
      case kIdLoad: ok = ChunkF32x3(c, ctx, LoadX, LoadY, LoadZ); break;
      case kIdRotation: ok = ChunkF32x4(c, ctx, RotationW, RotationX, RotationY, RotationZ); break;
      case kIdIsQuestUnit: ok = ChunkByte(c, ctx, IsQuestUnit); break;
      case kIdShowShadow: ok = ChunkByte(c, ctx, ShowShadow); break;
      case kIdUncnDw2: ok = ChunkI32(c, ctx, UncnDw2); break;
      case kIdQuestLightStr: ChunkString(c, QuestLightStr); break;
      case kIdComplection:
        ok = ChunkF32x3(c, ctx, ComplectionStrength, ComplectionDex, ComplectionTall);
        break;
      default: break;  // not a field of ours: stepped over
    }
    if (!ok) return false;
  }
  return true;
}

// ---- plain object -----------------------------------------------------------

std::uint32_t TObjectObjBlock::GetSize() const { return kSubBlockHeader + CommonChunksSize(); }

void TObjectObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteCommonChunks(w);
}

bool TObjectObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                 const TReadContext& ctx) {
  return ReadCommonChunks(data + kSubBlockHeader, size - kSubBlockHeader, ctx,
                          ctx.fileOffset + kSubBlockHeader);
}

// ---- unit -------------------------------------------------------------------

std::uint32_t TUnitObjBlock::GetSize() const {
  std::uint32_t extras = 0;
  for (const auto& e : ExtraBlocks) extras += std::uint32_t(e.size());
  return 77 + Len(Name1) + std::uint32_t(RawChunk.size()) + ListItemsSize(Armour) +
         ListItemsSize(Weapon) + ListItemsSize(Spell) + ListItemsSize(Items) + extras +
         kSubBlockHeader + CommonChunksSize();
}

void TUnitObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteByteChunk(w, kIdUseMobInfo, UseMobInfo);
  WriteStrChunk(w, kIdName1, Name1);
  WriteListChunk(w, kIdArmour, Armour);
  WriteListChunk(w, kIdWeapon, Weapon);
  WriteListChunk(w, kIdSpell, Spell);
  WriteI32Chunk(w, kIdUncnDw1, UncnDw1);
  WriteListChunk(w, kIdItems, Items);
  w.Raw(RawChunk);
  WriteCommonChunks(w);
  for (const auto& e : ExtraBlocks) w.Raw(e);
}

bool TUnitObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                               const TReadContext& ctx) {
  return ReadKindChunks(this, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case kIdUseMobInfo: return ChunkByte(c, ctx, UseMobInfo);
      case kIdName1: ChunkString(c, Name1); return true;
      case kIdArmour: return ChunkStringList(c, ctx, Armour);
      case kIdWeapon: return ChunkStringList(c, ctx, Weapon);
      case kIdSpell: return ChunkStringList(c, ctx, Spell);
      case kIdItems: return ChunkStringList(c, ctx, Items);
      case kIdUncnDw1:
        if (c.size != 12) {
          ctx.Log("Блок 06 00 BB BB у юнита идущего в мобе " + std::to_string(ctx.ordinal) +
                  "-м нестандартен и содержит " + std::to_string(c.size) +
                  " байт, в то время как обычно он занимает 12 байт. Загрузка отменена.");
          return false;
        }
        UncnDw1 = ReadI32(c.data + 8);
        return true;
      case kIdRawChunk: RawChunk.assign(c.data, c.data + c.size); return true;
      case kIdExtraBlock: ExtraBlocks.emplace_back(c.data, c.data + c.size); return true;
      default: return true;  // not a unit field: stepped over
    }
  });
}

// ---- lever ------------------------------------------------------------------

std::uint32_t TLeverObjBlock::GetSize() const { return kSubBlockHeader + CommonChunksSize() + 65; }

void TLeverObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  w.U32(kIdLeverInts);
  w.U32(20);
  w.I32(AsOpen);
  w.I32(Key);
  w.I32(Sleigth);
  WriteByteChunk(w, kIdUncnByte2, UncnByte2);
  WriteByteChunk(w, kIdUncnByte3, UncnByte3);
  WriteByteChunk(w, kIdUncnByte4, UncnByte4);
  WriteByteChunk(w, kIdUncnByte5, UncnByte5);
  WriteByteChunk(w, kIdUncnByte6, UncnByte6);
  WriteCommonChunks(w);
}

bool TLeverObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                const TReadContext& ctx) {
  return ReadKindChunks(this, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case kIdLeverInts: {
        std::int32_t v[3];
        if (!ChunkInt32s(c, ctx, v, 3)) return false;
        AsOpen = v[0];
        Key = v[1];
        Sleigth = v[2];
        return true;
      }
      case kIdUncnByte2: return ChunkByte(c, ctx, UncnByte2);
      case kIdUncnByte3: return ChunkByte(c, ctx, UncnByte3);
      case kIdUncnByte4: return ChunkByte(c, ctx, UncnByte4);
      case kIdUncnByte5: return ChunkByte(c, ctx, UncnByte5);
      case kIdUncnByte6: return ChunkByte(c, ctx, UncnByte6);
      default: return true;
    }
  });
}

// ---- trap -------------------------------------------------------------------

std::uint32_t TTrapObjBlock::GetSize() const {
  return kSubBlockHeader + CommonChunksSize() + 65 + Len(MagicStr) +
         12 * std::uint32_t(TrapPoints1.size()) + 8 * std::uint32_t(TrapPoints2.size());
}

void TTrapObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteI32Chunk(w, kIdUnknDw1, UnknDw1);
  WriteStrChunk(w, kIdMagicStr, MagicStr);
  WriteI32Chunk(w, kIdUnknDw2, UnknDw2);
  WriteByteChunk(w, kIdTrapUnknByte1, UnknByte1);
  w.U32(kIdTrapPoints1);
  w.U32(12 + 12 * std::uint32_t(TrapPoints1.size()));
  w.U32(std::uint32_t(TrapPoints1.size()));
  for (const auto& p : TrapPoints1) {
    w.U32(p.A);
    w.U32(p.B);
    w.U32(p.C);
  }
  w.U32(kIdTrapPoints2);
  w.U32(12 + 8 * std::uint32_t(TrapPoints2.size()));
  w.U32(std::uint32_t(TrapPoints2.size()));
  for (const auto& p : TrapPoints2) {
    w.U32(p.A);
    w.U32(p.B);
  }
  WriteCommonChunks(w);
}

bool TTrapObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                               const TReadContext& ctx) {
  return ReadKindChunks(this, data, size, ctx, [&](const TChunk& c) {
    std::vector<std::uint32_t> v;
    switch (c.id) {
      case kIdUnknDw1: return ChunkI32(c, ctx, UnknDw1);
      case kIdMagicStr: ChunkString(c, MagicStr); return true;
      case kIdUnknDw2: return ChunkI32(c, ctx, UnknDw2);
      case kIdTrapUnknByte1: return ChunkByte(c, ctx, UnknByte1);
      case kIdTrapPoints1:
        if (!ReadTrapPoints(c, ctx, 3, v)) return false;
        TrapPoints1.resize(v.size() / 3);
        for (std::size_t i = 0; i < TrapPoints1.size(); ++i)
          TrapPoints1[i] = {v[3 * i], v[3 * i + 1], v[3 * i + 2]};
        return true;
      case kIdTrapPoints2:
        if (!ReadTrapPoints(c, ctx, 2, v)) return false;
        TrapPoints2.resize(v.size() / 2);
        for (std::size_t i = 0; i < TrapPoints2.size(); ++i)
          TrapPoints2[i] = {v[2 * i], v[2 * i + 1]};
        return true;
      default: return true;
    }
  });
}

// ---- flame ------------------------------------------------------------------

std::uint32_t TFlameObjBlock::GetSize() const {
  return kSubBlockHeader + CommonChunksSize() + 40 + Len(SoundStr);
}

void TFlameObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteF32x3Chunk(w, kIdFlameCoord, CoordX, CoordY, CoordZ);
  WriteF32Chunk(w, kIdFlameSize, FlameSize);
  WriteStrChunk(w, kIdFlameSound, SoundStr);
  WriteCommonChunks(w);
}

bool TFlameObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                const TReadContext& ctx) {
  return ReadKindChunks(this, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case kIdFlameCoord: return ChunkF32x3(c, ctx, CoordX, CoordY, CoordZ);
      case kIdFlameSize: return ChunkF32(c, ctx, FlameSize);
      case kIdFlameSound: ChunkString(c, SoundStr); return true;
      default: return true;
    }
  });
}

// ---- particles --------------------------------------------------------------

std::uint32_t TParticle1ObjBlock::GetSize() const { return 97 + Len(NameStr) + Len(UnknStr1); }

void TParticle1ObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteI32Chunk(w, 0x0000AA05, ID);
  WriteByteChunk(w, 0x0000AA06, UnknByte1);
  WriteF32x3Chunk(w, 0x0000AA04, CoordX, CoordY, CoordZ);
  WriteF32x3Chunk(w, 0x0000AA07, ColorR, ColorG, ColorB);
  WriteF32Chunk(w, 0x0000AA02, ParticleSize);
  WriteStrChunk(w, 0x0000AA03, NameStr);
  WriteStrChunk(w, 0x0000AA08, UnknStr1);
}

bool TParticle1ObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                    const TReadContext& ctx) {
  return ReadKindChunks(nullptr, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case 0x0000AA05: return ChunkI32(c, ctx, ID);
      case 0x0000AA06: return ChunkByte(c, ctx, UnknByte1);
      case 0x0000AA04: return ChunkF32x3(c, ctx, CoordX, CoordY, CoordZ);
      case 0x0000AA07: return ChunkF32x3(c, ctx, ColorR, ColorG, ColorB);
      case 0x0000AA02: return ChunkF32(c, ctx, ParticleSize);
      case 0x0000AA03: ChunkString(c, NameStr); return true;
      case 0x0000AA08: ChunkString(c, UnknStr1); return true;
      default: return true;
    }
  });
}

std::uint32_t TParticle2ObjBlock::GetSize() const {
  return 134 + Len(NameStr) + Len(UnknStr1) + ListItemsSize(SoundStr_s);
}

void TParticle2ObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteListChunk(w, 0x0000CC0A, SoundStr_s);
  WriteI32Chunk(w, 0x0000CC02, ID);
  WriteF32x3Chunk(w, 0x0000CC03, CoordX, CoordY, CoordZ);
  WriteI32Chunk(w, 0x0000CC04, UnknDW1);
  WriteI32Chunk(w, 0x0000CC0B, UnknDW2);
  WriteStrChunk(w, 0x0000CC05, NameStr);
  WriteStrChunk(w, 0x0000CC08, UnknStr1);
  WriteI32Chunk(w, 0x0000CC06, UnknDW3);
  WriteI32Chunk(w, 0x0000CC07, UnknDW4);
  WriteByteChunk(w, 0x0000CC0D, UnknByte1);
  WriteByteChunk(w, 0x0000CC0E, UnknByte2);
}

bool TParticle2ObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                    const TReadContext& ctx) {
  return ReadKindChunks(nullptr, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case 0x0000CC0A: return ChunkStringList(c, ctx, SoundStr_s);
      case 0x0000CC02: return ChunkI32(c, ctx, ID);
      case 0x0000CC03: return ChunkF32x3(c, ctx, CoordX, CoordY, CoordZ);
      case 0x0000CC04: return ChunkI32(c, ctx, UnknDW1);
      case 0x0000CC0B: return ChunkI32(c, ctx, UnknDW2);
      case 0x0000CC05: ChunkString(c, NameStr); return true;
      case 0x0000CC08: ChunkString(c, UnknStr1); return true;
      case 0x0000CC06: return ChunkI32(c, ctx, UnknDW3);
      case 0x0000CC07: return ChunkI32(c, ctx, UnknDW4);
      case 0x0000CC0D: return ChunkByte(c, ctx, UnknByte1);
      case 0x0000CC0E: return ChunkByte(c, ctx, UnknByte2);
      default: return true;
    }
  });
}

std::uint32_t TParticle3ObjBlock::GetSize() const { return 80 + Len(NameStr) + Len(UnknStr1); }

void TParticle3ObjBlock::WriteRecord(Bytes& out) const {
  TByteWriter w = BeginSubBlock(out, KindId, GetSize());
  WriteI32Chunk(w, 0x0000DD02, ID);
  WriteF32x3Chunk(w, 0x0000DD03, CoordX, CoordY, CoordZ);
  WriteStrChunk(w, 0x0000DD05, NameStr);
  WriteStrChunk(w, 0x0000DD04, UnknStr1);
  WriteI32Chunk(w, 0x0000DD06, UnknDw1);
  WriteF32Chunk(w, 0x0000DD07, UnknFloat1);
}

bool TParticle3ObjBlock::ReadRecord(const std::uint8_t* data, std::uint32_t size,
                                    const TReadContext& ctx) {
  return ReadKindChunks(nullptr, data, size, ctx, [&](const TChunk& c) {
    switch (c.id) {
      case 0x0000DD02: return ChunkI32(c, ctx, ID);
      case 0x0000DD03: return ChunkF32x3(c, ctx, CoordX, CoordY, CoordZ);
      case 0x0000DD05: ChunkString(c, NameStr); return true;
      case 0x0000DD04: ChunkString(c, UnknStr1); return true;
      case 0x0000DD06: return ChunkI32(c, ctx, UnknDw1);
      case 0x0000DD07: return ChunkF32(c, ctx, UnknFloat1);
      default: return true;
    }
  });
}

// ---- the writer's layout ---------------------------------------------------------

// Each case follows its kind's WriteRecord above, chunk for chunk; the record tests
// hold the two together on every kind and on mutated bytes.
// Flattened: the cursor's steps inline into one loop-free walk per kind.
[[gnu::flatten]] bool InWrittenForm(ObjKind kind, const std::uint8_t* data, std::uint32_t size) {
  if (size < kSubBlockHeader || KindFromId(ReadU32(data)) != kind || ReadU32(data + 4) != size)
    return false;
  TWrittenFormCursor c(data, size);
  switch (kind) {
    case ObjKind::Object:
      return c.Common() && c.AtEnd();
    case ObjKind::Unit:
      if (!(c.Fixed(kIdUseMobInfo, 9) && c.Any(kIdName1) && c.List(kIdArmour) && c.List(kIdWeapon) &&
            c.List(kIdSpell) && c.Fixed(kIdUncnDw1, 12) && c.List(kIdItems)))
        return false;
      if (c.NextIs(kIdRawChunk) && !c.Any(kIdRawChunk)) return false;
      if (!c.Common()) return false;
      while (!c.AtEnd())
        if (!c.Any(kIdExtraBlock)) return false;
      return true;
    case ObjKind::Lever:
      return c.Fixed(kIdLeverInts, 20) && c.Fixed(kIdUncnByte2, 9) && c.Fixed(kIdUncnByte3, 9) &&
             c.Fixed(kIdUncnByte4, 9) && c.Fixed(kIdUncnByte5, 9) && c.Fixed(kIdUncnByte6, 9) &&
             c.Common() && c.AtEnd();
    case ObjKind::Trap:
      return c.Fixed(kIdUnknDw1, 12) && c.Any(kIdMagicStr) && c.Fixed(kIdUnknDw2, 12) &&
             c.Fixed(kIdTrapUnknByte1, 9) && c.Points(kIdTrapPoints1, 3) && c.Points(kIdTrapPoints2, 2) &&
             c.Common() && c.AtEnd();
    case ObjKind::Flame:
      return c.Fixed(kIdFlameCoord, 20) && c.Fixed(kIdFlameSize, 12) && c.Any(kIdFlameSound) &&
             c.Common() && c.AtEnd();
    case ObjKind::Particle1:
      return c.Fixed(0x0000AA05, 12) && c.Fixed(0x0000AA06, 9) && c.Fixed(0x0000AA04, 20) &&
             c.Fixed(0x0000AA07, 20) && c.Fixed(0x0000AA02, 12) && c.Any(0x0000AA03) &&
             c.Any(0x0000AA08) && c.AtEnd();
    case ObjKind::Particle2:
      return c.List(0x0000CC0A) && c.Fixed(0x0000CC02, 12) && c.Fixed(0x0000CC03, 20) &&
             c.Fixed(0x0000CC04, 12) && c.Fixed(0x0000CC0B, 12) && c.Any(0x0000CC05) &&
             c.Any(0x0000CC08) && c.Fixed(0x0000CC06, 12) && c.Fixed(0x0000CC07, 12) &&
             c.Fixed(0x0000CC0D, 9) && c.Fixed(0x0000CC0E, 9) && c.AtEnd();
    case ObjKind::Particle3:
      return c.Fixed(0x0000DD02, 12) && c.Fixed(0x0000DD03, 20) && c.Any(0x0000DD05) &&
             c.Any(0x0000DD04) && c.Fixed(0x0000DD06, 12) && c.Fixed(0x0000DD07, 12) && c.AtEnd();
  }
  return false;
}

std::int32_t WrittenFormIdentity(ObjKind kind, const std::uint8_t* data, std::uint32_t size) {
  // In the writer's form each chunk id stands once at the top level of the
  // sub-block (list items sit inside their list's chunk), so the first chunk with
  // the identity's id is the one a reader would take.
  std::uint32_t id = kIdObjectID;
  if (kind == ObjKind::Particle1) id = 0x0000AA05;
  else if (kind == ObjKind::Particle2) id = 0x0000CC02;
  else if (kind == ObjKind::Particle3) id = 0x0000DD02;
  for (std::uint32_t pos = kSubBlockHeader; size - pos >= 12;) {
    const std::uint32_t chunkSize = ReadU32(data + pos + 4);
    if (ReadU32(data + pos) == id && chunkSize == 12) return ReadI32(data + pos + 8);
    if (chunkSize < kChunkHeader || chunkSize > size - pos) break;
    pos += chunkSize;
  }
  return 0;
}

}  // namespace kelvarin
