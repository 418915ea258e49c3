#include <csignal>
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
  // Output into a closed pipe is an error the command reports, not a signal that
  // ends it.
  std::signal(SIGPIPE, SIG_IGN);
  return kelvarin::RunCli(argc, argv, std::cout, std::cerr);
}
