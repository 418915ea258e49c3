#include "python/recordbind.h"

#include <algorithm>
#include <string>
#include <vector>

#include "mob/fields.h"
#include "mob/kindnames.h"
#include "mob/recordrules.h"
#include "python/fieldconv.h"

namespace kelvarin {
namespace {

// Each kind gets a C++ type of its own, so that each has a Python class of its own.
template <class R> class TKindRef : public TRecordRef {
 public:
  using TRecordRef::TRecordRef;
};

std::string FieldWhere(ObjKind kind, const char* field) {
  return std::string(RecordClassName(kind)) + "." + field;
}

// Gives the record the fields passed by name; the first refused value stops it.
void ApplyFields(TRecordRef& ref, const py::kwargs& fields) {
  WithRecordType(ref.Kind(), [&](auto type) {
    using R = typename decltype(type)::type;
    for (auto [key, value] : fields) {
      const std::string name = py::str(key);
      const FieldDesc<R>* field = FindField<R>(name);
      if (!field)
        throw py::type_error(std::string(RecordClassName(R::Kind)) + " has no field '" + name + "'");
      std::visit(
          [&](auto member) {
            using M = FieldType<decltype(member)>;
            const std::string where = FieldWhere(R::Kind, field->name);
            if constexpr (kWritableField<M>)
              ref.SetField<R, M>(member, field->name, FromPython<M>(value, where));
            else
              throw py::type_error(where + " is raw data carried through as read; it cannot be set");
          },
          field->member);
    }
  });
}

TAnyRecord DefaultRecord(ObjKind kind) {
  return WithRecordType(kind, [](auto type) -> TAnyRecord { return typename decltype(type)::type{}; });
}

// A copy of the record `value` for the list of `kind`.
TAnyRecord CopyForList(py::handle value, ObjKind kind) {
  TRecordRef& ref = RecordArg(value, "record");
  if (ref.Kind() != kind)
    throw py::type_error(std::string("the ") + ObjKindKey(kind) + " take " + RecordClassName(kind) +
                         " records, not " + RecordClassName(ref.Kind()));
  return ref.Copy();
}

py::object MakeDetached(std::shared_ptr<TAnyRecord> record) {
  const ObjKind kind = ObjKind(record->index());
  return WithRecordType(kind, [&](auto type) {
    using R = typename decltype(type)::type;
    return py::cast(new TKindRef<R>(std::move(record)), py::return_value_policy::take_ownership);
  });
}

py::object RecordRepr(TRecordRef& ref) {
  return WithRecordType(ref.Kind(), [&](auto type) {
    using R = typename decltype(type)::type;
    const R& r = ref.Get<R>();
    std::string text = std::string("<") + RecordClassName(R::Kind) + " ";
    text += ref.Attached() ? std::string(ObjKindKey(R::Kind)) + "[" + std::to_string(ref.Index()) + "]"
                           : std::string("detached");
    text += std::string(" ") + IdentityFieldName(R::Kind) + "=" + std::to_string(r.Identity());
    // The caption, under the name of the field it is.
    const char* captionField = std::is_same_v<R, TUnitObjBlock> ? "Name1" : kHasCommonFields<R> ? "Name2" : "NameStr";
    text += std::string(" ") + captionField + "=" + std::string(py::repr(Cp1251ToPython(CaptionOf(r))));
    return py::str(text + ">");
  });
}

py::dict RecordDict(TRecordRef& ref) {
  return WithRecordType(ref.Kind(), [&](auto type) {
    using R = typename decltype(type)::type;
    const R& r = ref.Get<R>();
    py::dict dict;
    for (const FieldDesc<R>& field : FieldsOf<R>())
      std::visit([&](auto member) { dict[field.name] = ToPython(r.*member); }, field.member);
    return dict;
  });
}

bool SameRecord(TRecordRef& a, TRecordRef& b) {
  if (a.Kind() != b.Kind()) return false;
  return WithRecordType(a.Kind(), [&](auto type) {
    using R = typename decltype(type)::type;
    return a.Get<R>() == b.Get<R>();
  });
}

template <class R> void BindKind(py::module_& m, const char* doc) {
  py::class_<TKindRef<R>, TRecordRef> cls(m, RecordClassName(R::Kind), doc);
  cls.def(py::init([](const py::kwargs& fields) {
            auto ref = std::make_unique<TKindRef<R>>(std::make_shared<TAnyRecord>(R{}));
            ApplyFields(*ref, fields);
            return ref;
          }),
          "A detached record with every field empty (numbers 0, texts and lists empty), then the fields given "
          "by name.");
  py::list names;
  for (const FieldDesc<R>& field : FieldsOf<R>()) {
    names.append(field.name);
    std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
          const std::string doc = std::string(field.name) + ": " + PythonTypeName<M>();
          auto get = [member](TKindRef<R>& self) { return ToPython(self.template Get<R>().*member); };
          if constexpr (kWritableField<M>) {
            auto set = [member, key = field.name, where = FieldWhere(R::Kind, field.name)](TKindRef<R>& self,
                                                                                            py::handle value) {
              self.template SetField<R, M>(member, key, FromPython<M>(value, where));
            };
            cls.def_property(field.name, get, set, doc.c_str());
          } else {
            cls.def_property_readonly(field.name, get, doc.c_str());
          }
        },
        field.member);
  }
  cls.attr("fields") = py::tuple(names);
  cls.attr("kind") = ObjKindKey(R::Kind);
}

