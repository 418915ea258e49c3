// The map command lives in a module of its own, kelvarin-cli-map, because drawing
// needs QtGui: every other command starts without loading Qt. The program parses
// the command line and loads the module only when the map command runs.
#pragma once

#include <string>

#include "cli/cliio.h"

namespace kelvarin {

// The map command's arguments as the command line gave them.
struct TMapRequest {
  std::string file, out, size, kinds;
  // --in-place: the module's file layer is its own, so it is told.
  bool overwriteInPlace = false;
};

// The module's one exported function. Its name carries the version of this
// interface: a module from another build is refused, never called wrongly.
using MapDrawFunction = int (*)(const TMapRequest& request, TCliIo& io);
inline constexpr const char* kMapDrawSymbol = "kelvarin_cli_map_draw_v2";

}  // namespace kelvarin
