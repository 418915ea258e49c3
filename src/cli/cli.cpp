#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <iostream>
#include <new>
#include <optional>
#include <sstream>

#include "cli/cliio.h"
#include "cli/inplaceflag.h"
#include "cli/jsondoc.h"
#include "common/cp1251.h"
#include "common/filesystem.h"
#include "mob/generator.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"
#include "mob/zonesummary.h"

namespace kelvarin {
namespace {

// Loads `path` directly, when it may be the command's input at all; on failure
// prints the load log to stderr.
bool LoadOrReport(TMob& mob, const std::string& path, TInputUse use, TCliIo& io) {
  if (!AcceptInput(path, use, io)) return false;
  if (mob.Load(path)) return true;
  io.err << mob.LogText;
  return false;
}

// The whole content of an input file (a pipe as well); on failure says why.
bool ReadInput(const std::string& path, std::string& text, TCliIo& io) {
  if (!AcceptInput(path, TInputUse::Read, io)) return false;
  Bytes bytes;
  int err = 0;
  if (!Files().ReadAll(path, bytes, err)) {
    io.err << path << ": cannot be read: " << SystemErrorText(err) << "\n";
    return false;
  }
  text.assign(bytes.begin(), bytes.end());
  return true;
}

const char* BlockName(std::uint32_t type) {
  if (type == kScriptBlockType) return "script block";
  if (type == kObjectBlockType) return "object block";
  return "unknown block";
}

std::string Hex32(std::uint32_t v) {
  std::ostringstream s;
  s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << v;
  return s.str();
}

int Info(const std::string& path, TCliIo& io) {
  // An ordinary file is summed up in one pass over its framing. Anything else is
  // loaded as the editor loads it, every record read, so a file is refused exactly
  // when the editor would refuse it, with the same lines; no record is kept.
  if (!AcceptInput(path, TInputUse::Read, io)) return kExitFailed;
  TZoneSummary zone;
  if (!QuickZoneSummary(path, zone)) {
    TMob mob;
    mob.RecordsStayInImage = true;
    if (!mob.LoadFile(path)) {
      io.err << mob.LogText;
      return kExitFailed;
    }
    zone = ZoneSummaryOf(mob);
    if (!mob.KeptImageIntact()) {
      io.err << path << ": " << mob.KeptImageLostLine() << "\n";
      return kExitFailed;
    }
  }
  auto& out = io.out;
  out << "File:        " << path << " (" << zone.fileSize << " bytes)\n";
  out << "Zone kind:   " << zone.mobKind << "\n";
  out << "Blocks:      " << zone.blockCount << "\n";
  out << "  #1   flag block, 8 bytes\n";
  int number = 2;
  for (const TZoneSummary::Block& block : zone.blocks) {
    out << "  #" << std::left << std::setw(3) << number++ << std::right << " " << BlockName(block.type)
        << " (type " << Hex32(block.type) << "), " << block.size << " bytes\n";
  }
  std::size_t records = 0;
  for (std::size_t count : zone.counts) records += count;
  out << "Records:     " << records << "\n";
  for (ObjKind k : kAllObjKinds)
    out << "  " << std::left << std::setw(12) << ObjKindKey(k) << std::right << zone.counts[int(k)] << "\n";
  out << "  unknown     " << zone.unknownObjects << "\n";
  out << "Tail:        " << zone.tailLength << " bytes\n";
  if (zone.hasScript)
    out << "Script:      " << zone.scriptLength << " bytes, key " << zone.scriptKey << "\n";
  else
    out << "Script:      none\n";
  return kExitOk;
}

int Dump(const std::string& path, TCliIo& io) {
  // Records are read from the file image one at a time as they are written out.
  TMob mob;
  mob.RecordsStayInImage = true;
  if (!LoadOrReport(mob, path, TInputUse::Read, io)) return kExitFailed;
  WriteMobJson(mob, io.out);
  io.out << "\n";
  if (!mob.KeptImageIntact()) {
    // Changed or cut short while it was read: what was written is not the file.
    io.err << path << ": " << mob.KeptImageLostLine() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

int Resave(const std::string& in, const std::string& out, TCliIo& io) {
  // Nothing is edited between the load and the save: the records can stay in the
  // file image, and those the writer would reproduce are copied through.
  if (!AcceptInput(in, TInputUse::Read, io)) return kExitFailed;
  TMob mob;
  mob.RecordsStayInImage = true;
  const bool loaded = mob.Load(in);
  io.err << mob.LogText;
  if (!loaded) return kExitFailed;
  const bool saved = mob.Save(out);
  io.err << mob.LogText;
  return saved ? kExitOk : kExitFailed;
}

int Build(const std::string& jsonPath, const std::string& out, TCliIo& io) {
  // The text is parsed as it is read, and each record is filled as soon as its
  // JSON is complete: neither the text nor its whole tree is ever held.
  if (!AcceptInput(jsonPath, TInputUse::Read, io)) return kExitFailed;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(jsonPath.c_str(), "rb"), &std::fclose);
  if (!in) {
    io.err << jsonPath << ": cannot be read: " << SystemErrorText(errno) << "\n";
    return kExitFailed;
  }
  std::setvbuf(in.get(), nullptr, _IOFBF, 1 << 20);
  TMob mob;
  std::string error;
  const JsonReadResult read = ReadMobJson(in.get(), mob, error);
  if (std::ferror(in.get())) {
    io.err << jsonPath << ": cannot be read: " << SystemErrorText(errno) << "\n";
    return kExitFailed;
  }
  if (read == JsonReadResult::NotJson) {
    io.err << jsonPath << ": not valid JSON: " << error << "\n";
    return kExitFailed;
  }
  if (read == JsonReadResult::DoesNotFit) {
    io.err << jsonPath << ": " << error << "\n";
    return kExitFailed;
  }
  in.reset();
  const bool saved = mob.Save(out);
  io.err << mob.LogText;
  return saved ? kExitOk : kExitFailed;
}

int ScriptGet(const std::string& path, TCliIo& io) {
  // Only the script is wanted: the records stay in the file image, and those in
  // the writer's own form are not even read.
  TMob mob;
  mob.RecordsStayInImage = true;
  if (!LoadOrReport(mob, path, TInputUse::Read, io)) return kExitFailed;
  if (!mob.HasScript) {
    io.err << path << ": the zone has no script block\n";
    return kExitFailed;
  }
  io.out << Cp1251ToUtf8(mob.ScriptText);
  return kExitOk;
}

// Line and column (both from 1) of a byte offset in a text.
std::string LineColumn(const std::string& text, std::size_t offset) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

int ScriptSet(const std::string& path, const std::string& textPath, const std::int64_t* key,
              TCliIo& io) {
  if (!AcceptInput(path, TInputUse::Rewritten, io)) return kExitFailed;
  std::string text;
  if (!ReadInput(textPath, text, io)) return kExitFailed;
  // Editors put a byte-order mark in front of UTF-8 text; it is no part of the script.
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::erase(text, '\r');
  TCp1251Error bad;
  const auto bytes = Utf8ToCp1251(text, &bad);
  if (!bytes) {
    io.err << textPath << ": " << LineColumn(text, bad.offset)
           << (bad.invalidUtf8 ? ": the text is not valid UTF-8\n"
                               : ": a character that code page 1251 cannot hold\n");
    return kExitFailed;
  }
  TMob mob;
  if (!LoadOrReport(mob, path, TInputUse::Rewritten, io)) return kExitFailed;
  if (!mob.HasScript) {
    io.err << path << ": the zone has no script block; a script cannot be added\n";
    return kExitFailed;
  }
  mob.ScriptText = *bytes;
  if (key) mob.ScriptKey = static_cast<std::uint32_t>(static_cast<std::int32_t>(*key));
  const bool saved = mob.Save(path);
  io.err << mob.LogText;
  return saved ? kExitOk : kExitFailed;
}

int Generate(const std::string& out, std::size_t records, std::uint64_t seed, TCliIo& io) {
  TMob mob;
  GenerateZone(mob, {.records = records, .seed = seed});
  const bool saved = mob.Save(out);
  if (!saved) io.err << mob.LogText;
  return saved ? kExitOk : kExitFailed;
}

}  // namespace

void AddMassChangeCommand(CLI::App& app, TCliIo& io, int& exitCode);
void AddCheckCommand(CLI::App& app, TCliIo& io, int& exitCode);
void AddBlocksCommand(CLI::App& app, TCliIo& io, int& exitCode);
void AddDiffCommands(CLI::App& app, TCliIo& io, int& exitCode);
#ifdef KELVARIN_CLI_MAP
void AddMapCommand(CLI::App& app, TCliIo& io, int& exitCode);
#endif

namespace {

// The first word that should name a command (of the program, or of a command with
// commands of its own) and names none, with the names it could be; nothing when
// every such word names one. Options end the search: the parser reads them.
std::optional<std::pair<std::string, std::string>> UnknownCommand(const CLI::App& app, int argc,
                                                                  const char* const* argv) {
  const CLI::App* level = &app;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::vector<const CLI::App*> commands = level->get_subcommands([](const CLI::App* c) { return !c->get_name().empty(); });
    if (word.starts_with("-") || commands.empty()) return std::nullopt;
    const auto named = std::find_if(commands.begin(), commands.end(),
                                    [&](const CLI::App* command) { return command->check_name(word); });
    if (named == commands.end()) {
      std::string names;
      for (const CLI::App* command : commands) names += (names.empty() ? "" : ", ") + command->get_name();
      return std::pair{word, names};
    }
    level = *named;
  }
  return std::nullopt;
}

int RunCommand(int argc, const char* const* argv, TCliIo& io) {
  std::ostream& out = io.out;
  std::ostream& err = io.err;
  const TInPlaceOnlyWhenAsked inPlace;
  int exitCode = kExitOk;
  CLI::App app{"kelvarin-cli: inspect, convert and edit .mob zone files without the editor."};
  app.require_subcommand(1);
  app.set_version_flag("--version", PROJECT_VERSION);

  std::string file, second;
  auto* info = app.add_subcommand("info", "Summary of a zone: kind, blocks, record counts, tail, script.");
  info->add_option("FILE", file, "The .mob file")->required();
  info->callback([&] { exitCode = Info(file, io); });

  auto* dump = app.add_subcommand("dump", "The whole zone as JSON on stdout.");
  dump->add_option("FILE", file, "The .mob file")->required();
  dump->callback([&] { exitCode = Dump(file, io); });

  auto* resave = app.add_subcommand("resave", "Load IN and save it to OUT as the editor's save does.");
  resave->add_option("IN", file, "The .mob file to read")->required();
  resave->add_option("OUT", second, "The file to write")->required();
  AddInPlaceFlag(*resave);
  resave->callback([&] { exitCode = Resave(file, second, io); });

  auto* build = app.add_subcommand("build", "Build a zone from JSON in the form `dump` writes.");
  build->add_option("JSON", file, "The JSON document")->required();
  build->add_option("OUT", second, "The .mob file to write")->required();
  AddInPlaceFlag(*build);
  build->callback([&] { exitCode = Build(file, second, io); });

  auto* script = app.add_subcommand("script", "Read or replace a zone's script.");
  script->require_subcommand(1);
  auto* get = script->add_subcommand("get", "Print the deciphered script (UTF-8).");
  get->add_option("FILE", file, "The .mob file")->required();
  get->callback([&] { exitCode = ScriptGet(file, io); });
  std::int64_t key = 0;
  auto* set = script->add_subcommand("set", "Replace the script from a UTF-8 text file and save the zone.");
  set->add_option("FILE", file, "The .mob file")->required();
  set->add_option("TEXTFILE", second, "UTF-8 text; CR characters are dropped")->required();
  auto* keyOption = set->add_option("--key", key,
                                    "Script key: 0 stores the script as plain text, any other "
                                    "value enciphers it with the default key")
                        ->check(CLI::Range(std::int64_t(INT32_MIN), std::int64_t(INT32_MAX)));
  AddInPlaceFlag(*set);
  set->callback([&] { exitCode = ScriptSet(file, second, keyOption->count() ? &key : nullptr, io); });

  std::size_t records = 2000;
  std::uint64_t seed = 1;
  auto* generate = app.add_subcommand("generate", "Write a synthetic zone with every record kind.");
  generate->add_option("OUT", file, "The .mob file to write")->required();
  generate->add_option("--records", records, "Placed objects over all kinds")
      ->check(CLI::Range(std::size_t(0), std::size_t(50000000)));
  generate->add_option("--seed", seed, "Random seed");
  AddInPlaceFlag(*generate);
  generate->callback([&] { exitCode = Generate(file, records, seed, io); });

  AddMassChangeCommand(app, io, exitCode);
  AddCheckCommand(app, io, exitCode);
  AddBlocksCommand(app, io, exitCode);
  AddDiffCommands(app, io, exitCode);
#ifdef KELVARIN_CLI_MAP
  AddMapCommand(app, io, exitCode);
#endif

  if (const auto unknown = UnknownCommand(app, argc, argv)) {
    err << "kelvarin-cli: unknown command \"" << unknown->first << "\"; the commands are " << unknown->second
        << "\nRun with --help for more information.\n";
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    app.exit(e, out, err);
    return kExitUsage;
  }
  return exitCode;
}

// The first write that fails ends the command: nothing more can reach its reader
// (a full disk, a pipe whose reader has gone), so nothing more is worked out.
// The stream's own mask is back when the command ends.
class TThrowOnFailedWrite {
 public:
  explicit TThrowOnFailedWrite(std::ostream& out) : m_out(out), m_mask(out.exceptions()) {
    m_out.exceptions(std::ios::badbit);
  }
  ~TThrowOnFailedWrite() {
    try {
      m_out.exceptions(m_mask);
    } catch (const std::ios_base::failure&) {  // the mask is set all the same
    }
  }
  TThrowOnFailedWrite(const TThrowOnFailedWrite&) = delete;
  TThrowOnFailedWrite& operator=(const TThrowOnFailedWrite&) = delete;

