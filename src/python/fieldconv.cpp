#include "python/fieldconv.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "common/cp1251.h"
#include "common/textchecks.h"
#include "mob/identitytext.h"

namespace kelvarin {
namespace {

std::string Where(std::string_view where) { return std::string(where) + ": "; }

[[noreturn]] void WrongType(py::handle value, std::string_view where, const char* expected) {
  throw py::type_error(Where(where) + "expected " + expected + ", got " + Py_TYPE(value.ptr())->tp_name);
}

bool IsInt(py::handle value) { return PyLong_Check(value.ptr()) && !PyBool_Check(value.ptr()); }

// The decimal text of a Python int, which the checks of typed numbers then read
// exactly as they read a number typed into the parameter table.
std::string IntText(py::handle value, std::string_view where) {
  if (!IsInt(value)) WrongType(value, where, "an int");
  int overflow = 0;
  const long long small = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow == 0) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, small).ptr;
    return std::string(text, end);
  }
  return py::str(value);
}

py::object Tuple(std::initializer_list<std::uint32_t> values) {
  py::tuple tuple(values.size());
  std::size_t i = 0;
  for (std::uint32_t v : values) tuple[i++] = py::int_(v);
  return tuple;
}

// The items of a list-like value (not a str or bytes, whose items are characters).
std::vector<py::handle> Items(py::handle value, std::string_view where, const char* expected) {
  if (PyUnicode_Check(value.ptr()) || PyBytes_Check(value.ptr()) || !py::isinstance<py::iterable>(value))
    WrongType(value, where, expected);
  std::vector<py::handle> items;
  for (py::handle item : value) items.push_back(item);
  return items;
}

std::string ItemWhere(std::string_view where, std::size_t index) {
  return std::string(where) + "[" + std::to_string(index) + "]";
}

std::uint32_t RawValue(py::handle value, std::string_view where) {
  if (!IsInt(value)) WrongType(value, where, "an int");
  const py::int_ number = py::reinterpret_borrow<py::int_>(value);
  if (number < py::int_(0) || number > py::int_(std::numeric_limits<std::uint32_t>::max()))
    throw py::value_error(Where(where) + std::string(py::str(value)) +
                          " is no raw 32-bit value (0 to 4294967295)");
  return number.cast<std::uint32_t>();
}

template <class P, std::size_t N>
std::vector<P> PointsFromPython(py::handle value, std::string_view where) {
  std::vector<P> points;
  const auto items = Items(value, where, "a list of points");
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string at = ItemWhere(where, i);
    const auto coordinates = Items(items[i], at, N == 3 ? "a tuple of 3 ints" : "a tuple of 2 ints");
    if (coordinates.size() != N)
      throw py::value_error(Where(at) + "a point has " + std::to_string(N) + " values, not " +
                            std::to_string(coordinates.size()));
    std::uint32_t v[N];
    for (std::size_t k = 0; k < N; ++k) v[k] = RawValue(coordinates[k], at);
    if constexpr (N == 3) points.push_back({v[0], v[1], v[2]});
    else points.push_back({v[0], v[1]});
  }
  return points;
}

}  // namespace

py::str Cp1251ToPython(std::string_view bytes) {
  const std::string utf8 = Cp1251ToUtf8(bytes);
  return py::reinterpret_steal<py::str>(PyUnicode_DecodeUTF8(utf8.data(), Py_ssize_t(utf8.size()), "strict"));
}

std::string Cp1251FromPython(py::handle text, std::string_view where) {
  if (!PyUnicode_Check(text.ptr())) WrongType(text, where, "a str");
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size);
  if (!utf8) {
    PyErr_Clear();  // a lone surrogate
    throw py::value_error(Where(where) + "the text holds a lone surrogate, which is no character");
  }
  TCp1251Error error;
  auto bytes = Utf8ToCp1251(std::string_view(utf8, std::size_t(size)), &error);
  if (!bytes) {
    // The offset counts UTF-8 bytes; Python counts characters.
    std::size_t position = 0;
    for (std::size_t i = 0; i < error.offset; ++i)
      if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++position;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(error.codePoint));
    const py::str one = py::reinterpret_borrow<py::str>(text)[py::int_(position)];
    throw py::value_error(Where(where) + "the character " + std::string(py::repr(one)) + " (" + code +
                          ") at position " + std::to_string(position) + " cannot be stored in code page 1251");
  }
  return std::move(*bytes);
}

py::object ToPython(std::uint8_t value) { return py::int_(value); }
py::object ToPython(std::int32_t value) { return py::int_(value); }
py::object ToPython(float value) { return py::float_(double(value)); }
py::object ToPython(const std::string& value) { return Cp1251ToPython(value); }

py::object ToPython(const StringList& value) {
  py::list list(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) list[i] = Cp1251ToPython(value[i]);
  return list;
}

py::object ToPython(const Bytes& value) {
  return py::bytes(reinterpret_cast<const char*>(value.data()), value.size());
}

py::object ToPython(const std::vector<Bytes>& value) {
  py::list list(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) list[i] = ToPython(value[i]);
  return list;
}

py::object ToPython(const std::vector<TTrapPoint3>& value) {
  py::list list(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) list[i] = Tuple({value[i].A, value[i].B, value[i].C});
  return list;
}

py::object ToPython(const std::vector<TTrapPoint2>& value) {
  py::list list(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) list[i] = Tuple({value[i].A, value[i].B});
  return list;
}

std::uint8_t ByteFromPython(py::handle value, std::string_view where) {
  const std::string text = IntText(value, where);
  if (!CheckStrByte(text))
    throw py::value_error(Where(where) + text + " does not fit a byte (0 to 255; -128 to -1 stand for 128 to 255)");
  return static_cast<std::uint8_t>(*ConvertInt32(text));  // the low 8 bits, as the table stores them
}

std::int32_t Int32FromPython(py::handle value, std::string_view where) {
  const std::string text = IntText(value, where);
  const auto number = ConvertInt32(text);
  if (!number)
    throw py::value_error(Where(where) + text + " does not fit a 32-bit integer (-2147483648 to 2147483647)");
  return *number;
}

std::int32_t Value32FromPython(py::handle value, std::string_view where) {
  const std::string text = IntText(value, where);
  const auto id = ParseIdentityText(text);
  if (!id)
    throw py::value_error(Where(where) + text + " is no 32-bit value (-2147483648 to 4294967295)");
  return *id;
}

float FloatFromPython(py::handle value, std::string_view where) {
  if (!PyFloat_Check(value.ptr()) && !IsInt(value)) WrongType(value, where, "a float or an int");
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();  // an int beyond any double
    throw py::value_error(Where(where) + std::string(py::str(value)) + " is beyond the range of a 32-bit float");
  }
  const auto narrowed = NarrowToFloat(number);
  if (!narrowed)
    throw py::value_error(Where(where) + std::string(py::repr(value)) + " is beyond the range of a 32-bit float");
  return *narrowed;
}

std::string TextFromPython(py::handle value, std::string_view where) { return Cp1251FromPython(value, where); }

StringList ListFromPython(py::handle value, std::string_view where) {
  StringList list;
  const auto items = Items(value, where, "a list of str");
  list.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) list.push_back(Cp1251FromPython(items[i], ItemWhere(where, i)));
  return list;
}

std::vector<TTrapPoint3> Points3FromPython(py::handle value, std::string_view where) {
  return PointsFromPython<TTrapPoint3, 3>(value, where);
}

std::vector<TTrapPoint2> Points2FromPython(py::handle value, std::string_view where) {
  return PointsFromPython<TTrapPoint2, 2>(value, where);
}

}  // namespace kelvarin
