#include "cli/jsondoc.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <set>

#include "common/cp1251.h"
#include "common/hex.h"
#include "mob/fields.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"
#include "mob/writefault.h"

namespace kelvarin {
namespace {

// ---- to JSON ----------------------------------------------------------------

Json FloatToJson(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);  // shortest round trip
  double shortest = 0;
  std::from_chars(buf, end, shortest);
  // JSON readers take numbers as doubles. For two floats (+-7.038531e-26) the
  // shortest text, read as a double and then rounded to a float, lands on the
  // neighbouring float; those are written with the digits of their exact value.
  if (static_cast<float>(shortest) != v) return static_cast<double>(v);
  return shortest;
}

template <class R> Json RecordToJson(const R& record) {
  Json out = Json::object();
  for (const auto& field : FieldsOf<R>()) {
    std::visit(
        [&](auto member) {
          const auto& value = record.*member;
          using V = std::decay_t<decltype(value)>;
          Json& j = out[field.name];
          if constexpr (std::is_same_v<V, std::uint8_t> || std::is_same_v<V, std::int32_t>) {
            j = value;
          } else if constexpr (std::is_same_v<V, float>) {
            j = FloatToJson(value);
          } else if constexpr (std::is_same_v<V, std::string>) {
            j = Cp1251ToUtf8(value);
          } else if constexpr (std::is_same_v<V, StringList>) {
            j = Json::array();
            for (const auto& s : value) j.push_back(Cp1251ToUtf8(s));
          } else if constexpr (std::is_same_v<V, Bytes>) {
            j = ToHex(value);
          } else if constexpr (std::is_same_v<V, std::vector<Bytes>>) {
            j = Json::array();
            for (const auto& b : value) j.push_back(ToHex(b));
          } else if constexpr (std::is_same_v<V, std::vector<TTrapPoint3>>) {
            j = Json::array();
            for (const auto& p : value) j.push_back({p.A, p.B, p.C});
          } else {
            j = Json::array();
            for (const auto& p : value) j.push_back({p.A, p.B});
          }
        },
        field.member);
  }
  return out;
}

const char* ListKey(ObjKind kind) { return ObjKindKey(kind); }

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t plain = 0;  // the start of the characters not yet appended
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text, plain, i - plain);
    plain = i + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
  }
  out.append(text, plain);
  out += '"';
}

// JSON text never holds a raw line break inside a string, so every one is layout.
void WriteIndented(std::ostream& out, const std::string& text, int depth) {
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
    out.write(text.data() + from, std::streamsize(nl + 1 - from));
    for (int i = 0; i < depth; ++i) out.put(' ');
  }
  out.write(text.data() + from, std::streamsize(text.size() - from));
}

namespace {

// ---- from JSON ---------------------------------------------------------------

// Thrown inside the reader only; JsonToMob turns it into its error text.
struct Refusal {
  std::string where;
  std::string what;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
  throw Refusal{where, what};
}

const Json& Need(const Json& obj, const char* key, const std::string& where) {
  const auto it = obj.find(key);
  if (it == obj.end()) Refuse(where, std::string("missing key \"") + key + "\"");
  return *it;
}

void RefuseUnknownKeys(const Json& obj, const std::set<std::string>& known, const std::string& where) {
  for (const auto& [key, value] : obj.items())
    if (!known.contains(key)) Refuse(where, "unknown key \"" + key + "\"");
}

std::int64_t ReadInteger(const Json& j, const std::string& where, std::int64_t lo, std::int64_t hi) {
  if (!j.is_number_integer()) Refuse(where, "expected an integer");
  const std::string range = " out of range " + std::to_string(lo) + ".." + std::to_string(hi);
  if (j.is_number_unsigned()) {
    const auto v = j.get<std::uint64_t>();
    if (v > std::uint64_t(hi)) Refuse(where, "value " + std::to_string(v) + range);
    return std::int64_t(v);
  }
  const auto v = j.get<std::int64_t>();
  if (v < lo || v > hi) Refuse(where, "value " + std::to_string(v) + range);
  return v;
}

float ReadFloat(const Json& j, const std::string& where) {
  if (j.is_string()) {
    const auto s = j.get<std::string>();
    if (s == "NaN") return std::numeric_limits<float>::quiet_NaN();
    if (s == "Infinity") return std::numeric_limits<float>::infinity();
    if (s == "-Infinity") return -std::numeric_limits<float>::infinity();
    Refuse(where, "expected a number, \"NaN\", \"Infinity\" or \"-Infinity\"");
  }
  if (!j.is_number()) Refuse(where, "expected a number");
  const double d = j.get<double>();
  const float f = static_cast<float>(d);
  if (std::isinf(f)) Refuse(where, "value beyond the range of a 32-bit float");
  return f;
}

std::string ReadString(const Json& j, const std::string& where) {
  if (!j.is_string()) Refuse(where, "expected a string");
  TCp1251Error error;
  auto bytes = Utf8ToCp1251(j.get_ref<const std::string&>(), &error);
  if (!bytes) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(error.codePoint));
    Refuse(where, error.invalidUtf8 ? "text is not valid UTF-8"
                                    : std::string("character ") + code +
                                          " cannot be stored in code page 1251");
  }
  return std::move(*bytes);
}

