#include "objects/core/objectparams.h"

#include <algorithm>
#include <type_traits>

#include "common/cp1251.h"
#include "common/floattext.h"
#include "common/listtext.h"
#include "common/textchecks.h"
#include "mob/fields.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// Calls f with the record `ref` refers to; the caller has checked RefersToRecord.
template <class F> decltype(auto) WithRecord(TMob& mob, ObjRef ref, F&& f) {
  switch (ref.kind) {
    case ObjKind::Unit: return f(mob.Units[ref.index]);
    case ObjKind::Object: return f(mob.Objects[ref.index]);
    case ObjKind::Lever: return f(mob.Levers[ref.index]);
    case ObjKind::Trap: return f(mob.Traps[ref.index]);
    case ObjKind::Flame: return f(mob.Flames[ref.index]);
    case ObjKind::Particle1: return f(mob.Particles1[ref.index]);
    case ObjKind::Particle2: return f(mob.Particles2[ref.index]);
    case ObjKind::Particle3: break;
  }
  return f(mob.Particles3[ref.index]);
}

template <class F> decltype(auto) WithRecord(const TMob& mob, ObjRef ref, F&& f) {
  return WithRecord(const_cast<TMob&>(mob), ref, [&](const auto& record) -> decltype(auto) {
    return f(record);
  });
}


// Fields the table does not show as a value: a unit's raw chunks.
template <class M> constexpr bool kHiddenField =
    std::is_same_v<M, Bytes> || std::is_same_v<M, std::vector<Bytes>>;
template <class M> constexpr bool kTrapPointsField =
    std::is_same_v<M, std::vector<TrapPoint3>> || std::is_same_v<M, std::vector<TrapPoint2>>;

// The type of the field a member pointer reaches.
template <class P> struct FieldTypeOf;
template <class R, class M> struct FieldTypeOf<M R::*> { using type = M; };

template <class M> std::string DisplayText(const M& value, char decimalSeparator) {
  if constexpr (std::is_same_v<M, std::uint8_t>) return std::to_string(unsigned(value));
  else if constexpr (std::is_same_v<M, std::int32_t>) return std::to_string(value);
  else if constexpr (std::is_same_v<M, float>) return FloatToDisplayText(value, decimalSeparator);
  else if constexpr (std::is_same_v<M, std::string>) return value;
  else if constexpr (std::is_same_v<M, StringList>) return ListToText(value);
  else return std::string(kTrapPointsRowText);
}

template <class R> const FieldDesc<R>* FindField(std::string_view key) {
  const auto fields = FieldsOf<R>();
  const auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const FieldDesc<R>& f) { return key == f.name; });
  return it == fields.end() ? nullptr : &*it;
}

template <class R> std::vector<ParamRow> RowsOf(const R& record, char decimalSeparator) {
  std::vector<ParamRow> rows;
  for (const FieldDesc<R>& field : FieldsOf<R>()) {
    std::visit(
        [&](auto member) {
          using M = typename FieldTypeOf<decltype(member)>::type;
          if constexpr (!kHiddenField<M>)
            rows.push_back({field.name, DisplayText(record.*member, decimalSeparator),
                            kTrapPointsField<M>});
        },
        field.member);
  }
  return rows;
}

template <class R>
std::optional<std::string> FieldText(const R& record, std::string_view key, char decimalSeparator) {
  const FieldDesc<R>* field = FindField<R>(key);
  if (!field) return std::nullopt;
  return std::visit(
      [&](auto member) -> std::optional<std::string> {
        using M = typename FieldTypeOf<decltype(member)>::type;
        if constexpr (kHiddenField<M> || kTrapPointsField<M>) return std::nullopt;
        else return DisplayText(record.*member, decimalSeparator);
      },
      field->member);
}

