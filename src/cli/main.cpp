#include <unistd.h>

#include <csignal>
#include <iostream>

#include "cli/cli.h"
#include "cli/cliio.h"

int main(int argc, char** argv) {
  // Output into a closed pipe is an error the command reports, not a signal that
  // ends it.
  std::signal(SIGPIPE, SIG_IGN);
  kelvarin::TFdOutput stdoutBuffer(STDOUT_FILENO);
  std::ostream out(&stdoutBuffer);
  return kelvarin::RunCli(argc, argv, out, std::cerr);
}
