// kelvarin-cli check FILE [--json]: the editor's zone check without the editor.
// Findings go to stdout, one per line or as one JSON document; the exit code says
// whether any of them is an error, so a modding team's CI can stop on it.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

#include "check/zonecheck.h"
#include "cli/cliio.h"
#include "cli/jsondoc.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

const char* SeverityName(TCheckSeverity severity) {
  return severity == TCheckSeverity::Error ? "error" : "warning";
}

std::int32_t IdentityOf(const TMob& mob, ObjRef ref) {
  return VisitRecord(mob, ref, [](const auto& record) { return record.Identity(); });
}

Json FindingToJson(const TMob& mob, const TCheckFinding& f) {
  Json item = {{"severity", SeverityName(f.severity)}, {"code", f.code}, {"message", f.message}};
  if (const auto* place = std::get_if<TScriptPlace>(&f.place)) {
    item["place"] = "script";
    item["line"] = place->line;
    item["column"] = place->column;
  } else {
    const ObjRef& ref = std::get<ObjRef>(f.place);
    item["place"] = "record";
    item["kind"] = ObjKindKey(ref.kind);
    item["index"] = ref.index;
    item["id"] = IdentityOf(mob, ref);
  }
  if (f.omitted > 0) item["omitted"] = f.omitted;
  return item;
}

// The shape is stable (documented in the README): new keys may be added, none
// is renamed or dropped. Written finding by finding, as dump(1) would lay out the
// whole document.
void WriteFindingsJson(const TMob& mob, const std::string& path, const std::vector<TCheckFinding>& findings,
                       std::ostream& out) {
  JsonDocumentWriter w(out);
  w.Member("file", path);
  w.Member("errors", CountFindings(findings, TCheckSeverity::Error));
  w.Member("warnings", CountFindings(findings, TCheckSeverity::Warning));
  w.Array("findings", [&](const auto& emit) {
    for (const TCheckFinding& f : findings) emit(FindingToJson(mob, f));
  });
  w.End();
  out << "\n";
}

// FILE:LINE:COLUMN: or FILE: KIND[INDEX]:, then the severity, the code and the message.
void PrintFindings(const std::string& path, const std::vector<TCheckFinding>& findings, std::ostream& out) {
  for (const TCheckFinding& f : findings) {
    out << path << ":";
    if (const auto* place = std::get_if<TScriptPlace>(&f.place))
      out << place->line << ":" << place->column << ":";
    else
      out << " " << ObjKindKey(std::get<ObjRef>(f.place).kind) << "[" << std::get<ObjRef>(f.place).index << "]:";
    out << " " << SeverityName(f.severity) << " [" << f.code << "] " << f.message << "\n";
  }
  const std::size_t errors = CountFindings(findings, TCheckSeverity::Error);
  const std::size_t warnings = CountFindings(findings, TCheckSeverity::Warning);
  out << errors << (errors == 1 ? " error, " : " errors, ") << warnings << (warnings == 1 ? " warning\n" : " warnings\n");
}

int RunCheckCommand(const std::string& path, bool json, CliIo& io) {
  if (!AcceptInput(path, TInputUse::Read, io)) return kExitFailed;
  TMob mob;
  if (!mob.Load(path)) {
    io.err << mob.LogText;
    return kExitFailed;
  }
  const std::vector<TCheckFinding> findings = CheckZone(mob);
  if (json)
    WriteFindingsJson(mob, path, findings, io.out);
  else
    PrintFindings(path, findings, io.out);
  return CountFindings(findings, TCheckSeverity::Error) > 0 ? kExitFindings : kExitOk;
}

}  // namespace

void AddCheckCommand(CLI::App& app, CliIo& io, int& exitCode) {
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
