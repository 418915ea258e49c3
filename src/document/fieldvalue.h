// One field of one record as a value: what an undo step keeps of a field it
// changed. Fields are named as the parameter table and mob/fields.h name them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "mob/objref.h"
#include "mob/records.h"

namespace kelvarin {

using TFieldValue =
    std::variant<std::uint8_t, std::int32_t, float, std::string, StringList, Bytes,
                 std::vector<Bytes>, std::vector<TTrapPoint3>, std::vector<TTrapPoint2>>;

// The value of the field `key` of the record `ref`; nullopt when there is no such
// record or field.
std::optional<TFieldValue> ReadFieldValue(const TMob& mob, TObjRef ref, std::string_view key);

// Exchanges the field's value with `value`: afterwards the record holds what
// `value` held and `value` what the record held. False (nothing changed) when
// there is no such record or field or the value is of another type. Undo and redo
// of a field are the same exchange, and neither copies the value.
bool SwapFieldValue(TMob& mob, TObjRef ref, std::string_view key, TFieldValue& value);

// Whether two values of a field are the same bytes in the file: numbers compare
// bit for bit, so a NaN equals itself and -0 differs from 0.
template <class M> bool SameFieldBytes(const M& a, const M& b) {
  if constexpr (std::is_arithmetic_v<M>) return std::memcmp(&a, &b, sizeof(M)) == 0;
  else return a == b;
}
bool SameBytes(const TFieldValue& a, const TFieldValue& b);

// The memory a value holds outside its own object (string and list buffers).
std::size_t HeapBytes(const TFieldValue& value);
std::size_t HeapBytes(const std::string& text);
template <class T> std::size_t HeapBytes(const std::vector<T>& items) {
  std::size_t bytes = items.capacity() * sizeof(T);
  if constexpr (!std::is_trivially_copyable_v<T>)
    for (const T& item : items) bytes += HeapBytes(item);
  return bytes;
}

}  // namespace kelvarin