// ---- lists

std::size_t Count(const TRecordList& list) { return list.zone->Mob().Count(list.kind); }

// A Python index into a list of `size` records; IndexError outside it.
std::size_t ItemIndex(Py_ssize_t index, std::size_t size) {
  const Py_ssize_t n = Py_ssize_t(size);
  if (index < 0) index += n;
  if (index < 0 || index >= n) throw py::index_error("record index out of range");
  return std::size_t(index);
}

// Where list.insert puts a record: a position past either end means that end.
std::size_t InsertIndex(Py_ssize_t index, std::size_t size) {
  const Py_ssize_t n = Py_ssize_t(size);
  if (index < 0) index = std::max<Py_ssize_t>(0, index + n);
  return std::size_t(std::min(index, n));
}

std::vector<std::size_t> SliceIndices(const py::slice& slice, std::size_t size) {
  std::size_t start = 0, stop = 0, step = 0, length = 0;
  if (!slice.compute(size, &start, &stop, &step, &length)) throw py::error_already_set();
  std::vector<std::size_t> indices;
  for (std::size_t i = 0; i < length; ++i) indices.push_back(start + i * step);
  return indices;
}

py::object InsertRecord(TRecordList& list, std::size_t index, const py::object& record, const py::kwargs& fields) {
  if (!list.zone->Mob().HasObjects)
    throw py::value_error("the zone has no object block: records cannot be added to it");
  // The new record is made and given its fields apart, so that a refused field
  // leaves the zone as it was.
  auto value = std::make_shared<TAnyRecord>(record.is_none() ? DefaultRecord(list.kind) : CopyForList(record, list.kind));
  TRecordRef made(value);
  ApplyFields(made, fields);
  index = std::min(index, Count(list));
  WithRecordType(list.kind, [&](auto type) {
    using R = typename decltype(type)::type;
    list.zone->Insert(index, std::move(std::get<R>(*value)));
  });
  return MakeRecord(list.zone, list.kind, index);
}

// The position of `record` in the list: its own when it stands there, otherwise
// that of the first record equal to it. ValueError when there is none.
std::size_t IndexOf(TRecordList& list, py::handle record) {
  TRecordRef& ref = RecordArg(record, "record");
  if (ref.Attached() && ref.Zone() == list.zone && ref.Kind() == list.kind) return ref.Index();
  if (ref.Kind() == list.kind) {
    const std::size_t found = WithRecordType(list.kind, [&](auto type) {
      using R = typename decltype(type)::type;
      const auto& records = list.zone->Mob().template List<R::Kind>();
      const R& wanted = ref.Get<R>();
      return std::size_t(std::find(records.begin(), records.end(), wanted) - records.begin());
    });
    if (found < Count(list)) return found;
  }
  throw py::value_error("the record is not in the list");
}

py::list Column(TRecordList& list, const std::string& name) {
  return WithRecordType(list.kind, [&](auto type) {
    using R = typename decltype(type)::type;
    const FieldDesc<R>* field = FindField<R>(name);
    if (!field) throw py::value_error(std::string("the ") + ObjKindKey(R::Kind) + " have no field '" + name + "'");
    const auto& records = list.zone->Mob().template List<R::Kind>();
    py::list column(records.size());
    PyObject* items = column.ptr();
    std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
          for (std::size_t i = 0; i < records.size(); ++i) {
            PyObject* item;
            if constexpr (std::is_same_v<M, float>) item = PyFloat_FromDouble(records[i].*member);
            else if constexpr (std::is_arithmetic_v<M>) item = PyLong_FromLong(long(records[i].*member));
            else item = ToPython(records[i].*member).release().ptr();
            if (!item) throw py::error_already_set();
            PyList_SET_ITEM(items, Py_ssize_t(i), item);
          }
        },
        field->member);
    return column;
  });
}

