// The Python side of zones: kelvarin.Zone, kelvarin.open and kelvarin.LoadError.
#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>

namespace kelvarin {

namespace py = pybind11;

// A file that does not load; the message holds the loader's lines.
class TLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The bytes of a path as the system takes them (os.fsencode), and its text for
// messages (os.fsdecode).
std::string PathBytes(py::handle path);
std::string PathText(const std::string& bytes);

class TMob;

// Loads the file at `path` into `mob` as `mob` is set up to load (every record
// decoded, or left in the file image); LoadError with the loader's lines when it
// does not load.
void LoadOrRaise(TMob& mob, const std::string& path);

void BindZone(py::module_& m);

}  // namespace kelvarin
