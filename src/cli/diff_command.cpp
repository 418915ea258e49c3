// kelvarin-cli diff, textconv and merge: zones compared and merged record by
// record and field by field, for people and for version control. diff and merge
// answer as `diff` and merge drivers do: 0 the same / merged cleanly, 1 different
// / conflicts, 2 trouble.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "cli/cliio.h"
#include "cli/inplaceflag.h"
#include "cli/jsondoc.h"
#include "common/cp1251.h"
#include "common/filesystem.h"
#include "common/hex.h"
#include "diff/valuetext.h"
#include "diff/zonediff.h"
#include "diff/zonemerge.h"
#include "diff/zonetext.h"
#include "mob/filelog.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

constexpr int kExitDiffers = 1;
constexpr int kExitTrouble = 2;

// Loads a zone for comparing: its records stay in the file image, mapped, and are
// decoded only where they differ.
bool LoadForComparing(TMob& mob, const std::string& path, TCliIo& io, TInputUse use = TInputUse::Read) {
  if (!AcceptInput(path, use, io)) return false;
  mob.RecordsStayInImage = true;
  if (mob.Load(path)) return true;
  io.err << mob.LogText;
  return false;
}

// A file changed or cut short while it was read: what was compared is not the file.
bool ReadWhole(const TMob& mob, const std::string& path, TCliIo& io) {
  if (mob.KeptImageIntact()) return true;
  io.err << path << ": " << mob.KeptImageLostLine() << "\n";
  return false;
}

// ---- JSON -------------------------------------------------------------------

Json ValueToJson(const TFieldValue& value) {
  return std::visit(
      [](const auto& v) -> Json {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::uint8_t> || std::is_same_v<V, std::int32_t>) {
          return v;
        } else if constexpr (std::is_same_v<V, float>) {
          return FloatValueText(v);
        } else if constexpr (std::is_same_v<V, std::string>) {
          return Cp1251ToUtf8(v);
        } else if constexpr (std::is_same_v<V, StringList>) {
          Json list = Json::array();
          for (const auto& s : v) list.push_back(Cp1251ToUtf8(s));
          return list;
        } else if constexpr (std::is_same_v<V, Bytes>) {
          return ToHex(v);
        } else if constexpr (std::is_same_v<V, std::vector<Bytes>>) {
          Json list = Json::array();
          for (const auto& b : v) list.push_back(ToHex(b));
          return list;
        } else if constexpr (std::is_same_v<V, std::vector<TTrapPoint3>>) {
          Json list = Json::array();
          for (const auto& p : v) list.push_back({p.A, p.B, p.C});
          return list;
        } else {
          Json list = Json::array();
          for (const auto& p : v) list.push_back({p.A, p.B});
          return list;
        }
      },
      value);
}

Json BlockSideToJson(const TBlockDiff& d, const TBlockDiff::Side& side) {
  if (!side.present) return nullptr;
  Json j = Json::object();
  if (d.HasNumber()) j["number"] = side.number;
  if (d.HasType()) j["type"] = side.type;
  j["size"] = side.size;
  return j;
}

Json OptionalIndex(const std::optional<std::size_t>& index) { return index ? Json(*index) : Json(nullptr); }

Json DiffToJson(const TZoneDiff& diff, const std::string& a, const std::string& b) {
  Json blocks = Json::array();
  for (const TBlockDiff& d : diff.blocks) {
    Json j = {{"block", BlockDiffKey(d.block)}};
    if (d.HasOrdinal()) j["index"] = d.ordinal;
    j["a"] = BlockSideToJson(d, d.a);
    j["b"] = BlockSideToJson(d, d.b);
    j["first_difference"] = d.firstDifference ? Json(*d.firstDifference) : Json(nullptr);
    blocks.push_back(std::move(j));
  }
  Json records = Json::array();
  for (const TRecordDiff& d : diff.records) {
    Json fields = Json::array();
    for (const TFieldChange& f : d.fields)
      fields.push_back({{"field", f.field}, {"a", ValueToJson(f.a)}, {"b", ValueToJson(f.b)}});
    records.push_back({{"kind", ObjKindKey(d.kind)},
                       {"id", d.identity},
                       {"occurrence", d.occurrence},
                       {"change", RecordChangeKey(d)},
                       {"moved", d.moved},
                       {"index_a", OptionalIndex(d.indexA)},
                       {"index_b", OptionalIndex(d.indexB)},
                       {"fields", std::move(fields)}});
  }
  const TScriptDiff& s = diff.script;
  Json hunks = Json::array();
  for (const TDiffHunk& h : s.hunks) {
    Json lines = Json::array();
    for (const TDiffLine& line : h.lines) lines.push_back(line.op + Cp1251ToUtf8(LineWithoutEnd(line.text)));
    hunks.push_back({{"a_start", h.aStart},
                     {"a_lines", h.aCount},
                     {"b_start", h.bStart},
                     {"b_lines", h.bCount},
                     {"lines", std::move(lines)}});
  }
  const auto scriptSide = [](bool present, std::uint32_t key) {
    return present ? Json{{"key", key}} : Json(nullptr);
  };
  return {{"a", a},
          {"b", b},
          {"same", diff.SameContent()},
          {"layout_differs", diff.layoutDiffers},
          {"blocks", std::move(blocks)},
          {"records", std::move(records)},
          {"script", {{"a", scriptSide(s.presentA, s.keyA)}, {"b", scriptSide(s.presentB, s.keyB)}, {"hunks", std::move(hunks)}}}};
}

