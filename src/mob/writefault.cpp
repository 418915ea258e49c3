#include "mob/writefault.h"

#include "mob/blocklayout.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// A block, sub-block or chunk kept whole frames itself: the reader finds the next
// one by its size field.
bool Framed(const Bytes& data) { return data.size() >= 8 && ReadU32(data.data() + 4) == data.size(); }

std::optional<TWriteFault::Why> KeptFault(const Bytes& data, bool typeTaken) {
  if (!Framed(data)) return TWriteFault::Why::Unframed;
  if (typeTaken) return TWriteFault::Why::WrongType;
  return std::nullopt;
}

}  // namespace

std::optional<TWriteFault> FindWriteFault(const TMob& mob) {
  using W = TWriteFault::Where;
  if (mob.MobKind != "QuestMob" && mob.MobKind != "ZonalMob") return TWriteFault{W::ZoneKind};
  if (BlockWriteOrder(mob).empty()) return TWriteFault{W::NoBlock};
  for (std::size_t i = 0; i < mob.UnknownBlocks.size(); ++i) {
    const Bytes& data = mob.UnknownBlocks[i].Data;
    const std::uint32_t type = data.size() >= 4 ? ReadU32(data.data()) : 0;
    if (const auto why = KeptFault(data, type == kScriptBlockType || type == kObjectBlockType))
      return TWriteFault{W::UnknownBlock, *why, i};
  }
  for (std::size_t i = 0; i < mob.UnknownObjectBlocks.size(); ++i) {
    const Bytes& data = mob.UnknownObjectBlocks[i].Data;
    if (const auto why = KeptFault(data, data.size() >= 4 && KindFromId(ReadU32(data.data()))))
      return TWriteFault{W::UnknownSubBlock, *why, i};
  }
  const auto otherId = [](const Bytes& chunk, std::uint32_t id) { return chunk.size() >= 4 && ReadU32(chunk.data()) != id; };
  for (std::size_t i = 0; i < mob.Units.size(); ++i) {
    const TUnitObjBlock& unit = mob.Units[i];
    if (!unit.RawChunk.empty())
      if (const auto why = KeptFault(unit.RawChunk, otherId(unit.RawChunk, TUnitObjBlock::kRawChunkId)))
        return TWriteFault{W::UnitChunk, *why, i, -1};
    for (std::size_t k = 0; k < unit.ExtraBlocks.size(); ++k)
      if (const auto why = KeptFault(unit.ExtraBlocks[k], otherId(unit.ExtraBlocks[k], TUnitObjBlock::kExtraBlockId)))
        return TWriteFault{W::UnitChunk, *why, i, std::ptrdiff_t(k)};
  }
  return std::nullopt;
}

std::string WriteFaultLine(const TMob& mob, const TWriteFault& fault) {
  const std::string unloadable = " - такой файл не загрузится.";
  const bool unframed = fault.why == TWriteFault::Why::Unframed;
  const std::string number = std::to_string(fault.index + 1);
  switch (fault.where) {
    case TWriteFault::Where::ZoneKind:
      return "Моб не помечен ни как квестовый, ни как зональный" + unloadable;
    case TWriteFault::Where::NoBlock:
      return "В мобе нет ни одного блока после флагового" + unloadable;
    case TWriteFault::Where::UnknownBlock:
      return "Неизвестный блок под номером " + std::to_string(mob.UnknownBlocks[fault.index].Number) + " " +
             (unframed ? "не целый блок: его длина не равна полю размера" : "имеет тип блока скрипта или объектов") +
             unloadable;
    case TWriteFault::Where::UnknownSubBlock:
      return "Неизвестный объект № " + number + " " +
             (unframed ? "не целый: его длина не равна полю размера" : "имеет тип известного объекта") + unloadable;
    case TWriteFault::Where::UnitChunk:
      return "В юните № " + number + " " + (fault.chunk < 0 ? "сырой кусок" : "дополнительный блок № " + std::to_string(fault.chunk + 1)) +
             " " + (unframed ? "не целый: его длина не равна полю размера" : "имеет чужой идентификатор") + unloadable;
  }
  return {};
}

}  // namespace kelvarin
