// The Python side of records: one class per kind (Unit, Object, ... Particle3)
// whose attributes are the fields by the parameter table's names, and the record
// lists of a zone as mutable sequences.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "python/zonehandle.h"

namespace kelvarin {

namespace py = pybind11;

// The Python class name of a kind's records ("Unit", "Particle1").
const char* RecordClassName(ObjKind kind);

// A Python record for the record at `index` of the zone's list of `kind`.
py::object MakeRecord(const std::shared_ptr<TZoneHandle>& zone, ObjKind kind, std::size_t index);

// The record a Python object is; TypeError when it is none.
TRecordRef& RecordArg(py::handle value, const char* where);

// One of the eight lists of a zone.
struct TRecordList {
  std::shared_ptr<TZoneHandle> zone;
  ObjKind kind;
};

// An iterator over every record of the zone, in kind order.
py::object ZoneRecordsIterator(const std::shared_ptr<TZoneHandle>& zone);

void BindRecords(py::module_& m);

}  // namespace kelvarin