const char* PlaceKey(TMergeConflict::Place place) {
  switch (place) {
    case TMergeConflict::Place::Flag: return "flag";
    case TMergeConflict::Place::ObjectBlock: return "object-block";
    case TMergeConflict::Place::UnknownBlocks: return "unknown";
    case TMergeConflict::Place::UnknownObjectBlocks: return "unknown-object";
    case TMergeConflict::Place::Tail: return "tail";
    case TMergeConflict::Place::ScriptBlock: return "script-block";
    case TMergeConflict::Place::ScriptKey: return "script-key";
    case TMergeConflict::Place::ScriptLines: return "script";
    case TMergeConflict::Place::Record: return "record";
  }
  return "";
}

const char* ConflictKindKey(TMergeConflict::Kind kind) {
  switch (kind) {
    case TMergeConflict::Kind::Values: return "values";
    case TMergeConflict::Kind::RemovedByOurs: return "removed-by-ours";
    case TMergeConflict::Kind::RemovedByTheirs: return "removed-by-theirs";
  }
  return "";
}

Json MergeToJson(const TZoneMerge& merge, const std::string& out) {
  Json conflicts = Json::array();
  for (const TMergeConflict& c : merge.conflicts) {
    Json j = {{"place", PlaceKey(c.place)}, {"conflict", ConflictKindKey(c.kind)}};
    if (c.ordinal) j["index"] = *c.ordinal;
    if (c.place == TMergeConflict::Place::Record) {
      j["kind"] = ObjKindKey(c.recordKind);
      j["id"] = c.identity;
      j["occurrence"] = c.occurrence;
      j["field"] = c.field.empty() ? Json(nullptr) : Json(c.field);
    }
    if (c.place == TMergeConflict::Place::ScriptLines) {
      const auto range = [](std::size_t start, std::size_t count) {
        return Json{{"start", start + 1}, {"lines", count}};
      };
      j["base"] = range(c.lines.baseStart, c.lines.baseCount);
      j["ours"] = range(c.lines.oursStart, c.lines.oursCount);
      j["theirs"] = range(c.lines.theirsStart, c.lines.theirsCount);
    } else if (c.kind == TMergeConflict::Kind::Values) {
      j["base"] = Cp1251ToUtf8(c.base);
      j["ours"] = Cp1251ToUtf8(c.ours);
      j["theirs"] = Cp1251ToUtf8(c.theirs);
    }
    conflicts.push_back(std::move(j));
  }
  Json renumbered = Json::array();
  for (const TRenumbered& r : merge.renumbered)
    renumbered.push_back({{"kind", ObjKindKey(r.kind)}, {"index", r.index}, {"from", r.from}, {"to", r.to}});
  return {{"output", out}, {"conflicts", std::move(conflicts)}, {"renumbered", std::move(renumbered)}};
}

// ---- commands ---------------------------------------------------------------

int Diff(const std::string& pathA, const std::string& pathB, bool json, TCliIo& io) {
  TMob a, b;
  if (!LoadForComparing(a, pathA, io) || !LoadForComparing(b, pathB, io)) return kExitTrouble;
  const TZoneDiff diff = DiffZones(a, b);
  if (!ReadWhole(a, pathA, io) || !ReadWhole(b, pathB, io)) return kExitTrouble;
  if (json)
    io.out << DiffToJson(diff, pathA, pathB).dump(1) << "\n";
  else {
    // The text is code page 1251 until it is printed; a path that 1251 cannot hold
    // heads the script's diff by its letter instead.
    const auto nameA = Utf8ToCp1251(pathA), nameB = Utf8ToCp1251(pathB);
    io.out << Cp1251ToUtf8(ZoneDiffText(diff, nameA && nameB ? *nameA : "A", nameA && nameB ? *nameB : "B"));
  }
  return diff.SameContent() ? kExitOk : kExitDiffers;
}

