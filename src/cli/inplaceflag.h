// The --in-place flag of every kelvarin-cli command that writes a file. A command
// replaces a file through a new one in the same folder; where the folder takes no
// new file, it fails with the reason unless this flag lets it overwrite the file
// where it lies (the old bytes kept aside meanwhile and put back if the write fails).
#pragma once

#include <CLI/CLI.hpp>

#include "common/filesystem.h"

namespace kelvarin {

inline void AddInPlaceFlag(CLI::App& command) {
  command.add_flag_callback(
      "--in-place", [] { SetOverwriteInPlace(true); },
      "Where the folder takes no new file, overwrite the file where it lies (its old bytes are kept "
      "aside and put back if the write fails)");
}

// Files are overwritten in place only by a command asked to, for as long as it runs.
class TInPlaceOnlyWhenAsked {
 public:
  TInPlaceOnlyWhenAsked() : m_before(OverwriteInPlaceAllowed()) { SetOverwriteInPlace(false); }
  ~TInPlaceOnlyWhenAsked() { SetOverwriteInPlace(m_before); }
  TInPlaceOnlyWhenAsked(const TInPlaceOnlyWhenAsked&) = delete;
  TInPlaceOnlyWhenAsked& operator=(const TInPlaceOnlyWhenAsked&) = delete;

 private:
  bool m_before;
};

}  // namespace kelvarin