Bytes ReadHex(const Json& j, const std::string& where) {
  if (!j.is_string()) Refuse(where, "expected a hex string");
  auto bytes = FromHex(j.get_ref<const std::string&>());
  if (!bytes) Refuse(where, "not a hex string");
  return std::move(*bytes);
}

const Json& ReadArray(const Json& j, const std::string& where) {
  if (!j.is_array()) Refuse(where, "expected an array");
  return j;
}

std::string ListItemWhere(const char* key, std::size_t index) {
  return std::string(key) + "[" + std::to_string(index) + "]";
}

template <class R> void RecordFromJson(const Json& in, R& record, const std::string& where) {
  if (!in.is_object()) Refuse(where, "expected an object");
  std::set<std::string> known;
  for (const auto& field : FieldsOf<R>()) {
    known.insert(field.name);
    const std::string at = where + "." + field.name;
    const Json& j = Need(in, field.name, where);
    std::visit(
        [&](auto member) {
          auto& value = record.*member;
          using V = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<V, std::uint8_t>) {
            value = std::uint8_t(ReadInteger(j, at, 0, 255));
          } else if constexpr (std::is_same_v<V, std::int32_t>) {
            value = std::int32_t(ReadInteger(j, at, INT32_MIN, INT32_MAX));
          } else if constexpr (std::is_same_v<V, float>) {
            value = ReadFloat(j, at);
          } else if constexpr (std::is_same_v<V, std::string>) {
            value = ReadString(j, at);
          } else if constexpr (std::is_same_v<V, StringList>) {
            std::size_t i = 0;
            for (const auto& item : ReadArray(j, at))
              value.push_back(ReadString(item, at + "[" + std::to_string(i++) + "]"));
          } else if constexpr (std::is_same_v<V, Bytes>) {
            value = ReadHex(j, at);
          } else if constexpr (std::is_same_v<V, std::vector<Bytes>>) {
            std::size_t i = 0;
            for (const auto& item : ReadArray(j, at))
              value.push_back(ReadHex(item, at + "[" + std::to_string(i++) + "]"));
          } else {
            constexpr std::size_t n = std::is_same_v<V, std::vector<TTrapPoint3>> ? 3 : 2;
            std::size_t i = 0;
            for (const auto& point : ReadArray(j, at)) {
              const std::string pointAt = at + "[" + std::to_string(i++) + "]";
              if (!point.is_array() || point.size() != n)
                Refuse(pointAt, "expected an array of " + std::to_string(n) + " integers");
              std::uint32_t v[3] = {};
              for (std::size_t k = 0; k < n; ++k)
                v[k] = std::uint32_t(ReadInteger(point[k], pointAt, 0, UINT32_MAX));
              if constexpr (n == 3) value.push_back({v[0], v[1], v[2]});
              else value.push_back({v[0], v[1]});
            }
          }
        },
        field.member);
  }
  RefuseUnknownKeys(in, known, where);
}

