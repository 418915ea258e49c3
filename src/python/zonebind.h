// The Python side of zones: kelvarin.Zone, kelvarin.open and kelvarin.LoadError.
#pragma once

#include <pybind11/pybind11.h>

#include <stdexcept>

namespace kelvarin {

namespace py = pybind11;

// A file that does not load; the message holds the loader's lines.
class TLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void BindZone(py::module_& m);

}  // namespace kelvarin
