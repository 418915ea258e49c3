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
  // The exit code of a command that fails for a reason of its own (an exception,
  // output that could not be written). Commands that answer with 1 for something
  // else (diff: the zones differ) set another.
  int failedExit = kExitFailed;
};

}  // namespace kelvarin
