// kelvarin-cli map FILE OUT.png [--size WxH] [--kinds units,objects,...]: the
// command line is read here; the drawing module (map_draw.cpp) is loaded only now,
// from beside the program (the build tree) or from where the installed program
// keeps it.
#include <CLI/CLI.hpp>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <ostream>

#include "cli/cliio.h"
#include "cli/inplaceflag.h"
#include "cli/mapmodule.h"
#include "common/programmodule.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;

// The module's entry; null after saying on `err` why there is none. The module
// stays loaded until the process ends: Qt does not expect to be unloaded.
MapDrawFunction LoadMapModule(std::ostream& err) {
  const fs::path module = FindProgramModule(KELVARIN_CLI_MAP_MODULE, KELVARIN_CLI_MAP_MODULE_DIR);
  if (module.empty()) {
    err << "kelvarin-cli map: the drawing module " << KELVARIN_CLI_MAP_MODULE
        << " is not installed beside the program or in " << KELVARIN_CLI_MAP_MODULE_DIR << "\n";
    return nullptr;
  }
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = handle ? dlsym(handle, kMapDrawSymbol) : nullptr;
  if (!entry) {
    const char* why = dlerror();
    err << "kelvarin-cli map: the drawing module cannot be loaded: " << (why ? why : module.c_str()) << "\n";
    return nullptr;
  }
  return reinterpret_cast<MapDrawFunction>(entry);
}

}  // namespace

void AddMapCommand(CLI::App& app, TCliIo& io, int& exitCode) {
  auto request = std::make_shared<TMapRequest>(
      TMapRequest{.size = "1024x1024", .kinds = "units,objects,levers,traps,flames,particles1,particles2,particles3"});
  auto* map = app.add_subcommand("map", "Draw the zone seen from above into a PNG picture.");
  map->add_option("FILE", request->file, "The .mob file")->required();
  map->add_option("OUT", request->out, "The PNG file to write")->required();
  map->add_option("--size", request->size, "Picture size WIDTHxHEIGHT")->capture_default_str();
  map->add_option("--kinds", request->kinds, "Kinds to draw, comma-separated")->capture_default_str();
  AddInPlaceFlag(*map);
  map->callback([request, &io, &exitCode] {
    if (!AcceptInput(request->file, TInputUse::Read, io)) {
      exitCode = kExitFailed;
      return;
    }
    if (SameFile(request->file, request->out)) {
      io.err << "kelvarin-cli map: " << request->out << " is the zone to draw; the picture would replace it\n";
      exitCode = kExitFailed;
      return;
    }
    request->overwriteInPlace = OverwriteInPlaceAllowed();
    const MapDrawFunction draw = LoadMapModule(io.err);
    exitCode = draw ? draw(*request, io) : kExitFailed;
  });
}

}  // namespace kelvarin
