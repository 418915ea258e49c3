// Field values between Python and the records: numbers as int and float, texts
// as str (code page 1251 inside), string lists as lists of str, raw chunks as
// bytes, trap points as lists of tuples of raw 32-bit values. A value from Python
// is checked by the same rules as a value typed into the parameter table, and a
// refused one changes nothing.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/bytes.h"
#include "mob/records.h"

namespace kelvarin {

namespace py = pybind11;

// ---- to Python

py::object ToPython(std::uint8_t value);
py::object ToPython(std::int32_t value);
py::object ToPython(float value);
py::object ToPython(const std::string& value);  // code page 1251 bytes
py::object ToPython(const StringList& value);
py::object ToPython(const Bytes& value);
py::object ToPython(const std::vector<Bytes>& value);
py::object ToPython(const std::vector<TTrapPoint3>& value);
py::object ToPython(const std::vector<TTrapPoint2>& value);

// ---- from Python
// `where` names the field for the message ("Unit.PlayerNumber"). A value of the
// wrong type raises TypeError, one that does not fit ValueError.

std::uint8_t ByteFromPython(py::handle value, std::string_view where);
std::int32_t Int32FromPython(py::handle value, std::string_view where);
float FloatFromPython(py::handle value, std::string_view where);
std::string TextFromPython(py::handle value, std::string_view where);
StringList ListFromPython(py::handle value, std::string_view where);
std::vector<TTrapPoint3> Points3FromPython(py::handle value, std::string_view where);
std::vector<TTrapPoint2> Points2FromPython(py::handle value, std::string_view where);
// A 32-bit value written signed or unsigned (4294967295 and -1 are the same), as
// identities and the script key are written.
std::int32_t Value32FromPython(py::handle value, std::string_view where);

// The value of a field of type M; raw chunks are read-only and have none.
template <class M> M FromPython(py::handle value, std::string_view where) {
  if constexpr (std::is_same_v<M, std::uint8_t>) return ByteFromPython(value, where);
  else if constexpr (std::is_same_v<M, std::int32_t>) return Int32FromPython(value, where);
  else if constexpr (std::is_same_v<M, float>) return FloatFromPython(value, where);
  else if constexpr (std::is_same_v<M, std::string>) return TextFromPython(value, where);
  else if constexpr (std::is_same_v<M, StringList>) return ListFromPython(value, where);
  else if constexpr (std::is_same_v<M, std::vector<TTrapPoint3>>) return Points3FromPython(value, where);
  else return Points2FromPython(value, where);
}

template <class M> inline constexpr bool kWritableField =
    !std::is_same_v<M, Bytes> && !std::is_same_v<M, std::vector<Bytes>>;

// The Python type of a field of type M as the documentation writes it.
template <class M> constexpr const char* PythonTypeName() {
  if constexpr (std::is_same_v<M, std::uint8_t>) return "int (byte)";
  else if constexpr (std::is_same_v<M, std::int32_t>) return "int (32-bit)";
  else if constexpr (std::is_same_v<M, float>) return "float (32-bit)";
  else if constexpr (std::is_same_v<M, std::string>) return "str";
  else if constexpr (std::is_same_v<M, StringList>) return "list[str]";
  else if constexpr (std::is_same_v<M, Bytes>) return "bytes, read-only";
  else if constexpr (std::is_same_v<M, std::vector<Bytes>>) return "list[bytes], read-only";
  else if constexpr (std::is_same_v<M, std::vector<TTrapPoint3>>) return "list[tuple[int, int, int]]";
  else return "list[tuple[int, int]]";
}

// A text of code page 1251 as str, and back; the second raises ValueError for a
// character 1251 cannot hold.
py::str Cp1251ToPython(std::string_view bytes);
std::string Cp1251FromPython(py::handle text, std::string_view where);

}  // namespace kelvarin
