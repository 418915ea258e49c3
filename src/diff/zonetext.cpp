#include "diff/zonetext.h"

#include <cstdio>
#include <string>
#include <unordered_map>

#include "common/hex.h"
#include "diff/linediff.h"
#include "diff/valuetext.h"
#include "diff/zonediff.h"
#include "mob/blocklayout.h"
#include "mob/fields.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

constexpr std::size_t kFlushAt = 256 * 1024;

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Sixteen bytes a line, each line led by its offset.
void HexLines(const Bytes& bytes, std::string& out) {
  for (std::size_t at = 0; at < bytes.size(); at += 16) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "  %08zX ", at);
    out += offset;
    out += ToHex(bytes.data() + at, std::min<std::size_t>(16, bytes.size() - at));
    out += "\n";
  }
}

template <class R> void RecordLines(const R& record, std::uint32_t occurrence, std::string& out) {
  out += RecordLabel(R::Kind, record.Identity(), occurrence);
  out += "\n";
  for (const auto& field : FieldsOf<R>()) {
    out += "  ";
    out += field.name;
    out += " = ";
    out += std::visit([&](auto member) { return FieldValueText(TFieldValue(record.*member)); }, field.member);
    out += "\n";
  }
}

}  // namespace

void WriteZoneText(const TMob& mob, const std::function<void(std::string_view)>& out) {
  std::string text = "zone " + mob.MobKind + "\n";
  const auto flushIfLarge = [&] {
    if (text.size() < kFlushAt) return;
    out(text);
    text.clear();
  };
  for (const TWrittenBlock& block : BlockWriteOrder(mob)) {
    text += "block " + std::to_string(block.number) + ": ";
    switch (block.kind) {
      case TBlockKind::Script:
        text += "script, key " + std::to_string(TMob::WrittenScriptKey(mob.ScriptKey)) + "\n";
        break;
      case TBlockKind::Object: text += "objects\n"; break;
      default: {
        const Bytes& data = mob.UnknownBlocks[block.unknownIndex].Data;
        text += "unknown, type " + Hex32(data.size() >= 4 ? ReadU32(data.data()) : 0) + ", " +
                std::to_string(data.size()) + " bytes\n";
        HexLines(data, text);
      }
    }
    flushIfLarge();
  }

  mob.ForEachList([&](const auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    std::unordered_map<std::int32_t, std::uint32_t> seen;
    mob.ForEachRecordOf<R>([&](const R& record) {
      RecordLines(record, seen[record.Identity()]++, text);
      flushIfLarge();
    });
  });

  for (std::size_t i = 0; i < mob.UnknownObjectBlocks.size(); ++i) {
    const Bytes& data = mob.UnknownObjectBlocks[i].Data;
    text += "unknown object sub-block " + std::to_string(i) + ", type " +
            Hex32(data.size() >= 4 ? ReadU32(data.data()) : 0) + ", " + std::to_string(data.size()) + " bytes\n";
    HexLines(data, text);
    flushIfLarge();
  }
  if (!mob.Tail.empty()) {
    text += "tail, " + std::to_string(mob.Tail.size()) + " bytes\n";
    HexLines(mob.Tail, text);
  }
  if (mob.HasScript) {
    text += "script\n";
    for (std::string_view line : SplitLinesKeepingEnds(mob.ScriptText)) {
      text += LineWithoutEnd(line);
      text += "\n";
      flushIfLarge();
    }
  }
  out(text);
}

}  // namespace kelvarin
