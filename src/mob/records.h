// The eight placed-object record kinds of the object block and their file form.
// Each record offers GetSize / WriteRecord / ReadRecord; the common 24 object
// fields are shared by objects, units, levers, traps and flames.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"

namespace kelvarin {

class TMob;

using StringList = std::vector<std::string>;

// The kinds, in the order used everywhere: writer, tree, mass-change scan, identity search.
enum class ObjKind : int { Unit, Object, Lever, Trap, Flame, Particle1, Particle2, Particle3 };
inline constexpr int kObjKindCount = 8;
inline constexpr std::array<ObjKind, kObjKindCount> kAllObjKinds = {
    ObjKind::Unit,  ObjKind::Object,    ObjKind::Lever,     ObjKind::Trap,
    ObjKind::Flame, ObjKind::Particle1, ObjKind::Particle2, ObjKind::Particle3};

// Sub-block kind ids.
namespace kind_id {
inline constexpr std::uint32_t Unit = 0xBBBB0000;
inline constexpr std::uint32_t Object = 0x0000B001;
inline constexpr std::uint32_t Lever = 0xBBAC0000;
inline constexpr std::uint32_t Trap = 0xBBAB0000;
inline constexpr std::uint32_t Flame = 0xBBBF0000;
inline constexpr std::uint32_t Particle1 = 0x0000AA01;
inline constexpr std::uint32_t Particle2 = 0x0000CC01;
inline constexpr std::uint32_t Particle3 = 0x0000DD01;
}  // namespace kind_id

// Where a record reader reports problems. With `log` cleared (or no document)
// nothing is written. `ordinal` is the record's 1-based position among the records
// of its kind in the block, `fileOffset` the position of its sub-block in the file;
// both only serve the messages. A reader running beside others hands its lines to
// `held` instead, for its caller to log in file order.
struct TReadContext {
  TMob* mob = nullptr;
  bool log = false;
  std::uint32_t ordinal = 0;
  std::uint64_t fileOffset = 0;
  std::vector<std::string>* held = nullptr;
  void Log(const std::string& line) const;
};

// The 24 fields that plain objects consist of and that units, levers, traps and
// flames begin with.
struct TCommonObjFields {
  StringList BodyTextures;
  std::uint8_t PlayerNumber = 0;
  std::int32_t ObjectID = 0;
  std::int32_t ObjectType = 0;
  std::string ScriptVariableName;
  std::string ModelName;
  std::string Name2;
  std::string FirstTexture;
  std::string SecondTexture;
  std::string UnknownStr1;
  float LoadX = 0, LoadY = 0, LoadZ = 0;
  float RotationW = 0, RotationX = 0, RotationY = 0, RotationZ = 0;
  std::uint8_t IsQuestUnit = 0;
  std::uint8_t ShowShadow = 0;
  std::int32_t UncnDw2 = 0;
  std::string QuestLightStr;
  float ComplectionStrength = 0, ComplectionDex = 0, ComplectionTall = 0;

  // Size of the 17 common chunks (without any sub-block header).
  std::uint32_t CommonChunksSize() const;
  void WriteCommonChunks(TByteWriter& w) const;
  // Reads common chunks from data[0..size) in any order; unknown ids are stepped over.
  bool ReadCommonChunks(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx,
                        std::uint64_t offsetInFile);

  bool operator==(const TCommonObjFields&) const = default;
};

// A chunk kept whole, header included.
struct TRawBlock {
  Bytes Data;
  bool operator==(const TRawBlock&) const = default;
};

struct TTrapPoint3 {
  std::uint32_t A = 0, B = 0, C = 0;
  bool operator==(const TTrapPoint3&) const = default;
};
struct TTrapPoint2 {
  std::uint32_t A = 0, B = 0;
  bool operator==(const TTrapPoint2&) const = default;
};

struct TObjectObjBlock : TCommonObjFields {
  static constexpr ObjKind Kind = ObjKind::Object;
  static constexpr std::uint32_t KindId = kind_id::Object;
  std::int32_t Identity() const { return ObjectID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;  // appends the whole sub-block
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TObjectObjBlock&) const = default;
};

struct TUnitObjBlock : TCommonObjFields {
  static constexpr ObjKind Kind = ObjKind::Unit;
  static constexpr std::uint32_t KindId = kind_id::Unit;
  std::uint8_t UseMobInfo = 0;
  std::string Name1;
  StringList Armour;
  StringList Weapon;
  StringList Spell;
  std::int32_t UncnDw1 = 0;
  StringList Items;
  Bytes RawChunk;                 // chunk kRawChunkId kept whole; empty when absent
  std::vector<Bytes> ExtraBlocks; // chunks kExtraBlockId kept whole, in file order
  // A chunk of any other id in these fields would be stepped over when read back.
  static constexpr std::uint32_t kRawChunkId = 0xBBBB0004;
  static constexpr std::uint32_t kExtraBlockId = 0xBBBC0000;