const char kExpectedKind[] = "expected \"QuestMob\" or \"ZonalMob\"";

// The writer's refusal, told at the place of the JSON form that holds the fault.
[[noreturn]] void RefuseWriteFault(const TWriteFault& fault) {
  const bool unframed = fault.why == TWriteFault::Why::Unframed;
  const std::string index = "[" + std::to_string(fault.index) + "]";
  switch (fault.where) {
    case TWriteFault::Where::ZoneKind: Refuse("mobKind", kExpectedKind);
    case TWriteFault::Where::NoBlock:
      Refuse("document", "no block would follow the flag block: the zone needs a script block, an object "
                         "block or an unknown block");
    case TWriteFault::Where::UnknownBlock:
      Refuse("unknownBlocks" + index + ".data", unframed ? "not a whole block (its size field must equal its length)"
                                                         : "a script or object block cannot be an unknown block");
    case TWriteFault::Where::UnknownSubBlock:
      Refuse("unknownObjectBlocks" + index, unframed ? "not a whole sub-block (its size field must equal its length)"
                                                     : "a sub-block of a known kind belongs in its record list");
    case TWriteFault::Where::UnitChunk: {
      const bool raw = fault.chunk < 0;
      const std::string at = "units" + index + (raw ? ".RawChunk" : ".ExtraBlocks[" + std::to_string(fault.chunk) + "]");
      if (unframed) Refuse(at, "not a whole chunk (its size field must equal its length)");
      char expected[16];
      std::snprintf(expected, sizeof expected, "0x%08X",
                    unsigned(raw ? TUnitObjBlock::kRawChunkId : TUnitObjBlock::kExtraBlockId));
      Refuse(at, std::string("not a chunk of id ") + expected);
    }
  }
  Refuse("document", "cannot be written");
}

// What a streamed read did with the eight record lists: their records are in the
// document already; a list whose reading was refused keeps the first refusal.
struct StreamedLists {
  std::optional<Refusal> refusal[kObjKindCount];
};