int TextConv(const std::string& path, TCliIo& io) {
  TMob mob;
  if (!LoadForComparing(mob, path, io)) return kExitFailed;
  WriteZoneText(mob, [&](std::string_view text) { io.out << Cp1251ToUtf8(text); });
  return ReadWhole(mob, path, io) ? kExitOk : kExitFailed;
}

int Merge(const std::string& basePath, const std::string& oursPath, const std::string& theirsPath,
          std::string outPath, const std::string& conflictsPath, TCliIo& io) {
  if (outPath.empty()) outPath = oursPath;
  TMob base, ours, theirs, result;
  const TInputUse oursUse = outPath == oursPath ? TInputUse::Rewritten : TInputUse::Read;
  if (!LoadForComparing(base, basePath, io) || !LoadForComparing(ours, oursPath, io, oursUse) ||
      !LoadForComparing(theirs, theirsPath, io))
    return kExitTrouble;
  const TZoneMerge merge = MergeZones(base, ours, theirs, result);
  if (!ReadWhole(base, basePath, io) || !ReadWhole(ours, oursPath, io) || !ReadWhole(theirs, theirsPath, io))
    return kExitTrouble;
  if (merge.identitiesExhausted) {
    io.err << "merge: a record theirs added carries an identity ours added too, and no free identity is "
              "left to give it; nothing was written\n";
    return kExitTrouble;
  }
  for (const TRenumbered& r : merge.renumbered) io.err << Cp1251ToUtf8(RenumberedText(r)) << "\n";
  for (const TMergeConflict& c : merge.conflicts) io.err << Cp1251ToUtf8(MergeConflictText(c)) << "\n";
  if (!conflictsPath.empty()) {
    const std::string text = MergeToJson(merge, outPath).dump(1) + "\n";
    const TWriteResult written = WriteFileAtomically(Files(), conflictsPath, Bytes(text.begin(), text.end()));
    if (!written.ok()) {
      io.err << conflictsPath << ": cannot be written: " << WriteFailureText(written) << "\n";
      return kExitTrouble;
    }
  }
  if (!result.Save(outPath)) {
    io.err << result.LogText;
    return kExitTrouble;
  }
  if (!merge.conflicts.empty())
    io.err << merge.conflicts.size() << (merge.conflicts.size() == 1 ? " conflict" : " conflicts")
           << "; ours' values were kept in " << outPath << "\n";
  return merge.conflicts.empty() ? kExitOk : kExitDiffers;
}

}  // namespace

void AddDiffCommands(CLI::App& app, TCliIo& io, int& exitCode) {
  struct Args {
    std::string a, b, c, out, conflicts;
    bool json = false;
  };
  auto args = std::make_shared<Args>();

  auto* diff = app.add_subcommand(
      "diff", "What changed from A to B, field by field. Exit code 0: the same content, 1: they differ, "
              "2: trouble (a file that cannot be read, a bad command line).");
  diff->add_option("A", args->a, "The .mob file changed from")->required();
  diff->add_option("B", args->b, "The .mob file changed to")->required();
  diff->add_flag("--json", args->json, "Print the differences as JSON");
  diff->callback([args, &io, &exitCode] {
    io.failedExit = kExitTrouble;
    exitCode = Diff(args->a, args->b, args->json, io);
  });

  auto* textconv = app.add_subcommand(
      "textconv", "The zone as stable text, one field a line, for version control to compare.");
  textconv->add_option("FILE", args->a, "The .mob file")->required();
  textconv->callback([args, &io, &exitCode] { exitCode = TextConv(args->a, io); });

  auto* merge = app.add_subcommand(
      "merge", "Three-way merge of zones, field by field (a merge driver for version control: %O %A %B). "
               "Exit code 0: merged cleanly, 1: conflicts (ours' values kept, each listed on stderr), "
               "2: trouble; nothing is written then.");
  merge->add_option("BASE", args->a, "The common ancestor")->required();
  merge->add_option("OURS", args->b, "Our version; the result replaces it unless -o is given")->required();
  merge->add_option("THEIRS", args->c, "Their version")->required();
  merge->add_option("-o,--output", args->out, "Write the result here instead of to OURS");
  merge->add_option("--conflicts", args->conflicts, "Also write the conflicts to this JSON file");
  AddInPlaceFlag(*merge);
  merge->callback([args, &io, &exitCode] {
    io.failedExit = kExitTrouble;
    exitCode = Merge(args->a, args->b, args->c, args->out, args->conflicts, io);
  });
}

}  // namespace kelvarin