  std::int32_t Identity() const { return ObjectID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TUnitObjBlock&) const = default;
};

struct TLeverObjBlock : TCommonObjFields {
  static constexpr ObjKind Kind = ObjKind::Lever;
  static constexpr std::uint32_t KindId = kind_id::Lever;
  std::int32_t AsOpen = 0;
  std::int32_t Key = 0;
  std::int32_t Sleigth = 0;
  std::uint8_t UncnByte2 = 0, UncnByte3 = 0, UncnByte4 = 0, UncnByte5 = 0, UncnByte6 = 0;

  std::int32_t Identity() const { return ObjectID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TLeverObjBlock&) const = default;
};

struct TTrapObjBlock : TCommonObjFields {
  static constexpr ObjKind Kind = ObjKind::Trap;
  static constexpr std::uint32_t KindId = kind_id::Trap;
  std::int32_t UnknDw1 = 0;
  std::string MagicStr;
  std::int32_t UnknDw2 = 0;
  std::uint8_t UnknByte1 = 0;
  std::vector<TTrapPoint3> TrapPoints1;
  std::vector<TTrapPoint2> TrapPoints2;

  std::int32_t Identity() const { return ObjectID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TTrapObjBlock&) const = default;
};

struct TFlameObjBlock : TCommonObjFields {
  static constexpr ObjKind Kind = ObjKind::Flame;
  static constexpr std::uint32_t KindId = kind_id::Flame;
  float CoordX = 0, CoordY = 0, CoordZ = 0;
  float FlameSize = 0;
  std::string SoundStr;

  std::int32_t Identity() const { return ObjectID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TFlameObjBlock&) const = default;
};

struct TParticle1ObjBlock {
  static constexpr ObjKind Kind = ObjKind::Particle1;
  static constexpr std::uint32_t KindId = kind_id::Particle1;
  std::int32_t ID = 0;
  std::uint8_t UnknByte1 = 0;
  float CoordX = 0, CoordY = 0, CoordZ = 0;
  float ColorR = 0, ColorG = 0, ColorB = 0;
  float ParticleSize = 0;
  std::string NameStr;
  std::string UnknStr1;

  std::int32_t Identity() const { return ID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TParticle1ObjBlock&) const = default;
};

struct TParticle2ObjBlock {
  static constexpr ObjKind Kind = ObjKind::Particle2;
  static constexpr std::uint32_t KindId = kind_id::Particle2;
  StringList SoundStr_s;
  std::int32_t ID = 0;
  float CoordX = 0, CoordY = 0, CoordZ = 0;
  std::int32_t UnknDW1 = 0;
  std::int32_t UnknDW2 = 0;
  std::string NameStr;
  std::string UnknStr1;
  std::int32_t UnknDW3 = 0;
  std::int32_t UnknDW4 = 0;
  std::uint8_t UnknByte1 = 0;
  std::uint8_t UnknByte2 = 0;

  std::int32_t Identity() const { return ID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TParticle2ObjBlock&) const = default;
};

struct TParticle3ObjBlock {
  static constexpr ObjKind Kind = ObjKind::Particle3;
  static constexpr std::uint32_t KindId = kind_id::Particle3;
  std::int32_t ID = 0;
  float CoordX = 0, CoordY = 0, CoordZ = 0;
  std::string NameStr;
  std::string UnknStr1;
  std::int32_t UnknDw1 = 0;
  float UnknFloat1 = 0;

