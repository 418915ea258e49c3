#include "mob/fields.h"

#include <array>

namespace kelvarin {
namespace {

#define KV_FIELD(R, name) FieldDesc<R>{#name, &R::name}

template <class R> constexpr auto CommonFieldsFor() {
  using C = TCommonObjFields;
  // Pointers to the common members, converted to members of R.
  return std::array<FieldDesc<R>, 24>{{
      {"BodyTextures", static_cast<StringList R::*>(&C::BodyTextures)},
      {"PlayerNumber", static_cast<std::uint8_t R::*>(&C::PlayerNumber)},
      {"ObjectID", static_cast<std::int32_t R::*>(&C::ObjectID)},
      {"ObjectType", static_cast<std::int32_t R::*>(&C::ObjectType)},
      {"ScriptVariableName", static_cast<std::string R::*>(&C::ScriptVariableName)},
      {"ModelName", static_cast<std::string R::*>(&C::ModelName)},
      {"Name2", static_cast<std::string R::*>(&C::Name2)},
      {"FirstTexture", static_cast<std::string R::*>(&C::FirstTexture)},
      {"SecondTexture", static_cast<std::string R::*>(&C::SecondTexture)},
      {"UnknownStr1", static_cast<std::string R::*>(&C::UnknownStr1)},
      {"LoadX", static_cast<float R::*>(&C::LoadX)},
      {"LoadY", static_cast<float R::*>(&C::LoadY)},
      {"LoadZ", static_cast<float R::*>(&C::LoadZ)},
      {"RotationW", static_cast<float R::*>(&C::RotationW)},
      {"RotationX", static_cast<float R::*>(&C::RotationX)},
      {"RotationY", static_cast<float R::*>(&C::RotationY)},
      {"RotationZ", static_cast<float R::*>(&C::RotationZ)},
      {"IsQuestUnit", static_cast<std::uint8_t R::*>(&C::IsQuestUnit)},
      {"ShowShadow", static_cast<std::uint8_t R::*>(&C::ShowShadow)},
      {"UncnDw2", static_cast<std::int32_t R::*>(&C::UncnDw2)},
      {"QuestLightStr", static_cast<std::string R::*>(&C::QuestLightStr)},
      {"ComplectionStrength", static_cast<float R::*>(&C::ComplectionStrength)},
      {"ComplectionDex", static_cast<float R::*>(&C::ComplectionDex)},
      {"ComplectionTall", static_cast<float R::*>(&C::ComplectionTall)},
  }};
}

template <class R, std::size_t N> constexpr auto WithCommon(const std::array<FieldDesc<R>, N>& own) {
  std::array<FieldDesc<R>, N + 24> all{};
  const auto common = CommonFieldsFor<R>();
  for (std::size_t i = 0; i < N; ++i) all[i] = own[i];
  for (std::size_t i = 0; i < 24; ++i) all[N + i] = common[i];
  return all;
}

using U = TUnitObjBlock;
constexpr auto kUnitFields = WithCommon<U, 9>({{
    KV_FIELD(U, UseMobInfo), KV_FIELD(U, Name1), KV_FIELD(U, Armour), KV_FIELD(U, Weapon),
    KV_FIELD(U, Spell), KV_FIELD(U, UncnDw1), KV_FIELD(U, Items), KV_FIELD(U, RawChunk),
    KV_FIELD(U, ExtraBlocks),
}});

constexpr auto kObjectFields = CommonFieldsFor<TObjectObjBlock>();

using L = TLeverObjBlock;
constexpr auto kLeverFields = WithCommon<L, 8>({{
    KV_FIELD(L, AsOpen), KV_FIELD(L, Key), KV_FIELD(L, Sleigth), KV_FIELD(L, UncnByte2),
    KV_FIELD(L, UncnByte3), KV_FIELD(L, UncnByte4), KV_FIELD(L, UncnByte5), KV_FIELD(L, UncnByte6),
}});

using T = TTrapObjBlock;
constexpr auto kTrapFields = WithCommon<T, 6>({{
    KV_FIELD(T, UnknDw1), KV_FIELD(T, MagicStr), KV_FIELD(T, UnknDw2), KV_FIELD(T, UnknByte1),
    KV_FIELD(T, TrapPoints1), KV_FIELD(T, TrapPoints2),
}});

using F = TFlameObjBlock;
constexpr auto kFlameFields = WithCommon<F, 5>({{
    KV_FIELD(F, CoordX), KV_FIELD(F, CoordY), KV_FIELD(F, CoordZ), KV_FIELD(F, FlameSize),
    KV_FIELD(F, SoundStr),
}});

using P1 = TParticle1ObjBlock;
constexpr std::array<FieldDesc<P1>, 11> kParticle1Fields = {{
    KV_FIELD(P1, ID), KV_FIELD(P1, UnknByte1), KV_FIELD(P1, CoordX), KV_FIELD(P1, CoordY),
    KV_FIELD(P1, CoordZ), KV_FIELD(P1, ColorR), KV_FIELD(P1, ColorG), KV_FIELD(P1, ColorB),
    KV_FIELD(P1, ParticleSize), KV_FIELD(P1, NameStr), KV_FIELD(P1, UnknStr1),
}};

using P2 = TParticle2ObjBlock;
constexpr std::array<FieldDesc<P2>, 13> kParticle2Fields = {{
    KV_FIELD(P2, SoundStr_s), KV_FIELD(P2, ID), KV_FIELD(P2, CoordX), KV_FIELD(P2, CoordY),
    KV_FIELD(P2, CoordZ), KV_FIELD(P2, UnknDW1), KV_FIELD(P2, UnknDW2), KV_FIELD(P2, NameStr),
    KV_FIELD(P2, UnknStr1), KV_FIELD(P2, UnknDW3), KV_FIELD(P2, UnknDW4), KV_FIELD(P2, UnknByte1),
    KV_FIELD(P2, UnknByte2),
}};

using P3 = TParticle3ObjBlock;
constexpr std::array<FieldDesc<P3>, 8> kParticle3Fields = {{
    KV_FIELD(P3, ID), KV_FIELD(P3, CoordX), KV_FIELD(P3, CoordY), KV_FIELD(P3, CoordZ),
    KV_FIELD(P3, NameStr), KV_FIELD(P3, UnknStr1), KV_FIELD(P3, UnknDw1), KV_FIELD(P3, UnknFloat1),
}};

constexpr auto kCommonFields = CommonFieldsFor<TCommonObjFields>();

#undef KV_FIELD

}  // namespace

template <> std::span<const FieldDesc<TUnitObjBlock>> FieldsOf() { return kUnitFields; }
template <> std::span<const FieldDesc<TObjectObjBlock>> FieldsOf() { return kObjectFields; }
template <> std::span<const FieldDesc<TLeverObjBlock>> FieldsOf() { return kLeverFields; }
template <> std::span<const FieldDesc<TTrapObjBlock>> FieldsOf() { return kTrapFields; }
template <> std::span<const FieldDesc<TFlameObjBlock>> FieldsOf() { return kFlameFields; }
template <> std::span<const FieldDesc<TParticle1ObjBlock>> FieldsOf() { return kParticle1Fields; }
template <> std::span<const FieldDesc<TParticle2ObjBlock>> FieldsOf() { return kParticle2Fields; }
template <> std::span<const FieldDesc<TParticle3ObjBlock>> FieldsOf() { return kParticle3Fields; }

std::span<const FieldDesc<TCommonObjFields>> CommonFields() { return kCommonFields; }

}  // namespace kelvarin
