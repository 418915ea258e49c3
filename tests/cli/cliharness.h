// kelvarin-cli run in process, with its output kept and a folder of its own for
// each test's files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace kelvarin::test {

class CliHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::filesystem::temp_directory_path() /
            ("kelvarin-cli-" + std::string(test->test_suite_name()) + "-" + test->name());
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvarin-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    m_out.str("");
    m_err.str("");
    return RunCli(int(argv.size()), argv.data(), m_out, m_err);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }

  std::filesystem::path m_dir;
  std::ostringstream m_out, m_err;
};

}  // namespace kelvarin::test