  std::int32_t Identity() const { return ID; }
  std::uint32_t GetSize() const;
  void WriteRecord(Bytes& out) const;
  bool ReadRecord(const std::uint8_t* data, std::uint32_t size, const TReadContext& ctx);
  bool operator==(const TParticle3ObjBlock&) const = default;
};

// An object sub-block of a kind the program does not know, kept whole.
struct SUnknObjBlock {
  std::uint32_t Size = 0;
  Bytes Data;
  bool operator==(const SUnknObjBlock&) const = default;
};

// Record type by kind, for code that walks all eight lists generically.
template <ObjKind K> struct RecordOf;
template <> struct RecordOf<ObjKind::Unit> { using type = TUnitObjBlock; };
template <> struct RecordOf<ObjKind::Object> { using type = TObjectObjBlock; };
template <> struct RecordOf<ObjKind::Lever> { using type = TLeverObjBlock; };
template <> struct RecordOf<ObjKind::Trap> { using type = TTrapObjBlock; };
template <> struct RecordOf<ObjKind::Flame> { using type = TFlameObjBlock; };
template <> struct RecordOf<ObjKind::Particle1> { using type = TParticle1ObjBlock; };
template <> struct RecordOf<ObjKind::Particle2> { using type = TParticle2ObjBlock; };
template <> struct RecordOf<ObjKind::Particle3> { using type = TParticle3ObjBlock; };

// Calls f.template operator()<K>() for every kind, in list order.
template <class F> void ForEachObjKind(F&& f) {
  f.template operator()<ObjKind::Unit>();
  f.template operator()<ObjKind::Object>();
  f.template operator()<ObjKind::Lever>();
  f.template operator()<ObjKind::Trap>();
  f.template operator()<ObjKind::Flame>();
  f.template operator()<ObjKind::Particle1>();
  f.template operator()<ObjKind::Particle2>();
  f.template operator()<ObjKind::Particle3>();
}

// Whether the sub-block `data` (its whole `size`, header included) of `kind` is
// exactly what the writer makes of some record: the writer's chunks in the writer's
// order with the writer's sizes, nothing more. Such bytes read without a refusal and
// write back unchanged, so a load that keeps its records in the file image takes
// them as they stand instead of decoding and re-encoding each one.
bool InWrittenForm(ObjKind kind, const std::uint8_t* data, std::uint32_t size);

// The identity (ObjectID, or ID for particles) of a sub-block in the writer's own
// form (InWrittenForm holds), read where it stands without reading the record.
std::int32_t WrittenFormIdentity(ObjKind kind, const std::uint8_t* data, std::uint32_t size);

// The kind of a sub-block kind id; nullopt for an unknown kind.
inline std::optional<ObjKind> KindFromId(std::uint32_t id) {
  switch (id) {
    case kind_id::Unit: return ObjKind::Unit;
    case kind_id::Object: return ObjKind::Object;
    case kind_id::Lever: return ObjKind::Lever;
    case kind_id::Trap: return ObjKind::Trap;
    case kind_id::Flame: return ObjKind::Flame;
    case kind_id::Particle1: return ObjKind::Particle1;
    case kind_id::Particle2: return ObjKind::Particle2;
    case kind_id::Particle3: return ObjKind::Particle3;
    default: return std::nullopt;
  }
}

// The sub-block kind id of a kind.
inline constexpr std::uint32_t KindIdOf(ObjKind kind) {
  switch (kind) {
    case ObjKind::Unit: return kind_id::Unit;
    case ObjKind::Object: return kind_id::Object;
    case ObjKind::Lever: return kind_id::Lever;
    case ObjKind::Trap: return kind_id::Trap;
    case ObjKind::Flame: return kind_id::Flame;
    case ObjKind::Particle1: return kind_id::Particle1;
    case ObjKind::Particle2: return kind_id::Particle2;
    case ObjKind::Particle3: return kind_id::Particle3;
  }
  return 0;
}

// Kinds whose records carry the 24 common fields.
inline constexpr bool HasCommonFields(ObjKind k) {
  return k == ObjKind::Unit || k == ObjKind::Object || k == ObjKind::Lever ||
         k == ObjKind::Trap || k == ObjKind::Flame;
}

}  // namespace kelvarin
