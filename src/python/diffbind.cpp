#include "python/diffbind.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/cp1251.h"
#include "diff/zonediff.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"
#include "python/fieldconv.h"
#include "python/zonebind.h"
#include "python/zonehandle.h"

namespace kelvarin {
namespace {

// ---- the result, as Python sees it

struct TPyRecordDiff {
  std::string kind, change;
  std::int32_t id = 0;
  std::uint32_t occurrence = 0;
  bool moved = false;
  py::object indexA, indexB;
  py::list fields;
};

struct TPyBlockDiff {
  std::string block;
  py::object index, a, b, firstDifference;
};

struct TPyHunk {
  std::size_t aStart = 0, aLines = 0, bStart = 0, bLines = 0;
  py::list lines;
};

struct TPyScriptDiff {
  py::object a, b;
  py::list hunks;
  py::str text;
};

struct TPyDiff {
  std::shared_ptr<const TZoneDiff> diff;
  std::string nameA, nameB;  // head the script's diff (code page 1251)
  py::object a, b;
  py::list blocks, records;
  TPyScriptDiff script;

  bool Same() const { return diff->SameContent(); }
};

// ---- one side of the comparison

// A zone of the script's, with the script text its owner shows (the editor's
// unsaved text included), or a file read for this comparison alone.
struct TDiffSide {
  std::unique_ptr<TMob> loaded;
  const TMob* mob = nullptr;
  std::optional<std::string_view> script;
  std::string path;  // bytes; empty for a zone that has no file
};

TDiffSide SideOf(py::handle arg) {
  TDiffSide side;
  if (py::isinstance<TZoneHandle>(arg)) {
    TZoneOwner& owner = arg.cast<TZoneHandle&>().Owner();
    side.mob = &owner.Mob();
    if (side.mob->HasScript) side.script = owner.ScriptText();
    side.path = owner.Path();
    return side;
  }
  side.path = PathBytes(arg);
  // Its records stay in the file image and are decoded only where they differ.
  side.loaded = std::make_unique<TMob>();
  side.loaded->RecordsStayInImage = true;
  LoadOrRaise(*side.loaded, side.path);
  side.mob = side.loaded.get();
  return side;
}

// A path as Python gives it (os.fsdecode); None for a zone that has no file.
py::object PathOrNone(const std::string& path) {
  if (path.empty()) return py::none();
  return py::module_::import("os").attr("fsdecode")(py::bytes(path));
}

// A file changed or cut short while it was compared: what was compared is not
// the file. OSError with the reason the command line gives, after the path.
void RequireReadWhole(const TDiffSide& side) {
  if (!side.loaded || side.loaded->KeptImageIntact()) return;
  // Formatted in Python: a path that is not UTF-8 keeps its bytes (os.fsdecode).
  const py::str message = py::str("{}: {}").format(PathOrNone(side.path), side.loaded->KeptImageLostLine());
  PyErr_SetObject(PyExc_OSError, message.ptr());
  throw py::error_already_set();
}

// ---- conversion

py::object OptionalIndex(const std::optional<std::size_t>& index) {
  return index ? py::object(py::int_(*index)) : py::object(py::none());
}

py::object BlockSide(const TBlockDiff& d, const TBlockDiff::Side& side) {
  if (!side.present) return py::none();
  py::dict result;
  if (d.HasNumber()) result["number"] = side.number;
  if (d.HasType()) result["type"] = side.type;
  result["size"] = side.size;
  return result;
}

TPyBlockDiff BlockOf(const TBlockDiff& d) {
  return {BlockDiffKey(d.block), d.HasOrdinal() ? py::object(py::int_(d.ordinal)) : py::object(py::none()),
          BlockSide(d, d.a), BlockSide(d, d.b),
          d.firstDifference ? py::object(py::int_(*d.firstDifference)) : py::object(py::none())};
}

TPyRecordDiff RecordOf(const TRecordDiff& d, const py::object& fieldChange) {
  TPyRecordDiff r{ObjKindKey(d.kind), RecordChangeKey(d), d.identity, d.occurrence, d.moved,
                  OptionalIndex(d.indexA), OptionalIndex(d.indexB), py::list()};
  const auto value = [](const TFieldValue& v) { return std::visit([](const auto& x) { return ToPython(x); }, v); };
  for (const TFieldChange& f : d.fields) r.fields.append(fieldChange(f.field, value(f.a), value(f.b)));
  return r;
}

TPyScriptDiff ScriptOf(const TScriptDiff& s, const std::string& nameA, const std::string& nameB) {
  const auto side = [](bool present, std::uint32_t key) {
    if (!present) return py::object(py::none());
    py::dict result;
    result["key"] = key;
    return py::object(result);
  };
  TPyScriptDiff script{side(s.presentA, s.keyA), side(s.presentB, s.keyB), py::list(),
                       Cp1251ToPython(ScriptHunksText(s, nameA, nameB))};
  for (const TDiffHunk& h : s.hunks) {
    TPyHunk hunk{h.aStart, h.aCount, h.bStart, h.bCount, py::list()};
    for (const TDiffLine& line : h.lines)
      hunk.lines.append(Cp1251ToPython(line.op + std::string(LineWithoutEnd(line.text))));
    script.hunks.append(py::cast(std::move(hunk)));
  }
  return script;
}

// The names heading the script's diff: the paths when code page 1251 holds both,
// otherwise the arguments' letters.
std::pair<std::string, std::string> HeadNames(const std::string& pathA, const std::string& pathB) {
  const auto a = Utf8ToCp1251(pathA), b = Utf8ToCp1251(pathB);
  if (pathA.empty() || pathB.empty() || !a || !b) return {"a", "b"};
  return {*a, *b};
}

TPyDiff Diff(py::handle argA, py::handle argB, const py::object& fieldChange) {
  const TDiffSide a = SideOf(argA), b = SideOf(argB);
  TPyDiff result;
  // The interpreter stays locked: another Python thread could otherwise change a
  // zone while it is compared.
  result.diff = std::make_shared<const TZoneDiff>(DiffZones(*a.mob, *b.mob, a.script, b.script));
  RequireReadWhole(a);
  RequireReadWhole(b);
  std::tie(result.nameA, result.nameB) = HeadNames(a.path, b.path);
  result.a = PathOrNone(a.path);
  result.b = PathOrNone(b.path);
  for (const TBlockDiff& d : result.diff->blocks) result.blocks.append(py::cast(BlockOf(d)));
  for (const TRecordDiff& d : result.diff->records) result.records.append(py::cast(RecordOf(d, fieldChange)));
  result.script = ScriptOf(result.diff->script, result.nameA, result.nameB);
  return result;
}

std::string Plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

void BindDiff(py::module_& m) {
  const py::object fieldChange = py::module_::import("collections").attr("namedtuple")(
      "FieldChange", py::make_tuple("field", "a", "b"), py::arg("module") = m.attr("__name__"));
  fieldChange.attr("__doc__") =
      "A field that changed: its name as the parameter table gives it, its value in a and its value in b, "
      "with the types the record's attribute has.";
  m.attr("FieldChange") = fieldChange;

  py::class_<TPyRecordDiff>(m, "RecordDiff", "A record that differs, found by its kind and identity.")
      .def_readonly("kind", &TPyRecordDiff::kind, "The list it is in: \"units\", \"objects\", ... \"particles3\".")
      .def_readonly("id", &TPyRecordDiff::id, "Its identity (ObjectID, or ID for particles).")
      .def_readonly("occurrence", &TPyRecordDiff::occurrence,
                    "Among the records of its list that carry the same identity, the how-manieth it is (from 0).")
      .def_readonly("change", &TPyRecordDiff::change,
                    "\"added\" (only in b), \"removed\" (only in a), \"changed\" (its fields differ) or \"moved\" "
                    "(only its place among the others of its list differs).")
      .def_readonly("moved", &TPyRecordDiff::moved,
                    "Whether it took another place in its list; also true for a record both changed and moved.")
      .def_readonly("index_a", &TPyRecordDiff::indexA, "Its position in a's list; None when it is only in b.")
      .def_readonly("index_b", &TPyRecordDiff::indexB, "Its position in b's list; None when it is only in a.")
      .def_readonly("fields", &TPyRecordDiff::fields,
                    "The changed fields as FieldChange(field, a, b) tuples, in the parameter table's order.")
      .def("__repr__", [](const TPyRecordDiff& r) {
        return "<RecordDiff " + RecordLabel(*ObjKindFromKey(r.kind), r.id, r.occurrence) + ": " + r.change + ">";
      });

  py::class_<TPyBlockDiff>(m, "BlockDiff", "A block that differs, compared by its bytes.")
      .def_readonly("block", &TPyBlockDiff::block,
                    "\"flag\", \"object\" (present on one side only), \"unknown\", \"unknown-object\" or \"tail\".")
      .def_readonly("index", &TPyBlockDiff::index,
                    "Which unknown block or unknown object sub-block, from 0; None for the others.")
      .def_readonly("a", &TPyBlockDiff::a,
                    "The block in a as a dict of number (unknown blocks), type (all but the tail) and size; None "
                    "where a has no such block.")
      .def_readonly("b", &TPyBlockDiff::b, "The block in b, as a is given.")
      .def_readonly("first_difference", &TPyBlockDiff::firstDifference,
                    "The offset of the first byte that differs where both hold the block; None otherwise.")
      .def("__repr__", [](const TPyBlockDiff& d) {
        return "<BlockDiff " + d.block + (d.index.is_none() ? "" : " " + std::string(py::str(d.index))) + ">";
      });

  py::class_<TPyHunk>(m, "Hunk", "A stretch of the script that differs, with its lines of context.")
      .def_readonly("a_start", &TPyHunk::aStart, "Its first line in a, from 1 (as a unified diff counts).")
      .def_readonly("a_lines", &TPyHunk::aLines, "How many lines of a it covers.")
      .def_readonly("b_start", &TPyHunk::bStart, "Its first line in b, from 1.")
      .def_readonly("b_lines", &TPyHunk::bLines, "How many lines of b it covers.")
      .def_readonly("lines", &TPyHunk::lines,
                    "Its lines, each starting with \" \" (in both), \"-\" (only in a) or \"+\" (only in b), "
                    "without line ends.");

  py::class_<TPyScriptDiff>(m, "ScriptDiff", "How the deciphered scripts differ.")
      .def_readonly("a", &TPyScriptDiff::a,
                    "{\"key\": k}, the key a's script is written with (0 for plain text); None where a has no "
                    "script block.")
      .def_readonly("b", &TPyScriptDiff::b, "b's script, as a is given.")
      .def_readonly("hunks", &TPyScriptDiff::hunks, "The stretches that differ, with 3 lines of context.")
      .def_readonly("text", &TPyScriptDiff::text,
                    "The hunks as a unified diff, headed by the zones' paths; empty when the texts are the same.");

  py::class_<TPyDiff>(m, "Diff", R"doc(
What changed from zone a to zone b. True when they differ: `if kelvarin.diff(a, b):`.
str() gives the text kelvarin-cli diff prints; the attributes are named as the keys
of its --json document.)doc")
      .def_readonly("a", &TPyDiff::a, "a's path; None for a zone that has no file.")
      .def_readonly("b", &TPyDiff::b, "b's path; None for a zone that has no file.")
      .def_property_readonly("same", &TPyDiff::Same, "Whether the zones hold the same content.")
      .def_property_readonly("layout_differs", [](const TPyDiff& d) { return d.diff->layoutDiffers; },
                             "Whether two files hold the same content in bytes that differ only in what a "
                             "save makes the same (the order of blocks or records, a record's form, the "
                             "script key).")
      .def_readonly("blocks", &TPyDiff::blocks, "The blocks that differ, as BlockDiff.")
      .def_readonly("records", &TPyDiff::records,
                    "The records that differ, as RecordDiff: kind by kind in list order, in each kind the "
                    "removed ones first, then the rest in b's order.")
      .def_readonly("script", &TPyDiff::script, "How the scripts differ, as ScriptDiff.")
      .def("__bool__", [](const TPyDiff& d) { return !d.Same(); })
      .def("__str__", [](const TPyDiff& d) { return Cp1251ToPython(ZoneDiffText(*d.diff, d.nameA, d.nameB)); })
      .def("__repr__", [](const TPyDiff& d) {
        if (d.Same()) return std::string("<Diff: the same content>");
        const std::string counts =
            Plural(d.diff->blocks.size(), "block") + (d.diff->script.Same() ? " and " : ", ") +
            Plural(d.diff->records.size(), "record") + (d.diff->script.Same() ? "" : " and the script");
        return "<Diff: " + counts + " differ>";
      });

  m.def("diff", [fieldChange](py::handle a, py::handle b) { return Diff(a, b, fieldChange); }, py::arg("a"),
        py::arg("b"), R"doc(
What changed from a to b, each a Zone (as edited, unsaved changes included) or the
path of a .mob file. Records pair per kind by identity (those sharing one within a
zone in list order); each paired record that differs lists its changed fields, one
that only took another place is "moved", an unpaired one "added" or "removed". The
script is compared as deciphered text line by line, the other blocks by their bytes.
LoadError when a path does not load; OSError with the reason when a file changed
while it was compared.)doc");
}

}  // namespace kelvarin