// Gives the field `name` of every record its value from `values`, in list order.
// Every value is checked first: a refusal changes nothing.
void SetColumn(TRecordList& list, const std::string& name, py::handle values) {
  WithRecordType(list.kind, [&](auto type) {
    using R = typename decltype(type)::type;
    const FieldDesc<R>* field = FindField<R>(name);
    if (!field) throw py::value_error(std::string("the ") + ObjKindKey(R::Kind) + " have no field '" + name + "'");
    auto& records = list.zone->Mob().template List<R::Kind>();
    const py::object items = py::reinterpret_steal<py::object>(
        PySequence_Fast(values.ptr(), "set_column() takes a sequence of values, one per record"));
    if (!items) throw py::error_already_set();
    const std::size_t count = std::size_t(PySequence_Fast_GET_SIZE(items.ptr()));
    if (count != records.size())
      throw py::value_error("set_column() takes one value per record: " + std::to_string(records.size()) +
                            " " + ObjKindKey(R::Kind) + ", " + std::to_string(count) + " values");
    PyObject** item = PySequence_Fast_ITEMS(items.ptr());
    std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
          if constexpr (!kWritableField<M>) {
            throw py::value_error(FieldWhere(R::Kind, field->name) + " cannot be assigned");
          } else {
            const std::string where = FieldWhere(R::Kind, field->name);
            std::vector<M> converted;
            converted.reserve(count);
            for (std::size_t i = 0; i < count; ++i) converted.push_back(FromPython<M>(item[i], where));
            TZoneRecorder* recorder = list.zone->Recorder();
            for (std::size_t i = 0; i < count; ++i)
              ChangeField(recorder, {R::Kind, i}, field->name, records[i].*member, std::move(converted[i]));
          }
        },
        field->member);
  });
}

// Walks the records of the kinds from `first` to `last`, in kind order.
struct TRecordIter {
  std::shared_ptr<TZoneHandle> zone;
  int kind;
  int last;
  std::size_t index = 0;

  py::object Next() {
    TMob& mob = zone->Mob();
    while (kind <= last && index >= mob.Count(ObjKind(kind))) {
      ++kind;
      index = 0;
    }
    if (kind > last) throw py::stop_iteration();
    return MakeRecord(zone, ObjKind(kind), index++);
  }
};

}  // namespace

const char* RecordClassName(ObjKind kind) {
  static constexpr const char* kNames[] = {"Unit",  "Object",    "Lever",     "Trap",
                                           "Flame", "Particle1", "Particle2", "Particle3"};
  return kNames[int(kind)];
}

py::object MakeRecord(const std::shared_ptr<TZoneHandle>& zone, ObjKind kind, std::size_t index) {
  return WithRecordType(kind, [&](auto type) {
    using R = typename decltype(type)::type;
    return py::cast(new TKindRef<R>(zone, kind, index), py::return_value_policy::take_ownership);
  });
}

TRecordRef& RecordArg(py::handle value, const char* where) {
  if (!py::isinstance<TRecordRef>(value))
    throw py::type_error(std::string(where) + ": expected a record (Unit, Object, ... Particle3), got " +
                         Py_TYPE(value.ptr())->tp_name);
  return value.cast<TRecordRef&>();
}

