// The compiled half of the kelvarin package; kelvarin/__init__.py takes its names.
#include <pybind11/pybind11.h>

#include "python/recordbind.h"
#include "python/zonebind.h"

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled core of the kelvarin package: import kelvarin instead.";
  // The classes are known by the package's name, which is where users find them.
  kelvarin::BindRecords(m);
  kelvarin::BindZone(m);
  for (const char* name : {"Record", "Unit", "Object", "Lever", "Trap", "Flame", "Particle1", "Particle2",
                           "Particle3", "RecordList", "Zone", "Finding", "LoadError", "_RecordIterator"})
    m.attr(name).attr("__module__") = "kelvarin";
}