// Reads a document in the order every check is made, so the first problem found
// is the one reported. With `streamed` the record lists were read while parsing
// and only their refusals are left to report, in the same order.
void ReadDocument(const Json& in, TMob& mob, const StreamedLists* streamed) {
  if (!in.is_object()) Refuse("document", "expected an object");
  static const std::set<std::string> kKeys = {
      "mobKind", "blockCount", "hasScript", "scriptKey",  "scriptText", "hasObjects",
      "unknownBlocks", "units", "objects", "levers", "traps", "flames", "particles1",
      "particles2", "particles3", "unknownObjectBlocks", "tail"};
  RefuseUnknownKeys(in, kKeys, "document");

  const Json& kind = Need(in, "mobKind", "document");
  if (!kind.is_string()) Refuse("mobKind", kExpectedKind);
  mob.MobKind = kind.get<std::string>();
  mob.BlockCount = std::int32_t(ReadInteger(Need(in, "blockCount", "document"), "blockCount", 2, INT32_MAX));

  const auto flag = [&](const char* key) {
    const Json& j = Need(in, key, "document");
    if (!j.is_boolean()) Refuse(key, "expected true or false");
    return j.get<bool>();
  };
  mob.HasScript = flag("hasScript");
  mob.ScriptKey = std::uint32_t(ReadInteger(Need(in, "scriptKey", "document"), "scriptKey", 0, UINT32_MAX));
  mob.ScriptText = ReadString(Need(in, "scriptText", "document"), "scriptText");
  mob.HasObjects = flag("hasObjects");

  std::set<std::int32_t> numbers;
  std::size_t i = 0;
  for (const auto& block : ReadArray(Need(in, "unknownBlocks", "document"), "unknownBlocks")) {
    const std::string at = "unknownBlocks[" + std::to_string(i++) + "]";
    if (!block.is_object()) Refuse(at, "expected an object");
    RefuseUnknownKeys(block, {"number", "data"}, at);
    SUnknBlock b;
    b.Number = std::int32_t(ReadInteger(Need(block, "number", at), at + ".number", 2, mob.BlockCount));
    if (!numbers.insert(b.Number).second) Refuse(at + ".number", "a second block with this number");
    b.Data = ReadHex(Need(block, "data", at), at + ".data");
    b.Size = b.Data.size();
    mob.UnknownBlocks.push_back(std::move(b));
  }
  const std::int64_t expected =
      1 + std::int64_t(mob.UnknownBlocks.size()) + (mob.HasScript ? 1 : 0) + (mob.HasObjects ? 1 : 0);
  // Fewer positions than blocks would drop blocks on saving. More are harmless: a
  // zone read with a second script or object block counts it but writes one.
  if (mob.BlockCount < expected)
    Refuse("blockCount", "must be at least " + std::to_string(expected) +
                             ": the flag block, the unknown blocks and the script and object blocks");

  int k = 0;
  mob.ForEachList([&](auto& list) {
    const char* key = ListKey(ObjKind(k++));
    const Json& array = ReadArray(Need(in, key, "document"), key);
    if (streamed) {
      if (const auto& refusal = streamed->refusal[k - 1]) throw *refusal;
      return;
    }
    list.resize(array.size());
    for (std::size_t r = 0; r < array.size(); ++r)
      RecordFromJson(array[r], list[r], ListItemWhere(key, r));
  });

  i = 0;
  for (const auto& block :
       ReadArray(Need(in, "unknownObjectBlocks", "document"), "unknownObjectBlocks")) {
    const std::string at = "unknownObjectBlocks[" + std::to_string(i++) + "]";
    SUnknObjBlock b;
    b.Data = ReadHex(block, at);
    b.Size = std::uint32_t(b.Data.size());
    mob.UnknownObjectBlocks.push_back(std::move(b));
  }
  if (!mob.HasObjects && (mob.TotalRecordCount() > 0 || !mob.UnknownObjectBlocks.empty()))
    Refuse("hasObjects", "records are given but the zone has no object block");

  mob.Tail = ReadHex(Need(in, "tail", "document"), "tail");
  mob.TailLength = std::int64_t(mob.Tail.size());

  // Whatever reads as a document must also write a file that loads.
  if (const auto fault = FindWriteFault(mob)) RefuseWriteFault(*fault);
}


struct TooDeep {};

// Refuses a container that would open kMaxJsonDepth levels deep, while parsing,
// before a deep document is ever built.
void CheckDepth(std::size_t enclosing) {
  if (enclosing >= std::size_t(kMaxJsonDepth)) throw TooDeep{};
}

// Builds the document as nlohmann's DOM parser would, except for the eight record
// lists: each item of those is read into its record as soon as it is complete and
// then dropped, so only one record's JSON stands in memory at a time. The rest
// (a small skeleton) is read by ReadDocument afterwards.
class TStreamedDocumentReader {
 public:
  explicit TStreamedDocumentReader(TMob& mob) : m_mob(mob) {}

  Json& Skeleton() { return m_root; }
  const StreamedLists& Lists() const { return m_lists; }
  const std::string& ParseError() const { return m_parseError; }

  bool null() { return Value(nullptr); }
  bool boolean(bool v) { return Value(v); }
  bool number_integer(Json::number_integer_t v) { return Value(v); }
  bool number_unsigned(Json::number_unsigned_t v) { return Value(v); }
  bool number_float(Json::number_float_t v, const Json::string_t&) { return Value(v); }
  bool string(Json::string_t& v) { return Value(v); }
  bool binary(Json::binary_t& v) { return Value(std::move(v)); }
  bool start_object(std::size_t) { return Open(Json::value_t::object); }
  bool start_array(std::size_t) { return Open(Json::value_t::array); }
  bool key(Json::string_t& key) {
    m_element = &(*m_stack.back())[key];
    m_keyList = -1;
    if (m_stack.size() == 1) {
      for (int k = 0; k < kObjKindCount; ++k)
        if (key == ListKey(ObjKind(k))) m_keyList = k;
      // A repeated key replaces the earlier value, records included.
      if (m_keyList >= 0) ForgetList(m_keyList);
    }
    return true;
  }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  template <class Exception> bool parse_error(std::size_t, const std::string&, const Exception& e) {
    m_parseError = e.what();
    return false;
  }

