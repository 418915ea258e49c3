#include "common/programmodule.h"

#include <system_error>

namespace kelvarin {

namespace fs = std::filesystem;

fs::path FindProgramModule(const fs::path& fileName, const fs::path& installedFolder) {
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const fs::path folder = program.parent_path();
  for (const fs::path& candidate : {folder / fileName, folder / installedFolder / fileName}) {
    if (fs::is_regular_file(candidate, ec)) return candidate.lexically_normal();
  }
  return {};
}

}  // namespace kelvarin
