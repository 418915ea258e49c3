// The Python side of the diff: kelvarin.diff and the classes of its result, named
// as the keys of the diff's JSON form.
#pragma once

#include <pybind11/pybind11.h>

namespace kelvarin {

namespace py = pybind11;

void BindDiff(py::module_& m);

}  // namespace kelvarin
