// Field descriptors of the record kinds: each field's name (as the parameter
// table and the JSON form spell it), and a member pointer to reach it. Per kind the
// fields come in the parameter table's order: the kind's own fields, then the 24
// common fields for the kinds that have them. Raw data (a unit's RawChunk and
// ExtraBlocks, a trap's point lists) is listed too; the table shows it its own way.
#pragma once

#include <algorithm>
#include <span>
#include <string_view>
#include <type_traits>
#include <variant>

#include "mob/records.h"

namespace kelvarin {

template <class R>
using FieldMember =
    std::variant<std::uint8_t R::*, std::int32_t R::*, float R::*, std::string R::*,
                 StringList R::*, Bytes R::*, std::vector<Bytes> R::*,
                 std::vector<TTrapPoint3> R::*, std::vector<TTrapPoint2> R::*>;

template <class R> struct FieldDesc {
  const char* name;
  FieldMember<R> member;
};

// The fields of one record kind, in table order.
template <class R> std::span<const FieldDesc<R>> FieldsOf();

// The field of `R` called `key`; nullptr when the kind has no such field.
template <class R> const FieldDesc<R>* FindField(std::string_view key) {
  const auto fields = FieldsOf<R>();
  const auto it = std::find_if(fields.begin(), fields.end(), [&](const FieldDesc<R>& f) { return key == f.name; });
  return it == fields.end() ? nullptr : &*it;
}

// The type of the field a member pointer reaches: FieldType<decltype(member)>.
template <class P> struct FieldTypeOf;
template <class R, class M> struct FieldTypeOf<M R::*> { using type = M; };
template <class P> using FieldType = typename FieldTypeOf<P>::type;

// The 24 common fields, in table order.
std::span<const FieldDesc<TCommonObjFields>> CommonFields();

// Gives every field of `record` its empty value (numbers 0, strings and lists
// empty), as a new record has, keeping the room its strings already hold: one
// record read again and again allocates only where a value outgrows the last.
template <class R> void ClearForReuse(R& record) {
  for (const auto& field : FieldsOf<R>()) {
    std::visit(
        [&](auto member) {
          auto& value = record.*member;
          using V = std::decay_t<decltype(value)>;
          if constexpr (std::is_arithmetic_v<V>) value = V{};
          else value.clear();
        },
        field.member);
  }
}

}  // namespace kelvarin