 private:
  Json* Place(Json&& value) {
    if (m_stack.empty()) {
      m_root = std::move(value);
      return &m_root;
    }
    Json& parent = *m_stack.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    *m_element = std::move(value);
    return m_element;
  }
  template <class V> bool Value(V&& v) {
    Place(Json(std::forward<V>(v)));
    if (AtListItems()) ReadListItem();
    return true;
  }
  bool Open(Json::value_t type) {
    CheckDepth(m_stack.size());
    Json* opened = Place(Json(type));
    if (type == Json::value_t::array && m_stack.size() == 1 && m_keyList >= 0) m_openList = m_keyList;
    m_stack.push_back(opened);
    return true;
  }
  bool Close() {
    m_stack.pop_back();
    if (m_openList >= 0 && m_stack.size() == 1) m_openList = -1;  // the list array itself
    else if (AtListItems()) ReadListItem();
    return true;
  }
  bool AtListItems() const { return m_openList >= 0 && m_stack.size() == 2; }

  // The item just completed in the open list array becomes a record.
  void ReadListItem() {
    Json& array = *m_stack.back();
    const int k = m_openList;
    const std::size_t index = m_items[k]++;
    if (!m_lists.refusal[k]) {
      int i = 0;
      m_mob.ForEachList([&](auto& list) {
        if (i++ != k) return;
        try {
          RecordFromJson(array.back(), list.emplace_back(), ListItemWhere(ListKey(ObjKind(k)), index));
        } catch (const Refusal& r) {
          m_lists.refusal[k] = r;
        }
      });
    }
    array.get_ref<Json::array_t&>().pop_back();
  }
  void ForgetList(int k) {
    int i = 0;
    m_mob.ForEachList([&](auto& list) {
      if (i++ == k) list = {};
    });
    m_lists.refusal[k].reset();
    m_items[k] = 0;
  }

  TMob& m_mob;
  Json m_root;
  std::vector<Json*> m_stack;  // the open containers
  Json* m_element = nullptr;   // the member a key named
  int m_keyList = -1;          // the list the last key of the root names
  int m_openList = -1;         // the list whose array is open
  std::size_t m_items[kObjKindCount] = {};
  StreamedLists m_lists;
  std::string m_parseError;
};
}  // namespace

Json MobToJson(const TMob& mob) {
  Json out = Json::object();
  out["mobKind"] = mob.MobKind;
  out["blockCount"] = mob.BlockCount;
  out["hasScript"] = mob.HasScript;
  out["scriptKey"] = mob.ScriptKey;
  out["scriptText"] = Cp1251ToUtf8(mob.ScriptText);
  out["hasObjects"] = mob.HasObjects;
  Json& unknown = out["unknownBlocks"] = Json::array();
  for (const auto& b : mob.UnknownBlocks) unknown.push_back({{"number", b.Number}, {"data", ToHex(b.Data)}});
  int k = 0;
  mob.ForEachList([&](const auto& list) {
    Json& array = out[ListKey(ObjKind(k++))] = Json::array();
    for (const auto& r : list) array.push_back(RecordToJson(r));
  });
  Json& unknownObjects = out["unknownObjectBlocks"] = Json::array();
  for (const auto& b : mob.UnknownObjectBlocks) unknownObjects.push_back(ToHex(b.Data));
  out["tail"] = ToHex(mob.Tail);
  return out;
}

