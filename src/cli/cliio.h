// Streams and exit codes shared by the kelvarin-cli commands.
#pragma once

#include <iosfwd>

namespace kelvarin {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the document operation failed
inline constexpr int kExitUsage = 2;   // bad command line
inline constexpr int kExitFindings = 3;  // check: the zone has errors

struct CliIo {
  std::ostream& out;
  std::ostream& err;
};

}  // namespace kelvarin
