// kelvarin-cli blocks FILE [--json]: the file's structure as the editor's Blocks
// page shows it: the main block's blocks in file order (number, type, kind, offset,
// size), the object block's records summed up per kind with its unknown sub-blocks
// one by one, and the tail.
#include <CLI/CLI.hpp>

#include <iomanip>
#include <memory>
#include <ostream>

#include "blocks/core/blockreplace.h"
#include "cli/cliio.h"
#include "cli/jsondoc.h"
#include "mob/blocklayout.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

const char* KindKey(TBlockKind kind) {
  switch (kind) {
    case TBlockKind::Flag: return "flag";
    case TBlockKind::Script: return "script";
    case TBlockKind::Object: return "object";
    case TBlockKind::Unknown: return "unknown";
    case TBlockKind::Tail: return "tail";
  }
  return "";
}


Json LayoutToJson(const std::string& path, const TBlockLayout& layout) {
  Json blocks = Json::array();
  for (const TBlockPlace& block : layout.blocks) {
    Json row;
    if (block.kind == TBlockKind::Tail) {
      row["number"] = nullptr;
      row["kind"] = KindKey(block.kind);
      row["type"] = nullptr;
      row["typeHex"] = nullptr;
    } else {
      row["number"] = block.number;
      row["kind"] = KindKey(block.kind);
      row["type"] = block.type;
      row["typeHex"] = BlockTypeHex(block.type);
    }
    row["offset"] = block.offset;
    row["size"] = block.size;
    if (block.kind == TBlockKind::Object) {
      Json groups = Json::array();
      for (const TSubBlockGroup& group : layout.groups)
        groups.push_back({{"kind", ObjKindKey(group.kind)},
                          {"type", KindIdOf(group.kind)},
                          {"typeHex", BlockTypeHex(KindIdOf(group.kind))},
                          {"count", group.count},
                          {"offset", group.offset},
                          {"bytes", group.bytes}});
      row["subBlocks"] = std::move(groups);
      Json unknown = Json::array();
      for (const TUnknownSubBlockPlace& sub : layout.unknownSubBlocks)
        unknown.push_back({{"index", sub.index},
                           {"type", sub.type},
                           {"typeHex", BlockTypeHex(sub.type)},
                           {"offset", sub.offset},
                           {"size", sub.size}});
      row["unknownSubBlocks"] = std::move(unknown);
    }
    blocks.push_back(std::move(row));
  }
  Json out;
  out["file"] = path;
  out["fileSize"] = layout.fileSize;
  out["mainBlockLength"] = layout.mainBlockLength;
  out["blocks"] = std::move(blocks);
  return out;
}

std::string TypeText(std::uint32_t type) {
  return BlockTypeHex(type) + " (" + std::to_string(type) + ")";
}

void PrintLayout(std::ostream& out, const TBlockLayout& layout) {
  out << std::left << std::setw(5) << "#" << std::setw(26) << "type" << std::setw(20) << "kind"
      << std::right << std::setw(12) << "offset" << std::setw(12) << "size" << "\n";
  for (const TBlockPlace& block : layout.blocks) {
    out << std::left << std::setw(5) << (block.kind == TBlockKind::Tail ? "" : std::to_string(block.number))
        << std::setw(26) << (block.kind == TBlockKind::Tail ? "" : TypeText(block.type)) << std::setw(20)
        << (std::string(KindKey(block.kind)) + (block.kind == TBlockKind::Tail ? "" : " block")) << std::right
        << std::setw(12) << block.offset << std::setw(12) << block.size << "\n";
    if (block.kind != TBlockKind::Object) continue;
    for (const TSubBlockGroup& group : layout.groups)
      out << "     " << std::left << std::setw(26) << TypeText(KindIdOf(group.kind)) << std::setw(20)
          << (std::string(ObjKindKey(group.kind)) + " (" + std::to_string(group.count) + ")") << std::right
          << std::setw(12) << group.offset << std::setw(12) << group.bytes << "\n";
    for (const TUnknownSubBlockPlace& sub : layout.unknownSubBlocks)
      out << "     " << std::left << std::setw(26) << TypeText(sub.type) << std::setw(20) << "unknown sub-block"
          << std::right << std::setw(12) << sub.offset << std::setw(12) << sub.size << "\n";
  }
  out << "File size: " << layout.fileSize << " bytes, main block " << layout.mainBlockLength << " bytes\n";
}

int Blocks(const std::string& path, bool json, CliIo& io) {
  TMob mob;
  if (!mob.Load(path)) {
    io.err << mob.LogText;
    return kExitFailed;
  }
  const TBlockLayout layout = MobBlockLayout(mob);
  if (json)
    io.out << LayoutToJson(path, layout).dump(1) << "\n";
  else
    PrintLayout(io.out, layout);
  return kExitOk;
}

}  // namespace

void AddBlocksCommand(CLI::App& app, CliIo& io, int& exitCode) {
  struct Args {
    std::string file;
    bool json = false;
  };
  auto args = std::make_shared<Args>();
  auto* blocks = app.add_subcommand(
      "blocks", "The file's blocks in file order: number, type, kind, offset and size, the object "
                "block's records per kind, its unknown sub-blocks and the tail.");
  blocks->add_option("FILE", args->file, "The .mob file")->required();
  blocks->add_flag("--json", args->json, "Print the table as JSON");
  blocks->callback([args, &io, &exitCode] { exitCode = Blocks(args->file, args->json, io); });
}

}  // namespace kelvarin
