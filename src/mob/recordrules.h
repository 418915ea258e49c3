// What every record kind answers in its own way, each rule stated here once: the
// caption the objects tree shows, the name a mass change selects by and sets,
// where the record stands on the zone's plane, its rotation, its identity and the
// names a script reaches it by. Everything above `mob/` (the pages, the engines,
// the zone check, the CLI) asks these instead of looking at the kinds itself.
//
// Each rule comes in two forms: a template over the record type, for code that
// walks the lists (`TMob::ForEachList`, `VisitRecord`) and must stay fast over
// millions of records, and a function over a document and a `TObjRef`, for code
// that holds a position (those that only read reach the record wherever the
// document holds it, in its lists or left in its file image). Member-pointer forms (`NameMember`, `PlaneXMember`, ...)
// are there for changes that go through the record history, which keeps a
// changed field by its member (`TRecordsEdit::SetField`).
//
// A field by its name (as the parameter table and the JSON form spell it) is
// `FindField` in `mob/fields.h`; the names of the kinds are in `mob/kindnames.h`.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "mob/objref.h"

namespace kelvarin {

// A field of the 24 common ones as a member of the record type `R` itself, which
// is what a member pointer into a list of `R` must be.
template <class R, class M> constexpr M R::*CommonMember(M TCommonObjFields::*member) {
  return static_cast<M R::*>(member);
}

// Whether `R` (const or not) carries the 24 common fields.
template <class R> inline constexpr bool kHasCommonFields = HasCommonFields(std::remove_const_t<R>::Kind);

// ---- caption ---------------------------------------------------------------------
// The text the objects tree and the map show for a record: Name1 for units,
// NameStr for the particle kinds, Name2 for the rest. Code page 1251.

template <class R> const std::string& CaptionOf(const R& r) {
  if constexpr (std::is_same_v<R, TUnitObjBlock>) return r.Name1;
  else if constexpr (kHasCommonFields<R>) return r.Name2;
  else return r.NameStr;
}

// The caption of the record `ref` refers to; the caller has checked RefersToRecord.
const std::string& RecordCaption(const TMob& mob, TObjRef ref);

// How a message or a result list names a record, in UTF-8: «caption» (kind, index N),
// or without the caption when it is empty.
std::string DescribeRecord(const TMob& mob, TObjRef ref);

// ---- name ------------------------------------------------------------------------
// The field a mass change's "Name" criterion compares and its Name2 change writes:
// Name2 for the kinds with the common fields, NameStr for the particle kinds.

template <class R> constexpr std::string R::*NameMember() {
  if constexpr (kHasCommonFields<R>) return CommonMember<R>(&TCommonObjFields::Name2);
  else return &R::NameStr;
}
template <class R> auto& NameOf(R& r) { return r.*NameMember<std::remove_const_t<R>>(); }

// ---- position on the plane -------------------------------------------------------
// The two coordinates that a mass change's rectangle and circle test and its offset
// moves, and that the map draws: LoadX/LoadY for the kinds with the common fields
// (a flame too, whatever its CoordX/CoordY say), CoordX/CoordY for the particle
// kinds, which have no common fields.

template <class R> constexpr float R::*PlaneXMember() {
  if constexpr (kHasCommonFields<R>) return CommonMember<R>(&TCommonObjFields::LoadX);
  else return &R::CoordX;
}
template <class R> constexpr float R::*PlaneYMember() {
  if constexpr (kHasCommonFields<R>) return CommonMember<R>(&TCommonObjFields::LoadY);
  else return &R::CoordY;
}
template <class R> auto& PlaneX(R& r) { return r.*PlaneXMember<std::remove_const_t<R>>(); }
template <class R> auto& PlaneY(R& r) { return r.*PlaneYMember<std::remove_const_t<R>>(); }

struct TPlanePosition {
  float x = 0, y = 0;
  bool operator==(const TPlanePosition&) const = default;
};

// The position of the record `ref` refers to; nullopt when there is none.
std::optional<TPlanePosition> ReadPlanePosition(const TMob& mob, TObjRef ref);
// Puts the record at `position`; false when `ref` refers to no record.
bool WritePlanePosition(TMob& mob, TObjRef ref, TPlanePosition position);

// ---- rotation --------------------------------------------------------------------
// RotationW, RotationX, RotationY, RotationZ, in that order: the kinds with the
// common fields carry them, the particle kinds none.

using TRotationFields = std::array<float, 4>;
inline constexpr std::string_view kRotationKeys[4] = {"RotationW", "RotationX", "RotationY", "RotationZ"};

template <class R> TRotationFields RotationFieldsOf(const R& r)
  requires kHasCommonFields<R>
{
  return {r.RotationW, r.RotationX, r.RotationY, r.RotationZ};
}

// Whether `key` names one of the four rotation fields (letter case counts).
bool IsRotationKey(std::string_view key);

// The record's rotation; nullopt for the particle kinds and for no record.
std::optional<TRotationFields> ReadRotation(const TMob& mob, TObjRef ref);
// Writes the four fields; false (nothing written) for the particle kinds and for no record.
bool WriteRotation(TMob& mob, TObjRef ref, const TRotationFields& rotation);

// ---- identity --------------------------------------------------------------------
// One 32-bit identity space across all eight kinds: ObjectID for the kinds with the
// common fields, ID for the particle kinds. `Identity()` of a record reads it.

template <class R> constexpr std::int32_t R::*IdentityMember() {
  if constexpr (kHasCommonFields<R>) return CommonMember<R>(&TCommonObjFields::ObjectID);
  else return &R::ID;
}
template <class R> void SetIdentity(R& r, std::int32_t id) { r.*IdentityMember<R>() = id; }

// The identity of the record `ref` refers to; the caller has checked RefersToRecord.
std::int32_t IdentityOf(const TMob& mob, TObjRef ref);
// The field's name for a kind: "ObjectID" or "ID".
const char* IdentityFieldName(ObjKind kind);

// ---- script names ----------------------------------------------------------------
// The names a script reaches a record by (GetObjectByName and the like):
// ScriptVariableName and Name2 for the kinds with the common fields, NameStr for the
// particle kinds. Empty names are passed too; the caller decides what they mean.

template <class R, class F> void ForEachScriptName(const R& r, F&& name) {
  if constexpr (kHasCommonFields<R>) {
    name(static_cast<const std::string&>(r.ScriptVariableName));
    name(static_cast<const std::string&>(r.Name2));
  } else {
    name(static_cast<const std::string&>(r.NameStr));
  }
}

// The script variable of a record: ScriptVariableName, or nullptr for the
// particle kinds, which have none.
template <class R> const std::string* ScriptVariableOf(const R& r) {
  if constexpr (kHasCommonFields<R>) return &r.ScriptVariableName;
  else return nullptr;
}

}  // namespace kelvarin
