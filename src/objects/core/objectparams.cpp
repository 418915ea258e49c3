#include "objects/core/objectparams.h"

#include <algorithm>
#include <type_traits>

#include "common/floattext.h"
#include "common/listtext.h"
#include "common/textchecks.h"
#include "mob/fields.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// Fields the table does not show as a value: a unit's raw chunks.
template <class M> constexpr bool kHiddenField =
    std::is_same_v<M, Bytes> || std::is_same_v<M, std::vector<Bytes>>;
template <class M> constexpr bool kTrapPointsField =
    std::is_same_v<M, std::vector<TTrapPoint3>> || std::is_same_v<M, std::vector<TTrapPoint2>>;

template <class M> std::string DisplayText(const M& value, char decimalSeparator) {
  if constexpr (std::is_same_v<M, std::uint8_t>) return std::to_string(unsigned(value));
  else if constexpr (std::is_same_v<M, std::int32_t>) return std::to_string(value);
  else if constexpr (std::is_same_v<M, float>) return FloatToDisplayText(value, decimalSeparator);
  else if constexpr (std::is_same_v<M, std::string>) return value;
  else if constexpr (std::is_same_v<M, StringList>) return ListToText(value);
  else return std::string(kTrapPointsRowText);
}

template <class R> std::vector<TParamRow> RowsOf(const R& record, char decimalSeparator) {
  std::vector<TParamRow> rows;
  for (const FieldDesc<R>& field : FieldsOf<R>()) {
    std::visit(
        [&](auto member) {
          using M = FieldType<decltype(member)>;
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
        using M = FieldType<decltype(member)>;
        if constexpr (kHiddenField<M> || kTrapPointsField<M>) return std::nullopt;
        else return DisplayText(record.*member, decimalSeparator);
      },
      field->member);
}

bool HasDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <class R>
TApplyResult ValueForRecord(const R& record, std::string_view key, std::string_view text,
                           char decimalSeparator) {
  const FieldDesc<R>* field = FindField<R>(key);
  if (!field) return {ApplyStatus::Ignored, std::nullopt};
  return std::visit(
      [&](auto member) -> TApplyResult {
        using M = FieldType<decltype(member)>;
        M value = record.*member;
        const auto accept = [&](std::optional<std::string> rowText = std::nullopt) {
          return TApplyResult{ApplyStatus::Accepted, std::move(rowText), TFieldValue(std::move(value))};
        };
        const auto refuse = [&](ApplyStatus status) {
          return TApplyResult{status, DisplayText(value, decimalSeparator)};
        };
        if constexpr (kHiddenField<M> || kTrapPointsField<M>) {
          return {ApplyStatus::Ignored, std::nullopt};
        } else if constexpr (std::is_same_v<M, std::string>) {
          value = std::string(text);
          return accept();
        } else if constexpr (std::is_same_v<M, StringList>) {
          if (text == ListToText(value)) return accept();
          std::string cleaned = NormaliseListText(text);
          value = TextToList(cleaned);
          return accept(std::move(cleaned));
        } else if constexpr (std::is_same_v<M, float>) {
          if (!CheckStrFloat(text, decimalSeparator)) return refuse(ApplyStatus::Rejected);
          const auto number = ConvertFloat(text, decimalSeparator);
          if (!number)
            return refuse(text == "NAN" || !HasDigit(text) ? ApplyStatus::NotANumber
                                                            : ApplyStatus::OutOfRange);
          value = *number;
          return accept();
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
          return accept();
        }
      },
      field->member);
}

}  // namespace

std::vector<TParamRow> ParamRowsOf(const TMob& mob, TObjRef ref, char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {};
  return VisitRecord(mob, ref, [&](const auto& record) { return RowsOf(record, decimalSeparator); });
}

std::string ValueDisplayText(const TFieldValue& value, char decimalSeparator) {
  return std::visit([&](const auto& v) { return DisplayText(v, decimalSeparator); }, value);
}

std::optional<std::string> ParamDisplayText(const TMob& mob, TObjRef ref, std::string_view key,
                                            char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return std::nullopt;
  return VisitRecord(mob, ref,
                    [&](const auto& record) { return FieldText(record, key, decimalSeparator); });
}

TApplyResult ParamRowValue(const TMob& mob, TObjRef ref, std::string_view key, std::string_view text,
                          char decimalSeparator) {
  if (!RefersToRecord(mob, ref)) return {ApplyStatus::Ignored, std::nullopt};
  return VisitRecord(mob, ref, [&](const auto& record) {
    return ValueForRecord(record, key, text, decimalSeparator);
  });
}

TApplyResult ApplyParamRow(TMob& mob, TObjRef ref, std::string_view key, std::string_view text,
                          char decimalSeparator) {
  TApplyResult result = ParamRowValue(mob, ref, key, text, decimalSeparator);
  if (result.value) {
    TFieldValue value = *result.value;
    SwapFieldValue(mob, ref, key, value);
  }
  return result;
}

std::optional<TQuaternion> RotationOf(const TMob& mob, TObjRef ref) {
  const auto fields = ReadRotation(mob, ref);
  if (!fields) return std::nullopt;
  return TQuaternion((*fields)[0], (*fields)[1], (*fields)[2], (*fields)[3]);
}

TRotationFields RotationFields(const TQuaternion& rotation) {
  return {rotation.W, rotation.X, rotation.Y, rotation.Z};
}

bool StoreRotation(TMob& mob, TObjRef ref, const TQuaternion& rotation) {
  return WriteRotation(mob, ref, RotationFields(rotation));
}

}  // namespace kelvarin
