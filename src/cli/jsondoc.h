// The whole document as JSON and back, for `kelvarin-cli dump` and `build`.
// Strings are UTF-8 in JSON and code page 1251 in the document; raw bytes are
// lowercase hex; floats are the shortest decimal that reads back to the same
// 32-bit value ("NaN", "Infinity", "-Infinity" for the special values).
#pragma once

#include <nlohmann/json.hpp>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

namespace kelvarin {

class TMob;

using Json = nlohmann::ordered_json;

Json MobToJson(const TMob& mob);

// `text` (a value dumped with an indent of one) as it stands `depth` levels deep in
// a document dumped the same way: its inner lines move right by `depth` spaces.
void WriteIndented(std::ostream& out, const std::string& text, int depth);

// `text` (UTF-8) as dump() writes a JSON string: quoted, with '"', '\\' and the
// control characters escaped, every other character as it stands.
void AppendJsonString(std::string& out, std::string_view text);

// An item of TJsonDocumentWriter::Array already laid out as dump(1) lays it out
// two levels deep (TJsonFlatObject with a depth of 2 writes one).
struct TJsonText {
  std::string_view text;
};

// A flat object (strings and whole numbers) appended to `out` byte for byte as
// dump(1) lays it out `depth` levels deep, without building a Json value: for
// arrays of millions of objects.
class TJsonFlatObject {
 public:
  TJsonFlatObject(std::string& out, int depth) : m_out(out), m_depth(depth) { m_out += '{'; }

  void Member(std::string_view key, std::string_view text) {
    Key(key);
    AppendJsonString(m_out, text);
  }
  template <class T>
    requires std::is_integral_v<T>
  void Member(std::string_view key, T value) {
    Key(key);
    m_out += std::to_string(value);
  }
  void End() {
    if (m_first) {
      m_out += '}';
      return;
    }
    m_out += '\n';
    m_out.append(std::size_t(m_depth), ' ');
    m_out += '}';
  }

 private:
  void Key(std::string_view key) {
    m_out += m_first ? "\n" : ",\n";
    m_first = false;
    m_out.append(std::size_t(m_depth + 1), ' ');
    AppendJsonString(m_out, key);
    m_out += ": ";
  }
  std::string& m_out;
  int m_depth;
  bool m_first = true;
};

// A top-level object written member by member, laid out byte for byte as dump(1)
// lays out the whole object: a large document never stands in memory as JSON.
class TJsonDocumentWriter {
 public:
  explicit TJsonDocumentWriter(std::ostream& out) : m_out(out) { m_out << '{'; }

  void Member(const char* key, const Json& value) {
    Key(key);
    WriteIndented(m_out, value.dump(1), 1);
  }
  // An array member whose items (Json values, or TJsonText) come one by one from
  // `each(emit)`.
  template <class Each> void Array(const char* key, Each&& each) {
    Key(key);
    bool empty = true;
    each([&](const auto& item) {
      m_out << (empty ? "[\n  " : ",\n  ");
      empty = false;
      using Item = std::decay_t<decltype(item)>;
      if constexpr (std::is_same_v<Item, TJsonText>)
        m_out << item.text;
      else if constexpr (std::is_same_v<Item, Json>)
        WriteIndented(m_out, item.dump(1), 2);
      else
        WriteIndented(m_out, Json(item).dump(1), 2);
    });
    m_out << (empty ? "[]" : "\n ]");
  }
  void End() { m_out << (m_first ? "}" : "\n}"); }

 private:
  void Key(const char* key) {
    m_out << (m_first ? "\n \"" : ",\n \"") << key << "\": ";
    m_first = false;
  }
  std::ostream& m_out;
  bool m_first = true;
};

// The records of `mob` as the lists of the document's JSON form ("units",
// "objects", ...), only the kinds it has records of: what a copy of records puts
// on the clipboard as text.
Json RecordsToJson(const TMob& mob);
// Reads the records of JSON in the document's form into `mob`'s lists: an object
// whose record lists hold records as the document's form writes them (a whole
// document's other members are passed over). False with `error` for anything else,
// and for no record at all; `mob` is then left reset.
bool JsonToRecords(const Json& json, TMob& mob, std::string& error);

// Writes the text of MobToJson(mob).dump(1), byte for byte, one record at a time:
// the whole document never stands in memory as JSON. Works on a document whose
// records stayed in its file image too.
void WriteMobJson(const TMob& mob, std::ostream& out);

// The deepest nesting a document may have; the format itself needs five levels.
inline constexpr int kMaxJsonDepth = 64;

// Parses JSON text. False with `error` set on text that is not JSON, on a number
// beyond the range of a double and on nesting deeper than kMaxJsonDepth.
bool ParseJson(std::string_view text, Json& json, std::string& error);

// Fills `mob` from `json` and marks it loaded. On a document that does not fit
// (missing or unknown key, wrong type, value out of range, a character code page
// 1251 cannot hold) returns false with `error` naming the record and the field;
// `mob` is then left reset.
bool JsonToMob(const Json& json, TMob& mob, std::string& error);

enum class JsonReadResult { Read, NotJson, DoesNotFit };

// ParseJson and JsonToMob in one pass over JSON text read from `in`: the same
// verdict and the same error text, but the records are filled while the text is
// parsed and only one record's JSON is held at a time. A read error of `in` looks
// like the end of the text; the caller checks the stream.
JsonReadResult ReadMobJson(std::FILE* in, TMob& mob, std::string& error);

}  // namespace kelvarin
