#include "python/zonebind.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check/zonecheck.h"
#include "common/bytes.h"
#include "common/filesystem.h"
#include "document/recordsedit.h"
#include "masschange/core/masschangeengine.h"
#include "mob/filelog.h"
#include "mob/kindnames.h"
#include "script/core/objectrefs.h"
#include "python/fieldconv.h"
#include "python/recordbind.h"

namespace kelvarin {
namespace {

// A log text (lines ending in CR LF) as lines, the empty ones left out.
std::string LogLines(const std::string& log) {
  std::string lines;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    std::string line = log.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines += "\n" + line;
    start = end + 1;
  }
  return lines;
}

std::shared_ptr<TZoneHandle> NewZone() {
  auto owner = std::make_unique<TOwnedZone>();
  MakeEmptyZone(owner->Mob());
  return std::make_shared<TZoneHandle>(std::move(owner));
}

// Loads `path` as the loader of the editor and the CLI does (the whole file, every
// record read).
std::unique_ptr<TOwnedZone> LoadZone(const std::string& path) {
  auto owner = std::make_unique<TOwnedZone>();
  LoadOrRaise(owner->Mob(), path);
  owner->SetPath(path);
  return owner;
}

std::shared_ptr<TZoneHandle> OpenZone(py::handle path) {
  return std::make_shared<TZoneHandle>(LoadZone(PathBytes(path)));
}

TRecordList List(TZoneHandle& zone, ObjKind kind) {
  zone.Mob();  // raises when the zone can no longer be reached
  return TRecordList{zone.shared_from_this(), kind};
}

void Save(TZoneHandle& zone, const py::object& pathArg) {
  zone.Require(TZoneOperation::Save);
  TZoneOwner& owner = zone.Owner();
  const std::string path = pathArg.is_none() ? owner.Path() : PathBytes(pathArg);
  if (path.empty()) throw py::value_error("the zone has no file yet: give save() a path");
  TMob& mob = owner.Mob();
  // The interpreter stays locked: another Python thread could otherwise change the
  // records while they are written.
  const bool saved = mob.Save(path);
  if (!saved) {
    PyErr_SetString(PyExc_OSError, (PathText(path) + ": the zone was not saved:" + LogLines(mob.LogText)).c_str());
    throw py::error_already_set();
  }
  owner.Saved(path);
}

// ---- the zone check

struct TFinding {
  std::string severity;
  std::string code;
  std::string message;
  py::object line, column, record;
  std::size_t omitted = 0;
};

std::vector<TFinding> Check(TZoneHandle& zone) {
  TMob& mob = zone.Mob();
  const TZoneCheck check(mob, mob.HasScript ? std::string_view(zone.Owner().ScriptText()) : std::string_view());
  std::vector<TFinding> result;
  check.Run([&](const TCheckFinding& f) {
    TFinding finding{f.Severity() == TCheckSeverity::Error ? "error" : "warning", std::string(f.Code()),
                     check.Message(f), py::none(), py::none(), py::none(), f.omitted};
    if (const auto* place = std::get_if<TScriptPlace>(&f.place)) {
      finding.line = py::int_(place->line);
      finding.column = py::int_(place->column);
    } else {
      const TObjRef ref = std::get<TObjRef>(f.place);
      finding.record = MakeRecord(zone.shared_from_this(), ref.kind, ref.index);
    }
    result.push_back(std::move(finding));
  });
  return result;
}

// ---- identities

py::list RecordsAt(TZoneHandle& zone, const std::vector<TObjRef>& refs) {
  py::list records;
  for (const TObjRef& ref : refs) records.append(MakeRecord(zone.shared_from_this(), ref.kind, ref.index));
  return records;
}

py::list Find(TZoneHandle& zone, const py::object& id, const py::object& name) {
  if (id.is_none() == name.is_none()) throw py::type_error("find() takes either id or name");
  TMob& mob = zone.Mob();
  if (!id.is_none()) return RecordsAt(zone, RecordsWithId(mob, Value32FromPython(id, "find(id)")));
  return RecordsAt(zone, RecordsNamed(mob, Cp1251FromPython(name, "find(name)")));
}

py::object FreeId(TZoneHandle& zone) {
  const std::uint32_t id = zone.Mob().FindFreeObjectId();
  return id == 0 ? py::object(py::none()) : py::object(py::int_(id));
}

// Copies a record into the zone by the rules of a mass copy: an identity of the
// high range, or any identity with `replace`, takes the place of every record that
// carries it; otherwise a copy whose identity is taken gets the lowest free one.
py::object CopyIn(TZoneHandle& zone, py::handle recordArg, bool replace) {
  TRecordRef& source = RecordArg(recordArg, "record");
  TAnyRecord copy = source.Copy();
  TMob& mob = zone.Mob();
  if (!mob.HasObjects) throw py::value_error("the zone has no object block: records cannot be added to it");
  std::int32_t id = std::visit([](const auto& r) { return r.Identity(); }, copy);
  const std::vector<TObjRef> carriers = RecordsWithId(mob, id);
  if (std::uint32_t(id) >= kHighIdentityRange || replace) {
    for (auto it = carriers.rbegin(); it != carriers.rend(); ++it) zone.Remove(it->kind, it->index);
  } else if (!carriers.empty()) {
    const std::uint32_t freeId = mob.FindFreeObjectId();
    if (freeId == 0) throw py::value_error("every identity from 1 to 999999999 is taken: the record was not copied");
    id = std::int32_t(freeId);
    std::visit([&](auto& r) { SetIdentity(r, id); }, copy);
  }
  const ObjKind kind = ObjKind(copy.index());
  const std::size_t index = mob.Count(kind);
  std::visit([&](auto& r) { zone.Insert(index, std::move(r)); }, copy);
  return MakeRecord(zone.shared_from_this(), kind, index);
}

// ---- mass changes

// The options from a dict with the keys of the options file ("MC_KR_Type_UnitCB_ini":
// True, "MC_AS_Params_Name2Ed_ini": "torch"); keys not given keep a first run's values.
MassChangeOpts OptionsFromDict(const py::dict& options) {
  MassChangeOpts opts;
  for (auto [key, value] : options) {
    const std::string name = py::str(key);
    const auto field = [&](auto fields) {
      for (const auto& f : fields)
        if (name == std::string(f.name) + "_ini") return &f;
      return decltype(&*fields.begin())(nullptr);
    };
    if (const TMassChangeBoolField* f = field(MassChangeBoolFields())) {
      if (!PyBool_Check(value.ptr()))
        throw py::type_error(name + ": expected True or False, got " + Py_TYPE(value.ptr())->tp_name);
      opts.*(f->member) = value.cast<bool>();
    } else if (const TMassChangeTextField* t = field(MassChangeTextFields())) {
      // Numbers may be given as numbers, the target as a path; the option check
      // reads their text.
      py::object text = py::reinterpret_borrow<py::object>(value);
      if (PyLong_Check(value.ptr()) || PyFloat_Check(value.ptr())) text = py::str(value);
      else if (py::hasattr(value, "__fspath__")) text = py::module_::import("os").attr("fspath")(value);
      opts.*(t->member) = Cp1251FromPython(text, name);
    } else {
      throw py::value_error("'" + name + "' is no key of the mass-change options (they are named as in the "
                            "options file, such as 'MC_KR_Type_UnitCB_ini')");
    }
  }
  return opts;
}

py::dict CountsDict(const TMassChangeCounts& counts) {
  py::dict selected;
  for (ObjKind kind : kAllObjKinds) selected[ObjKindKey(kind)] = counts.selected[int(kind)];
  py::dict result;
  result["selected"] = selected;
  result["changed"] = counts.changed;
  result["deleted"] = counts.deleted;
  result["copied"] = counts.copied;
  result["replaced"] = counts.replacedInTarget;
  result["summary"] = MassChangeSummaryLine(counts);
  return result;
}

[[noreturn]] void RaiseOSError(const std::string& message) {
  PyErr_SetString(PyExc_OSError, message.c_str());
  throw py::error_already_set();
}

py::dict MassChange(TZoneHandle& zone, const py::dict& options) {
  zone.Require(TZoneOperation::MassChange);
  // Numbers are written as Python writes them, with a point.
  constexpr char kSeparator = '.';
  const TMassChangeParse parse = ParseMassChange(OptionsFromDict(options), kSeparator);
  TZoneOwner& owner = zone.Owner();
  const std::string check = MassChangeError(parse, owner.Path());
  if (!check.empty()) throw py::value_error(check);

  const TMassChangePlan& plan = *parse.plan;
  const MassChangeMode mode = plan.mode;
  const std::string& targetPath = plan.targetPath;
  std::unique_ptr<TOwnedZone> target;
  if (UsesTarget(mode)) {
    // The target is written back: only a regular file is read and replaced.
    if (const FileKind kind = Files().KindOf(targetPath); kind != FileKind::Regular)
      throw py::value_error(NotRegularFileLine(targetPath, kind));
    target = LoadZone(targetPath);
    if (!target->Mob().HasObjects)
      throw py::value_error(PathText(targetPath) + ": the target zone has no object block: records cannot be copied into it");
  }

  TMob& mob = owner.Mob();
  TRecordsEdit edit;
  TMassChanger changer(plan, mob, target ? &target->Mob() : nullptr, &edit);
  changer.Run();
  const TMassChangeCounts counts = changer.Counts();
  // A copy leaves the zone as it was: what it changed went into the copies only.
  if (mode == MassChangeMode::Copy) edit.Undo(mob);
  if (target) {
    bool saved;
    {
      py::gil_scoped_release unlocked;
      saved = target->Mob().Save(targetPath);
    }
    if (!saved) {
      // The moved records would be in neither zone: they stay where they were.
      if (mode == MassChangeMode::Move) edit.Undo(mob);
      RaiseOSError(PathText(targetPath) + ": the target zone was not saved:" + LogLines(target->Mob().LogText));
    }
  }
  if (edit.TakenRecords() > 0 && mode != MassChangeMode::Copy) {
    for (ObjKind kind : kAllObjKinds)
      if (counts.selected[int(kind)] > 0)
        zone.LoseRefs(kind, "a mass change took records out of this record's list: take the record from the "
                            "zone again");
  }
  return CountsDict(counts);
}

// ---- blocks

py::bytes AsBytes(const Bytes& bytes) {
  return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

py::bytes FlagBlock(const TMob& mob) {
  Bytes bytes;
  TByteWriter w(bytes);
  w.U32(mob.MobKind == "QuestMob" ? kQuestMobFlag : kZonalMobFlag);
  w.U32(8);
  return AsBytes(bytes);
}

}  // namespace

std::string PathBytes(py::handle path) { return py::module_::import("os").attr("fsencode")(path).cast<std::string>(); }

std::string PathText(const std::string& bytes) {
  return py::str(py::module_::import("os").attr("fsdecode")(py::bytes(bytes)));
}

void LoadOrRaise(TMob& mob, const std::string& path) {
  bool loaded;
  {
    py::gil_scoped_release unlocked;
    loaded = mob.Load(path);
  }
  if (loaded) return;
  std::string log = mob.LogText;
  // The loader says nothing of a path that names no file: say what is there.
  if (!Files().Exists(path)) {
    const FileKind kind = Files().KindOf(path);
    log += kind == FileKind::Missing ? ReasonLine(ENOENT) : NotRegularFileLine(path, kind);
  }
  throw TLoadError(PathText(path) + ": the zone could not be loaded:" + LogLines(log));
}

void BindZone(py::module_& m) {
  py::register_exception<TLoadError>(m, "LoadError", PyExc_Exception);

  py::class_<TFinding>(m, "Finding", "One finding of the zone check.")
      .def_readonly("severity", &TFinding::severity, "\"error\" or \"warning\".")
      .def_readonly("code", &TFinding::code, "A stable code, such as \"duplicate-id\".")
      .def_readonly("message", &TFinding::message, "What is wrong, in Russian.")
      .def_readonly("line", &TFinding::line, "The script line (from 1); None for a record's finding.")
      .def_readonly("column", &TFinding::column, "The column in characters (from 1); None for a record's finding.")
      .def_readonly("record", &TFinding::record, "The record concerned; None for a script finding.")
      .def_readonly("omitted", &TFinding::omitted,
                    "0 for a finding; for the summary after the first ten of one code at one place, how many "
                    "more it stands for.")
      .def("__repr__", [](const TFinding& f) {
        std::string place = f.record.is_none() ? "line " + std::string(py::str(f.line)) + ", column " +
                                                     std::string(py::str(f.column))
                                               : std::string(py::repr(f.record));
        return "<Finding " + f.severity + " " + f.code + " at " + place + ": " + f.message + ">";
      });

  py::class_<TZoneHandle, std::shared_ptr<TZoneHandle>> zone(m, "Zone", R"doc(
A zone: its script, its eight record lists and the blocks carried through
unchanged. Zone() is a new, empty zone; kelvarin.open(path) reads one from a
file.)doc");
  zone.def(py::init(&NewZone),
           "A new zone with no records, an empty script and no unknown blocks; save(path) writes it.");
  for (ObjKind kind : kAllObjKinds) {
    const std::string doc = std::string("The ") + ObjKindKey(kind) + ", as a RecordList of " +
                            RecordClassName(kind) + " records.";
    zone.def_property_readonly(ObjKindKey(kind), [kind](TZoneHandle& self) { return List(self, kind); },
                               doc.c_str());
  }
  zone.def_property_readonly(
          "path",
          [](TZoneHandle& self) -> py::object {
            const std::string path = self.Owner().Path();
            if (path.empty()) return py::none();
            return py::str(PathText(path));
          },
          "The file the zone was read from or last saved to; None for a new zone not saved yet.")
      .def_property_readonly("mob_kind", [](TZoneHandle& self) { return self.Mob().MobKind; },
                             "\"QuestMob\" or \"ZonalMob\", from the flag block.")
      .def_property_readonly("flags", [](TZoneHandle& self) { return FlagBlock(self.Mob()); },
                             "The flag block's 8 bytes as the file holds them.")
      .def_property_readonly("has_script", [](TZoneHandle& self) { return self.Mob().HasScript; },
                             "Whether the zone has a script block (a zone without one never gains one).")
      .def_property_readonly("has_objects", [](TZoneHandle& self) { return self.Mob().HasObjects; },
                             "Whether the zone has an object block; records can be added only when it has.")
      .def_property(
          "script",
          [](TZoneHandle& self) -> py::object {
            if (!self.Mob().HasScript) return py::none();
            return Cp1251ToPython(self.Owner().ScriptText());
          },
          [](TZoneHandle& self, py::handle text) {
            self.Require(TZoneOperation::WriteScript);
            std::string bytes = Cp1251FromPython(text, "Zone.script");
            TMob& mob = self.Mob();
            if (!mob.HasScript) throw py::value_error("the zone has no script block: a script cannot be added");
            mob.ScriptText = std::move(bytes);
          },
          "The deciphered script as str; None when the zone has no script block. Every character must be one "
          "code page 1251 holds.")
      .def_property(
          "script_key",
          [](TZoneHandle& self) { return self.Mob().ScriptKey; },
          [](TZoneHandle& self, py::handle key) {
            self.Require(TZoneOperation::WriteScriptKey);
            const std::int32_t value = Value32FromPython(key, "Zone.script_key");
            self.Mob().ScriptKey = std::uint32_t(value);
          },
          "The script's key. A save writes any nonzero key as the default key 28417, and 0 as 0 (the script "
          "is then stored as plain text).")
      .def_property_readonly(
          "unknown_blocks",
          [](TZoneHandle& self) {
            py::list blocks;
            for (const SUnknBlock& block : self.Mob().UnknownBlocks)
              blocks.append(py::make_tuple(block.Number, AsBytes(block.Data)));
            return blocks;
          },
          "The blocks of unknown type as (number, bytes) pairs: each block whole, header included, and its "
          "position in the file (the flag block is 1).")
      .def_property_readonly(
          "unknown_object_blocks",
          [](TZoneHandle& self) {
            py::list blocks;
            for (const SUnknObjBlock& block : self.Mob().UnknownObjectBlocks) blocks.append(AsBytes(block.Data));
            return blocks;
          },
          "The object sub-blocks of unknown kind, each whole, header included.")
      .def_property_readonly("tail", [](TZoneHandle& self) { return AsBytes(self.Mob().Tail); },
                             "The bytes after the main block; empty when there are none.")
      .def("records", [](TZoneHandle& self) { return ZoneRecordsIterator(self.shared_from_this()); },
           "Every record of the zone: the units first, then objects, levers, traps, flames and the three "
           "particle kinds.")
      .def("save", &Save, py::arg("path") = py::none(),
           "Writes the zone to `path` (its own file when None) as the editor writes a file: it is replaced in "
           "one step, so a failed save leaves the old one whole; a folder, device or FIFO in its place is "
           "refused. OSError with the reason when it fails. The zone then takes that path.")
      .def("check", &Check,
           "The zone check's findings: identities carried twice, script references no record answers, "
           "unbalanced brackets, unterminated strings, unknown calls, non-finite coordinates, zero or "
           "non-finite rotations.")
      .def("mass_change", &MassChange, py::arg("options"),
           "Runs a mass change over the zone's records in memory. `options` holds the options file's keys "
           "(\"MC_KR_Type_UnitCB_ini\": True, \"MC_AS_Params_Name2Ed_ini\": \"torch\", ...); keys not given "
           "keep a first run's values. Numbers are written with a point. Copy and move mode write the "
           "records into the target file the options name, which is saved; the zone itself is not saved. "
           "Returns what the run did: selected per kind, changed, deleted, copied, replaced and the summary "
           "line.")
      .def("free_id", &FreeId,
           "The lowest identity from 1 to 999999999 that no record carries; None when all are taken.")
      .def("find", &Find, py::kw_only(), py::arg("id") = py::none(), py::arg("name") = py::none(),
           "The records that carry the identity `id`, or the name `name` (ScriptVariableName or Name2, "
           "NameStr for particles), as the script's GetObjectByID and GetObjectByName find them; in kind "
           "order, then list order.")
      .def("copy", &CopyIn, py::arg("record"), py::arg("replace") = true,
           "Appends a copy of `record` (from any zone) to its kind's list by the identity rules of a mass "
           "copy: with `replace`, or for an identity of 1000000000 and above, the copy takes the place of "
           "every record carrying its identity; otherwise a taken identity is replaced by the lowest free "
           "one. Returns the copy.")
      .def("__repr__", [](TZoneHandle& self) {
        const TMob& mob = self.Mob();
        const std::string path = self.Owner().Path();
        return "<Zone " + (path.empty() ? std::string("(new)") : PathText(path)) + ": " + mob.MobKind + ", " +
               std::to_string(mob.TotalRecordCount()) + " records>";
      });

  m.def("open", &OpenZone, py::arg("path"),
        "Reads the zone of a .mob file, every record decoded, as the editor does. LoadError, with the "
        "loader's lines, when the file does not load.");
}

}  // namespace kelvarin
