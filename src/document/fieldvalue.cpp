#include "document/fieldvalue.h"

#include <type_traits>

#include "mob/fields.h"

namespace kelvarin {
std::optional<TFieldValue> ReadFieldValue(const TMob& mob, TObjRef ref, std::string_view key) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecord(mob, ref, [&](const auto& record) -> std::optional<TFieldValue> {
    using R = std::decay_t<decltype(record)>;
    const FieldDesc<R>* field = FindField<R>(key);
    if (!field) return std::nullopt;
    return std::visit([&](auto member) { return TFieldValue(record.*member); }, field->member);
  });
}

bool SwapFieldValue(TMob& mob, TObjRef ref, std::string_view key, TFieldValue& value) {
  if (!RefersToRecord(mob, ref)) return false;
  return VisitRecord(mob, ref, [&](auto& record) {
    using R = std::decay_t<decltype(record)>;
    const FieldDesc<R>* field = FindField<R>(key);
    if (!field) return false;
    return std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
          M* held = std::get_if<M>(&value);
          if (!held) return false;
          using std::swap;
          swap(record.*member, *held);
          return true;
        },
        field->member);
  });
}

bool SameBytes(const TFieldValue& a, const TFieldValue& b) {
  if (a.index() != b.index()) return false;
  return std::visit([&](const auto& x) { return SameFieldBytes(x, std::get<std::decay_t<decltype(x)>>(b)); }, a);
}

std::size_t HeapBytes(const std::string& text) {
  // Short texts live inside the string object itself.
  return text.capacity() > 15 ? text.capacity() + 1 : 0;
}

std::size_t HeapBytes(const TFieldValue& value) {
  return std::visit(
      [](const auto& v) -> std::size_t {
        using V = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<V, std::string>) return HeapBytes(v);
        else if constexpr (std::is_arithmetic_v<V>) return 0;
        else return HeapBytes(v);
      },
      value);
}

}  // namespace kelvarin
