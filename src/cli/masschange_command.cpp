// Placeholder until the mass-change engine lands: the command exists so the
// command line is stable, and says it is not available yet.
#include <CLI/CLI.hpp>

#include <ostream>

#include "cli/cliio.h"

namespace kelvarin {

void AddMassChangeCommand(CLI::App& app, CliIo& io, int& exitCode) {
  static std::string file, options;
  auto* cmd = app.add_subcommand("masschange", "Run a mass change over a zone (not available yet).");
  cmd->add_option("FILE", file, "The .mob file")->required();
  cmd->add_option("--options", options, "Ini file with a [MassChangeOpts] section")->required();
  cmd->callback([&] {
    io.err << "masschange: not available in this build\n";
    exitCode = kExitFailed;
  });
}

}  // namespace kelvarin