 private:
  std::ostream& m_out;
  std::ios::iostate m_mask;
};

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  // Whatever happens, the command ends with a message and an exit code, never
  // with a signal.
  TCliIo io{out, err};
  int exitCode = kExitFailed;
  {
    const TThrowOnFailedWrite throwing(out);
    try {
      exitCode = RunCommand(argc, argv, io);
    } catch (const std::ios_base::failure& e) {
      if (!out.bad()) {  // not the output's
        err << "kelvarin-cli: " << e.what() << "\n";
        return io.failedExit;
      }
    } catch (const std::bad_alloc&) {
      err << "kelvarin-cli: out of memory: the command needs more memory than it can get\n";
      return io.failedExit;
    } catch (const std::exception& e) {
      err << "kelvarin-cli: " << e.what() << "\n";
      return io.failedExit;
    } catch (...) {
      err << "kelvarin-cli: the command failed unexpectedly\n";
      return io.failedExit;
    }
  }
  // What could not be written (a full disk, a closed pipe) is not a success. The
  // flush of what is left in the buffer names the reason.
  const bool failedBefore = out.fail();
  out.clear();
  errno = 0;
  out.flush();
  if (failedBefore || !out) {
    int writeError = errno;
    if (const auto* output = dynamic_cast<const TFdOutput*>(out.rdbuf()); output && output->WriteError() != 0)
      writeError = output->WriteError();
    // The reader stopped reading (`check --json | head`): the output ends there,
    // without a word, but the command did not do all it was asked.
    if (writeError == EPIPE) return io.failedExit;
    err << "kelvarin-cli: the output could not be written";
    if (writeError != 0) err << ": " << SystemErrorText(writeError);
    err << "\n";
    return io.failedExit;
  }
  return exitCode;
}

}  // namespace kelvarin
