// The compiled half of the kelvarin package; kelvarin/__init__.py takes its names.
#include <pybind11/pybind11.h>

#include "python/diffbind.h"
#include "python/recordbind.h"
#include "python/zonebind.h"

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled core of the kelvarin package: import kelvarin instead.";
  // The classes are known by the package's name, which is where users find them:
  // a class takes its module's name when it is made, and signatures name classes
  // by it.
  const pybind11::object name = m.attr("__name__");
  m.attr("__name__") = "kelvarin";
  kelvarin::BindRecords(m);
  kelvarin::BindZone(m);
  kelvarin::BindDiff(m);
  m.attr("__name__") = name;
}
