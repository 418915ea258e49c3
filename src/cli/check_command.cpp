// kelvarin-cli check FILE [--json]: the editor's zone check without the editor.
// Findings go to stdout, one per line or as one JSON document; the exit code says
// whether any of them is an error, so a modding team's CI can stop on it.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "check/zonecheck.h"
#include "cli/cliio.h"
#include "cli/jsondoc.h"
#include "mob/kindnames.h"
#include "mob/recordrules.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

const char* SeverityName(TCheckSeverity severity) {
  return severity == TCheckSeverity::Error ? "error" : "warning";
}

// One finding as an item of the "findings" array, laid out as a whole document
// dumped with an indent of one lays it out.
void AppendFindingJson(const TMob& mob, const TZoneCheck& check, const TCheckFinding& f, std::string& out) {
  TJsonFlatObject item(out, 2);
  item.Member("severity", SeverityName(f.Severity()));
  item.Member("code", f.Code());
  item.Member("message", check.Message(f));
  if (const auto* place = std::get_if<TScriptPlace>(&f.place)) {
    item.Member("place", "script");
    item.Member("line", place->line);
    item.Member("column", place->column);
  } else {
    const TObjRef& ref = std::get<TObjRef>(f.place);
    item.Member("place", "record");
    item.Member("kind", ObjKindKey(ref.kind));
    item.Member("index", ref.index);
    item.Member("id", IdentityOf(mob, ref));
  }
  if (f.omitted > 0) item.Member("omitted", f.omitted);
  item.End();
}

// The shape is stable (documented in the README): new keys may be added, none
// is renamed or dropped. The totals come before the findings, so the check runs
// twice: once to count, once to write finding by finding.
TCheckTotals WriteFindingsJson(const TMob& mob, const std::string& path, const TZoneCheck& check, std::ostream& out) {
  const TCheckTotals totals = check.Count();
  TJsonDocumentWriter w(out);
  w.Member("file", path);
  w.Member("errors", totals.errors);
  w.Member("warnings", totals.warnings);
  std::string item;
  w.Array("findings", [&](const auto& emit) {
    check.Run([&](const TCheckFinding& f) {
      item.clear();
      AppendFindingJson(mob, check, f, item);
      emit(TJsonText{item});
    });
  });
  w.End();
  out << "\n";
  return totals;
}

// FILE:LINE:COLUMN: or FILE: KIND[INDEX]:, then the severity, the code and the message.
TCheckTotals PrintFindings(const std::string& path, const TZoneCheck& check, std::ostream& out) {
  TCheckTotals totals;
  std::string line;
  check.Run([&](const TCheckFinding& f) {
    totals.Add(f);
    line = path + ":";
    if (const auto* place = std::get_if<TScriptPlace>(&f.place)) {
      line += std::to_string(place->line) + ":" + std::to_string(place->column) + ":";
    } else {
      const TObjRef& ref = std::get<TObjRef>(f.place);
      line += std::string(" ") + ObjKindKey(ref.kind) + "[" + std::to_string(ref.index) + "]:";
    }
    line += std::string(" ") + SeverityName(f.Severity()) + " [";
    line += f.Code();
    line += "] " + check.Message(f) + "\n";
    out << line;
  });
  out << totals.errors << (totals.errors == 1 ? " error, " : " errors, ") << totals.warnings
      << (totals.warnings == 1 ? " warning\n" : " warnings\n");
  return totals;
}

int RunCheckCommand(const std::string& path, bool json, TCliIo& io) {
  if (!AcceptInput(path, TInputUse::Read, io)) return kExitFailed;
  // The records stay in the file image, mapped, and are read one at a time as
  // the check walks them: memory follows the file, not its decoded records.
  TMob mob;
  mob.RecordsStayInImage = true;
  if (!mob.Load(path)) {
    io.err << mob.LogText;
    return kExitFailed;
  }
  const TZoneCheck check(mob);
  const TCheckTotals totals = json ? WriteFindingsJson(mob, path, check, io.out) : PrintFindings(path, check, io.out);
  // A file cut short or changed while it was checked: what was checked is not the file.
  if (!mob.KeptImageIntact()) {
    io.err << path << ": " << mob.KeptImageLostLine() << "\n";
    return kExitFailed;
  }
  return totals.errors > 0 ? kExitFindings : kExitOk;
}

}  // namespace

void AddCheckCommand(CLI::App& app, TCliIo& io, int& exitCode) {
  struct Args {
    std::string file;
    bool json = false;
  };
  auto args = std::make_shared<Args>();
  auto* cmd = app.add_subcommand(
      "check",
      "Check a zone for the mistakes that break it in the game: identities carried twice, script "
      "references to ids or names no object carries, unbalanced brackets and braces, unterminated "
      "strings, calls of unknown names, non-finite coordinates, zero or non-finite rotations. Exit "
      "code 0 without errors (warnings allowed), 3 with errors, 1 when the file cannot be loaded.");
  cmd->add_option("FILE", args->file, "The .mob file")->required();
  cmd->add_flag("--json", args->json, "Print the findings as one JSON document (the shape the README describes)");
  cmd->callback([args, &io, &exitCode] { exitCode = RunCheckCommand(args->file, args->json, io); });
}

}  // namespace kelvarin