void WriteMobJson(const TMob& mob, std::ostream& out) {
  TJsonDocumentWriter w(out);
  w.Member("mobKind", mob.MobKind);
  w.Member("blockCount", mob.BlockCount);
  w.Member("hasScript", mob.HasScript);
  w.Member("scriptKey", mob.ScriptKey);
  w.Member("scriptText", Cp1251ToUtf8(mob.ScriptText));
  w.Member("hasObjects", mob.HasObjects);
  w.Array("unknownBlocks", [&](const auto& emit) {
    for (const auto& b : mob.UnknownBlocks) emit(Json{{"number", b.Number}, {"data", ToHex(b.Data)}});
  });
  int k = 0;
  mob.ForEachList([&](const auto& list) {
    using R = typename std::decay_t<decltype(list)>::value_type;
    w.Array(ListKey(ObjKind(k++)), [&](const auto& emit) {
      mob.ForEachRecordOf<R>([&](const R& record) { emit(RecordToJson(record)); });
    });
  });
  w.Array("unknownObjectBlocks", [&](const auto& emit) {
    for (const auto& b : mob.UnknownObjectBlocks) emit(ToHex(b.Data));
  });
  w.Member("tail", ToHex(mob.Tail));
  w.End();
}

bool ParseJson(std::string_view text, Json& json, std::string& error) {
  const auto limitDepth = [](int depth, Json::parse_event_t event, Json&) {
    if (event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start)
      CheckDepth(std::size_t(depth));
    return true;
  };
  try {
    json = Json::parse(text.begin(), text.end(), limitDepth);
    return true;
  } catch (const TooDeep&) {
    error = "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
  } catch (const Json::exception& e) {
    error = e.what();
  }
  json = nullptr;
  return false;
}

Json RecordsToJson(const TMob& mob) {
  Json out = Json::object();
  int k = 0;
  mob.ForEachList([&](const auto& list) {
    const char* key = ListKey(ObjKind(k++));
    if (list.empty()) return;
    Json& array = out[key] = Json::array();
    for (const auto& r : list) array.push_back(RecordToJson(r));
  });
  return out;
}

bool JsonToRecords(const Json& json, TMob& mob, std::string& error) {
  mob.Reset();
  try {
    if (!json.is_object()) Refuse("document", "expected an object");
    static const std::set<std::string> kKeys = {
        "mobKind", "blockCount", "hasScript", "scriptKey",  "scriptText", "hasObjects",
        "unknownBlocks", "units", "objects", "levers", "traps", "flames", "particles1",
        "particles2", "particles3", "unknownObjectBlocks", "tail"};
    RefuseUnknownKeys(json, kKeys, "document");
    int k = 0;
    mob.ForEachList([&](auto& list) {
      const char* key = ListKey(ObjKind(k++));
      const auto it = json.find(key);
      if (it == json.end()) return;
      const Json& array = ReadArray(*it, key);
      list.resize(array.size());
      for (std::size_t i = 0; i < array.size(); ++i) RecordFromJson(array[i], list[i], ListItemWhere(key, i));
    });
    if (mob.TotalRecordCount() == 0) Refuse("document", "no records");
  } catch (const Refusal& r) {
    mob.Reset();
    error = r.where + ": " + r.what;
    return false;
  }
  return true;
}

bool JsonToMob(const Json& json, TMob& mob, std::string& error) {
  mob.Reset();
  try {
    ReadDocument(json, mob, nullptr);
  } catch (const Refusal& r) {
    mob.Reset();
    error = r.where + ": " + r.what;
    return false;
  }
  mob.Loaded = true;
  return true;
}

JsonReadResult ReadMobJson(std::FILE* in, TMob& mob, std::string& error) {
  mob.Reset();
  JsonReadResult result = JsonReadResult::Read;
  TStreamedDocumentReader reader(mob);
  try {
    if (Json::sax_parse(in, &reader)) {
      ReadDocument(reader.Skeleton(), mob, &reader.Lists());
    } else {
      result = JsonReadResult::NotJson;
      error = reader.ParseError();
    }
  } catch (const TooDeep&) {
    result = JsonReadResult::NotJson;
    error = "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
  } catch (const Refusal& r) {
    result = JsonReadResult::DoesNotFit;
    error = r.where + ": " + r.what;
  }
  if (result != JsonReadResult::Read) {
    mob.Reset();
    return result;
  }
  mob.Loaded = true;
  return result;
}

}  // namespace kelvarin
