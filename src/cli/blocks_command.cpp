// kelvarin-cli blocks FILE [--json]: the file's structure as the editor's Blocks
// page shows it: the main block's blocks in file order (number, type, kind, offset,
// size), the object block's records summed up per run of one kind with its unknown
// sub-blocks one by one, all at the places the file holds them, and the tail.
#include <CLI/CLI.hpp>

#include <iomanip>
#include <memory>
#include <optional>
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
  const std::optional<std::size_t> objectBlock = layout.ObjectBlockIndex();
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
    if (objectBlock == std::size_t(&block - layout.blocks.data())) {
      // Runs of records and unknown sub-blocks apart, each in file order.
      Json runs = Json::array(), unknown = Json::array();
      for (const TSubBlockPlace& sub : layout.subBlocks) {
        if (sub.unknown)
          unknown.push_back({{"index", sub.unknownIndex},
                             {"type", sub.type},
                             {"typeHex", BlockTypeHex(sub.type)},
                             {"offset", sub.offset},
                             {"size", sub.size}});
        else
          runs.push_back({{"kind", ObjKindKey(sub.kind)},
                          {"type", sub.type},
                          {"typeHex", BlockTypeHex(sub.type)},
                          {"count", sub.count},
                          {"offset", sub.offset},
                          {"bytes", sub.size}});
      }
      row["subBlocks"] = std::move(runs);
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
  const std::optional<std::size_t> objectBlock = layout.ObjectBlockIndex();
  for (const TBlockPlace& block : layout.blocks) {
    out << std::left << std::setw(5) << (block.kind == TBlockKind::Tail ? "" : std::to_string(block.number))
        << std::setw(26) << (block.kind == TBlockKind::Tail ? "" : TypeText(block.type)) << std::setw(20)
        << (std::string(KindKey(block.kind)) + (block.kind == TBlockKind::Tail ? "" : " block")) << std::right
        << std::setw(12) << block.offset << std::setw(12) << block.size << "\n";
    if (objectBlock != std::size_t(&block - layout.blocks.data())) continue;
    for (const TSubBlockPlace& sub : layout.subBlocks)
      out << "     " << std::left << std::setw(26) << TypeText(sub.type) << std::setw(20)
          << (sub.unknown ? std::string("unknown sub-block")
                          : std::string(ObjKindKey(sub.kind)) + " (" + std::to_string(sub.count) + ")")
          << std::right << std::setw(12) << sub.offset << std::setw(12) << sub.size << "\n";
  }
  out << "File size: " << layout.fileSize << " bytes, main block " << layout.mainBlockLength << " bytes\n";
}

int Blocks(const std::string& path, bool json, TCliIo& io) {
  // The table is the load's framing: no record needs decoding, and the records in
  // the writer's own form are not even read.
  if (!AcceptInput(path, TInputUse::Read, io)) return kExitFailed;
  TMob mob;
  mob.RecordsStayInImage = true;
  if (!mob.Load(path)) {
    io.err << mob.LogText;
    return kExitFailed;
  }
  const TBlockLayout& layout = mob.FileLayout;
  if (json)
    io.out << LayoutToJson(path, layout).dump(1) << "\n";
  else
    PrintLayout(io.out, layout);
  return kExitOk;
}

}  // namespace

void AddBlocksCommand(CLI::App& app, TCliIo& io, int& exitCode) {
  struct Args {
    std::string file;
    bool json = false;
  };
  auto args = std::make_shared<Args>();
  auto* blocks = app.add_subcommand(
      "blocks", "The file's blocks in file order: number, type, kind, offset and size, the object "
                "block's records per run of one kind, its unknown sub-blocks and the tail.");
  blocks->add_option("FILE", args->file, "The .mob file")->required();
  blocks->add_flag("--json", args->json, "Print the table as JSON");
  blocks->callback([args, &io, &exitCode] { exitCode = Blocks(args->file, args->json, io); });
}

}  // namespace kelvarin
