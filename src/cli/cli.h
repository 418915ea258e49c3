// kelvarin-cli: the headless companion of the editor over the same core.
#pragma once

#include <iosfwd>

namespace kelvarin {

// Runs one command line; returns the process exit code.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace kelvarin
