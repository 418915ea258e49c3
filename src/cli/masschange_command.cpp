// kelvarin-cli masschange FILE --options OPTS.ini: runs the editor's mass change
// headless. The options come from the [MassChangeOpts] section of an ini file with
// the keys of Kelvarin.ini, texts in code page 1251 (so the editor's own settings
// file can be used as is); "SaveAttempts" and "MakeAutoBackups" of its [Main]
// section apply when present.
// The run's log goes to stderr; the exit code is 0 exactly when the run ends with
// its success line. An options file that cannot be read, or holds none of the
// mass-change keys, is refused before anything is touched.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <clocale>
#include <memory>
#include <ostream>

#include "cli/cliio.h"
#include "cli/inplaceflag.h"
#include "common/filesystem.h"
#include "common/inifile.h"
#include "document/documentsession.h"
#include "masschange/core/masschangeengine.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// The decimal separator of the user's locale, as the editor takes it from the
// desktop. The process's own numeric locale is left as it was.
char EnvironmentDecimalSeparator() {
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = current ? current : "C";
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "")) {
    const char* point = std::localeconv()->decimal_point;
    if (point && *point == ',') separator = ',';
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  return separator;
}

// The open document is the file named on the command line; the session loads and
// saves it with the same rules and log lines as the editor's, to stderr.
class TCliMassChangeHost : public TMassChangeHost, private TLogSink {
 public:
  TCliMassChangeHost(const TSessionOptions& options, std::ostream& log) : m_log(log) {
    m_session.SetLogSink(this);
    m_session.SetOptions(options);
  }

  TDocumentSession& Session() override { return m_session; }
  void ShowError(const std::string& message) override { m_log << message + '\n'; }
  bool SaveMob() override { return m_session.Save(m_session.Path()); }
  bool OpenMob(const std::string& path) override { return m_session.Load(path); }

 private:
  // The text in one piece: the log goes to an unbuffered stream, where every
  // piece is a write of its own.
  void AppendLog(const std::string& text) override {
    std::string lines;
    lines.reserve(text.size() + 1);
    for (char c : text)
      if (c != '\r') lines += c;
    if (lines.empty() || lines.back() != '\n') lines += '\n';
    m_log << lines;
  }

  std::ostream& m_log;
  TDocumentSession m_session;
};

// Whether the options file holds at least one key of the mass-change options.
bool HoldsMassChangeOptions(const TIniFile& ini) {
  const auto has = [&](const char* field) { return ini.KeyExists(kMassChangeSection, std::string(field) + "_ini"); };
  for (const TMassChangeBoolField& f : MassChangeBoolFields())
    if (has(f.name)) return true;
  for (const TMassChangeTextField& f : MassChangeTextFields())
    if (has(f.name)) return true;
  return false;
}

int RunMassChangeCommand(const std::string& file, const std::string& optionsFile, TCliIo& io) {
  // The zone is saved back where it lies.
  if (!AcceptInput(file, TInputUse::Rewritten, io)) return kExitFailed;
  const TIniFile ini(optionsFile);
  const std::string where = "masschange: options file " + optionsFile;
  if (ini.ReadError() == ENOENT) {
    io.err << where << " does not exist\n";
    return kExitFailed;
  }
  if (const FileKind kind = Files().KindOf(optionsFile); kind != FileKind::Regular) {
    io.err << where << " is not a regular file\n";
    return kExitFailed;
  }
  if (ini.ReadError() != 0) {
    io.err << where << " cannot be read: " << SystemErrorText(ini.ReadError()) << "\n";
    return kExitFailed;
  }
  // A run with every option at its reading default would silently do nothing.
  if (!HoldsMassChangeOptions(ini)) {
    io.err << where << " holds none of the keys of the [" << kMassChangeSection << "] section\n";
    return kExitFailed;
  }
  const MassChangeOpts opts = ReadMassChangeOpts(ini);
  const TSessionOptions defaults;
  // Nothing else runs meanwhile: loads and saves need no worker thread.
  const TSessionOptions options{
      .UseThreads = false,
      .SaveAttempts = ini.ReadInteger("Main", "SaveAttempts", defaults.SaveAttempts),
      .MakeAutoBackups = ini.ReadBool("Main", "MakeAutoBackups", defaults.MakeAutoBackups),
      .UndoLimitBytes = 0};

  TCliMassChangeHost host(options, io.err);
  if (!host.OpenMob(file)) return kExitFailed;
  return RunMassChanges(host, ParseMassChange(opts, EnvironmentDecimalSeparator())).ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddMassChangeCommand(CLI::App& app, TCliIo& io, int& exitCode) {
  struct Args {
    std::string file, options;
  };
  auto args = std::make_shared<Args>();
  auto* cmd = app.add_subcommand(
      "masschange",
      "Run a mass change over a zone with the options of an ini file's [MassChangeOpts] section "
      "(the keys and code page 1251 of Kelvarin.ini); number texts use the locale's decimal separator. The log goes "
      "to stderr; exit code 0 when the run succeeds, 1 otherwise.");
  cmd->add_option("FILE", args->file, "The .mob file to change (the open document)")->required();
  cmd->add_option("--options", args->options,
                  "Ini file with a [MassChangeOpts] section; SaveAttempts and MakeAutoBackups of "
                  "its [Main] section apply when present (defaults 10 and 1)")
      ->required();
  AddInPlaceFlag(*cmd);
  cmd->callback([args, &io, &exitCode] { exitCode = RunMassChangeCommand(args->file, args->options, io); });
}

}  // namespace kelvarin