void BindRecords(py::module_& m) {
  py::class_<TRecordRef> record(m, "Record", R"doc(
A placed object: one record of a zone's list, or a detached one of its own.

Fields are attributes named as the parameter table names them (LoadX,
PlayerNumber, Name1, ...); the class attribute `fields` lists them in the
table's order. Assigning a value checks its type and range as the parameter
table checks a typed value, and a refused value (ValueError, TypeError)
changes nothing. A record held by a script follows its record when records
are inserted or removed before it; when its record is removed from the zone,
it keeps the record, detached.)doc");
  record
      .def_property_readonly("index",
                             [](TRecordRef& self) -> py::object {
                               if (!self.Attached()) return py::none();
                               return py::int_(self.Index());
                             },
                             "The position in its zone's list; None for a detached record.")
      .def_property_readonly("zone",
                             [](TRecordRef& self) -> py::object {
                               if (!self.Attached()) return py::none();
                               return py::cast(self.Zone());
                             },
                             "The zone that holds the record; None for a detached record.")
      .def_property(
          "identity",
          [](TRecordRef& self) {
            return WithRecordType(self.Kind(), [&](auto type) {
              using R = typename decltype(type)::type;
              return self.Get<R>().Identity();
            });
          },
          [](TRecordRef& self, py::handle value) {
            WithRecordType(self.Kind(), [&](auto type) {
              using R = typename decltype(type)::type;
              const std::int32_t id = Value32FromPython(value, FieldWhere(R::Kind, IdentityFieldName(R::Kind)));
              self.SetField<R, std::int32_t>(IdentityMember<R>(), IdentityFieldName(R::Kind), id);
            });
          },
          "The identity: ObjectID, or ID for particles. Setting it also takes the unsigned form of a "
          "32-bit value (4294967295 is -1).")
      .def("copy", [](TRecordRef& self) { return MakeDetached(std::make_shared<TAnyRecord>(self.Copy())); },
           "A detached copy, made through the record's file form as every copy between zones is.")
      .def("__copy__", [](TRecordRef& self) { return MakeDetached(std::make_shared<TAnyRecord>(self.Copy())); })
      .def("__deepcopy__",
           [](TRecordRef& self, py::handle) { return MakeDetached(std::make_shared<TAnyRecord>(self.Copy())); })
      .def("to_dict", &RecordDict, "Every field by name, in the parameter table's order.")
      .def("__repr__", &RecordRepr)
      .def("__eq__",
           [](TRecordRef& self, py::handle other) -> py::object {
             if (!py::isinstance<TRecordRef>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             return py::bool_(SameRecord(self, other.cast<TRecordRef&>()));
           },
           "Records are equal when they are of one kind and every field holds the same value.");
  record.attr("__hash__") = py::none();

  BindKind<TUnitObjBlock>(m, "A unit (the zone's units).");
  BindKind<TObjectObjBlock>(m, "A plain placed object (the zone's objects).");
  BindKind<TLeverObjBlock>(m, "A lever (the zone's levers).");
  BindKind<TTrapObjBlock>(m,
                          "A trap (the zone's traps). TrapPoints1 and TrapPoints2 hold raw 32-bit values, "
                          "three and two per point.");
  BindKind<TFlameObjBlock>(m, "A flame (the zone's flames).");
  BindKind<TParticle1ObjBlock>(m, "A particle emitter of type 1 (the zone's particles1).");
  BindKind<TParticle2ObjBlock>(m, "A particle emitter of type 2 (the zone's particles2).");
  BindKind<TParticle3ObjBlock>(m, "A particle emitter of type 3 (the zone's particles3).");

  py::class_<TRecordIter>(m, "_RecordIterator")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &TRecordIter::Next);

  py::class_<TRecordList>(m, "RecordList", R"doc(
One of the eight record lists of a zone, as a mutable sequence of records.

Indexing gives the record itself (changes to it change the zone); slices give
lists of records. append, insert and item assignment put in a copy of the record
given (from any zone, or a detached one), or a new record of the list's kind
when none is given; fields given by name are set on it first, so a refused value
adds nothing. Identities are kept as they are: Zone.copy applies the identity
rules of a mass copy instead.)doc")
      .def_property_readonly("kind", [](TRecordList& self) { return ObjKindKey(self.kind); },
                             "The list's name: units, objects, levers, traps, flames, particles1, particles2 or "
                             "particles3.")
      .def_property_readonly("record_class",
                             [](TRecordList& self) {
                               return py::module_::import("kelvarin").attr(RecordClassName(self.kind));
                             },
                             "The class of the list's records.")
      .def("__len__", &Count)
      .def("__getitem__",
           [](TRecordList& self, Py_ssize_t index) {
             return MakeRecord(self.zone, self.kind, ItemIndex(index, Count(self)));
           })
      .def("__getitem__",
           [](TRecordList& self, const py::slice& slice) {
             py::list records;
             for (std::size_t i : SliceIndices(slice, Count(self))) records.append(MakeRecord(self.zone, self.kind, i));
             return records;
           })
      .def("__setitem__",
           [](TRecordList& self, Py_ssize_t index, py::handle record) {
             const std::size_t at = ItemIndex(index, Count(self));
             TAnyRecord copy = CopyForList(record, self.kind);
             self.zone->Remove(self.kind, at);
             std::visit([&](auto& r) { self.zone->Insert(at, std::move(r)); }, copy);
           },
           "Replaces the record at the index with a copy of the one given; whoever held the old record keeps "
           "it, detached.")
      .def("__delitem__",
           [](TRecordList& self, Py_ssize_t index) { self.zone->Remove(self.kind, ItemIndex(index, Count(self))); })
      .def("__delitem__",
           [](TRecordList& self, const py::slice& slice) {
             std::vector<std::size_t> indices = SliceIndices(slice, Count(self));
             std::sort(indices.rbegin(), indices.rend());
             for (std::size_t i : indices) self.zone->Remove(self.kind, i);
           })
      .def("__iter__",
           [](TRecordList& self) { return TRecordIter{self.zone, int(self.kind), int(self.kind)}; })
      .def("__contains__",
           [](TRecordList& self, py::handle record) {
             if (!py::isinstance<TRecordRef>(record)) return false;
             try {
               IndexOf(self, record);
               return true;
             } catch (const py::value_error&) {
               return false;
             }
           })
      .def(
          "insert",
          [](TRecordList& self, Py_ssize_t index, const py::object& record, const py::kwargs& fields) {
            return InsertRecord(self, InsertIndex(index, Count(self)), record, fields);
          },
          py::arg("index"), py::arg("record") = py::none(),
          "Inserts a copy of `record` (a new record when None) before `index`, with the fields given by "
          "name; returns the inserted record.")
      .def(
          "append",
          [](TRecordList& self, const py::object& record, const py::kwargs& fields) {
            return InsertRecord(self, Count(self), record, fields);
          },
          py::arg("record") = py::none(),
          "Appends a copy of `record` (a new record when None) with the fields given by name; returns the "
          "appended record.")
      .def(
          "extend",
          [](TRecordList& self, py::iterable records) {
            // Copies first: extending a list by itself adds each record once.
            std::vector<py::object> given;
            for (py::handle record : records) given.push_back(py::reinterpret_borrow<py::object>(record));
            std::vector<TAnyRecord> copies;
            for (const py::object& record : given) copies.push_back(CopyForList(record, self.kind));
            if (!copies.empty() && !self.zone->Mob().HasObjects)
              throw py::value_error("the zone has no object block: records cannot be added to it");
            for (TAnyRecord& copy : copies)
              std::visit([&](auto& r) { self.zone->Insert(Count(self), std::move(r)); }, copy);
          },
          "Appends a copy of every record given.")
      .def(
          "pop",
          [](TRecordList& self, Py_ssize_t index) {
            const std::size_t at = ItemIndex(index, Count(self));
            py::object record = MakeRecord(self.zone, self.kind, at);
            self.zone->Remove(self.kind, at);
            return record;
          },
          py::arg("index") = -1, "Removes the record at `index` and returns it, detached.")
      .def("remove", [](TRecordList& self, py::handle record) { self.zone->Remove(self.kind, IndexOf(self, record)); },
           "Removes the record given (or the first one equal to it).")
      .def("index", &IndexOf, "The position of the record given (or of the first one equal to it).")
      .def("clear",
           [](TRecordList& self) {
             for (std::size_t n = Count(self); n > 0; --n) self.zone->Remove(self.kind, n - 1);
           })
      .def("column", &Column, py::arg("name"),
           "Every record's value of the field `name`, in list order, as one list: "
           "zone.units.column(\"LoadX\").")
      .def("set_column", &SetColumn, py::arg("name"), py::arg("values"),
           "Gives the field `name` of every record its value from `values` (one per record, in list order), "
           "checked as an assignment is; a value refused changes nothing: "
           "units.set_column(\"LoadX\", [x + 1.0 for x in units.column(\"LoadX\")]).")
      .def("__repr__", [](TRecordList& self) {
        return "<RecordList " + std::string(ObjKindKey(self.kind)) + ", " + std::to_string(Count(self)) + " records>";
      });
}

py::object ZoneRecordsIterator(const std::shared_ptr<TZoneHandle>& zone) {
  return py::cast(TRecordIter{zone, 0, kObjKindCount - 1});
}

}  // namespace kelvarin