bool HasDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <class R>
ApplyResult ApplyToRecord(R& record, std::string_view key, std::string_view text,
                          char decimalSeparator) {
  const FieldDesc<R>* field = FindField<R>(key);
  if (!field) return {ApplyStatus::Ignored, std::nullopt};
  return std::visit(
      [&](auto member) -> ApplyResult {
        using M = typename FieldTypeOf<decltype(member)>::type;
        M& value = record.*member;
        const auto refuse = [&](ApplyStatus status) {
          return ApplyResult{status, DisplayText(value, decimalSeparator)};
        };
        if constexpr (kHiddenField<M> || kTrapPointsField<M>) {
          return {ApplyStatus::Ignored, std::nullopt};
        } else if constexpr (std::is_same_v<M, std::string>) {
          value = std::string(text);
          return {ApplyStatus::Accepted, std::nullopt};
        } else if constexpr (std::is_same_v<M, StringList>) {
          if (text == ListToText(value)) return {ApplyStatus::Accepted, std::nullopt};
          std::string cleaned = NormaliseListText(text);
          value = TextToList(cleaned);
          return {ApplyStatus::Accepted, std::move(cleaned)};
        } else if constexpr (std::is_same_v<M, float>) {
          if (!CheckStrFloat(text, decimalSeparator)) return refuse(ApplyStatus::Rejected);
          const auto number = ConvertFloat(text, decimalSeparator);
          if (!number)
            return refuse(text == "NAN" || !HasDigit(text) ? ApplyStatus::NotANumber
                                                            : ApplyStatus::OutOfRange);
          value = *number;
          return {ApplyStatus::Accepted, std::nullopt};
        } else {
          // A lever's five unknown bytes take any integer and keep its low 8 bits;
          // the other bytes take only -128..255.
          constexpr bool kByte = std::is_same_v<M, std::uint8_t>;
          const bool integerCheck =
              !kByte || (std::is_same_v<R, TLeverObjBlock> && key.starts_with("UncnByte"));
          if (!(integerCheck ? CheckStrInt(text) : CheckStrByte(text)))
            return refuse(ApplyStatus::Rejected);
          const auto number = ConvertInt32(text);
          if (!number) return refuse(ApplyStatus::OutOfRange);
          value = static_cast<M>(*number);  // bytes: the low 8 bits
          return {ApplyStatus::Accepted, std::nullopt};
        }
      },
      field->member);
}

}  // namespace

const std::string& RecordCaption(const TMob& mob, ObjRef ref) {
  return WithRecord(mob, ref, [](const auto& record) -> const std::string& {
    using R = std::decay_t<decltype(record)>;
    if constexpr (std::is_same_v<R, TUnitObjBlock>) return record.Name1;
    else if constexpr (HasCommonFields(R::Kind)) return record.Name2;
    else return record.NameStr;
  });
}

std::string DescribeRecord(const TMob& mob, ObjRef ref) {
  const std::string caption = Cp1251ToUtf8(RecordCaption(mob, ref));
  return (caption.empty() ? std::string() : "«" + caption + "» ") + "(" + ObjKindCaption(ref.kind) +
         ", индекс " + std::to_string(ref.index) + ")";
}

std::vector<ParamRow> ParamRowsOf(const TMob& mob, ObjRef ref, char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {};
  return WithRecord(mob, ref, [&](const auto& record) { return RowsOf(record, decimalSeparator); });
}

std::optional<std::string> ParamDisplayText(const TMob& mob, ObjRef ref, std::string_view key,
                                            char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return WithRecord(mob, ref,
                    [&](const auto& record) { return FieldText(record, key, decimalSeparator); });
}

ApplyResult ApplyParamRow(TMob& mob, ObjRef ref, std::string_view key, std::string_view text,
                          char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {ApplyStatus::Ignored, std::nullopt};
  return WithRecord(mob, ref, [&](auto& record) {
    return ApplyToRecord(record, key, text, decimalSeparator);
  });
}

bool IsRotationKey(std::string_view key) {
  return std::find(std::begin(kRotationKeys), std::end(kRotationKeys), key) !=
         std::end(kRotationKeys);
}

std::optional<TQuaternion> RotationOf(const TMob& mob, ObjRef ref) {
  if (!RefersToRecord(mob, ref) || !HasCommonFields(ref.kind)) return std::nullopt;
  return WithRecord(mob, ref, [](const auto& record) -> std::optional<TQuaternion> {
    using R = std::decay_t<decltype(record)>;
    if constexpr (HasCommonFields(R::Kind))
      return TQuaternion(record.RotationW, record.RotationX, record.RotationY, record.RotationZ);
    else return std::nullopt;
  });
}

bool StoreRotation(TMob& mob, ObjRef ref, const TQuaternion& rotation) {
  if (!RefersToRecord(mob, ref) || !HasCommonFields(ref.kind)) return false;
  return WithRecord(mob, ref, [&](auto& record) {
    using R = std::decay_t<decltype(record)>;
    if constexpr (HasCommonFields(R::Kind)) {
      record.RotationW = rotation.W;
      record.RotationX = rotation.X;
      record.RotationY = rotation.Y;
      record.RotationZ = rotation.Z;
      return true;
    } else {
      return false;
    }
  });
}

}  // namespace kelvarin
