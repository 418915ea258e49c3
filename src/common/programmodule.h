// Modules a program loads with dlopen only when a command needs them (the CLI's
// map drawing, the editor's Python scripts): found beside the program (the build
// tree's bin/) or in the folder an installed copy keeps them in.
#pragma once

#include <filesystem>

namespace kelvarin {

// The first of `fileName` beside the running program and in `installedFolder`
// (relative to the program's folder) that is a file; empty when neither is.
std::filesystem::path FindProgramModule(const std::filesystem::path& fileName,
                                        const std::filesystem::path& installedFolder);

}  // namespace kelvarin
