// kelvarin-cli run in process, with its output kept and a folder of its own for
// each test's files.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/tempfolder.h"

namespace kelvarin::test {

class CliHarness : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvarin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    m_out.str("");
    m_err.str("");
    return RunCli(int(argv.size()), argv.data(), m_out, m_err);
  }
  std::string Path(const std::string& name) const { return m_dir.Path(name); }

  test::TTempFolder m_dir;
  std::ostringstream m_out, m_err;
};

}  // namespace kelvarin::test
