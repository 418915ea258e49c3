#include "support/tempfolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace kelvarin::test {

namespace fs = std::filesystem;

TTempFolder::TTempFolder(const fs::path& base) {
  std::string name = "kelvarin";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
    name += std::string("-") + info->test_suite_name() + "-" + info->name();
  // Parameterised tests carry "/" in their names; a process of its own keeps
  // concurrent runs of one binary apart.
  for (char& c : name)
    if (c == '/') c = '_';
  m_root = base / (name + "-" + std::to_string(::getpid()));
  fs::remove_all(m_root);
  fs::create_directories(m_root);
}

TTempFolder::~TTempFolder() {
  std::error_code ec;  // a test may have left a folder it cannot enter
  fs::remove_all(m_root, ec);
}

}  // namespace kelvarin::test
