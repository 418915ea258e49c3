// Which records a mass change selects, as typed values: the criteria its page
// states, once their texts have been read and checked (masschange/core's
// ParseMassChange and ParseCriteria). The engine selects with them, the map
// previews and draws them, the pages pass them to each other; none of them reads
// the page's texts again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "mob/recordrules.h"

namespace kelvarin {

// X1 is the lower bound of x, Y1 the upper bound of y; all bounds inclusive, so a
// rectangle with Y1 below Y2 holds nothing. Kept as read, in extended precision.
struct TCriteriaRectangle {
  long double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const TCriteriaRectangle&) const = default;
};

// The closed disc; the radius acts by its square.
struct TCriteriaCircle {
  double x = 0, y = 0, radius = 0;
  bool operator==(const TCriteriaCircle&) const = default;
};

// The six text fields a mass change compares (its criteria) and writes (its
// parameter changes), code page 1251; nullopt where the option is not ticked.
// Name1 only units have; ScriptVariableName, ModelName and the textures only the
// kinds with the common fields: a field a kind lacks is passed over.
struct TRecordTexts {
  std::optional<std::string> name1;  // Name1
  std::optional<std::string> name;   // NameOf: Name2, NameStr for particles
  std::optional<std::string> scriptVariableName;
  std::optional<std::string> model3d;  // ModelName
  std::optional<std::string> firstTexture;
  std::optional<std::string> secondTexture;
  bool operator==(const TRecordTexts&) const = default;

  // Calls f(text, member) for every text that is set and that `R` has a field for,
  // `member` being that field as a member of `R`.
  template <class R, class F> void ForEachField(F&& f) const;
};

struct TSelectionCriteria {
  // The record's field must equal the text byte for byte, letter case counting, no
  // trimming; an empty text selects empty fields.
  TRecordTexts texts;
  // PlayerNumber is an unsigned byte: a value outside 0..255 selects nothing.
  std::optional<std::int32_t> playerNumber;
  // Tested on the record's plane position (PlaneX, PlaneY).
  std::optional<TCriteriaRectangle> rectangle;
  std::optional<TCriteriaCircle> circle;
  // The kinds a run scans, in kind order; a kind not ticked selects nothing.
  std::array<bool, kObjKindCount> kinds{};

  bool operator==(const TSelectionCriteria&) const = default;

  bool AnyKind() const;
  bool HasArea() const { return rectangle || circle; }

  // Whether `r` meets every criterion that applies to its kind. The kind's tick is
  // not asked here: a run asks only about the records of ticked kinds.
  template <class R> bool Matches(const R& r) const;
  // The same for the record `ref` refers to, which must exist.
  bool Matches(const TMob& mob, TObjRef ref) const;

 private:
  bool InArea(float x, float y) const;
};

// The criteria as their page holds them: readable criteria, or the message of the
// first text that is not (the page's own check message); exactly one of the two.
struct TCriteriaReading {
  std::optional<TSelectionCriteria> criteria;
  std::string error;
};

// ---- template definitions

template <class R, class F> void TRecordTexts::ForEachField(F&& f) const {
  if constexpr (std::is_same_v<R, TUnitObjBlock>)
    if (name1) f(*name1, &R::Name1);
  if (name) f(*name, NameMember<R>());
  if constexpr (kHasCommonFields<R>) {
    if (scriptVariableName) f(*scriptVariableName, CommonMember<R>(&TCommonObjFields::ScriptVariableName));
    if (model3d) f(*model3d, CommonMember<R>(&TCommonObjFields::ModelName));
    if (firstTexture) f(*firstTexture, CommonMember<R>(&TCommonObjFields::FirstTexture));
    if (secondTexture) f(*secondTexture, CommonMember<R>(&TCommonObjFields::SecondTexture));
  }
}

template <class R> bool TSelectionCriteria::Matches(const R& r) const {
  bool equal = true;
  texts.ForEachField<R>([&](const std::string& text, auto member) { equal = equal && r.*member == text; });
  if (!equal) return false;
  if constexpr (kHasCommonFields<R>)
    if (playerNumber && *playerNumber != std::int32_t(r.PlayerNumber)) return false;
  return InArea(PlaneX(r), PlaneY(r));
}

}  // namespace kelvarin
