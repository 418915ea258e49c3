// The per-kind record rules: every kind answers from the field it should, and the
// document-level forms agree with the record-level ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mob/fields.h"
#include "mob/generator.h"
#include "mob/recordrules.h"

namespace kelvarin {
namespace {

// The fields each rule must read, per kind, by the names the parameter table uses.
struct KindRules {
  ObjKind kind;
  const char* caption;
  const char* name;
  const char* planeX;
  const char* planeY;
  const char* identity;
  std::vector<std::string> scriptNames;
  bool rotation;
};

const KindRules kRules[] = {
    {ObjKind::Unit, "Name1", "Name2", "LoadX", "LoadY", "ObjectID", {"ScriptVariableName", "Name2"}, true},
    {ObjKind::Object, "Name2", "Name2", "LoadX", "LoadY", "ObjectID", {"ScriptVariableName", "Name2"}, true},
    {ObjKind::Lever, "Name2", "Name2", "LoadX", "LoadY", "ObjectID", {"ScriptVariableName", "Name2"}, true},
    {ObjKind::Trap, "Name2", "Name2", "LoadX", "LoadY", "ObjectID", {"ScriptVariableName", "Name2"}, true},
    // A flame stands where its common fields say, whatever its own CoordX/CoordY hold.
    {ObjKind::Flame, "Name2", "Name2", "LoadX", "LoadY", "ObjectID", {"ScriptVariableName", "Name2"}, true},
    {ObjKind::Particle1, "NameStr", "NameStr", "CoordX", "CoordY", "ID", {"NameStr"}, false},
    {ObjKind::Particle2, "NameStr", "NameStr", "CoordX", "CoordY", "ID", {"NameStr"}, false},
    {ObjKind::Particle3, "NameStr", "NameStr", "CoordX", "CoordY", "ID", {"NameStr"}, false},
};

// The address of the field `key` of `record`, for telling which field a rule read.
template <class R> const void* FieldAddress(const R& record, std::string_view key) {
  const FieldDesc<R>* field = FindField<R>(key);
  if (!field) return nullptr;
  return std::visit([&](auto member) -> const void* { return &(record.*member); }, field->member);
}

template <class R> std::string NameOfField(const R& record, const void* address) {
  for (const FieldDesc<R>& field : FieldsOf<R>())
    if (FieldAddress(record, field.name) == address) return field.name;
  return "?";
}

TEST(RecordRules, EveryKindAnswersFromItsOwnFields) {
  TMob mob;
  GenerateZone(mob, {.records = 64, .seed = 5});
  for (const KindRules& rules : kRules) {
    SCOPED_TRACE(IdentityFieldName(rules.kind));
    ASSERT_GT(mob.Count(rules.kind), 0u);
    const TObjRef ref{rules.kind, 0};
    VisitRecord(mob, ref, [&](auto& r) {
      using R = std::decay_t<decltype(r)>;
      EXPECT_EQ(NameOfField(r, &CaptionOf(r)), rules.caption);
      EXPECT_EQ(NameOfField(r, &NameOf(r)), rules.name);
      EXPECT_EQ(NameOfField(r, &(r.*NameMember<R>())), rules.name);
      EXPECT_EQ(NameOfField(r, &PlaneX(r)), rules.planeX);
      EXPECT_EQ(NameOfField(r, &PlaneY(r)), rules.planeY);
      EXPECT_EQ(NameOfField(r, &(r.*IdentityMember<R>())), rules.identity);
      std::vector<std::string> names;
      ForEachScriptName(r, [&](const std::string& name) { names.push_back(NameOfField(r, &name)); });
      EXPECT_EQ(names, rules.scriptNames);
      EXPECT_EQ(ScriptVariableOf(r) != nullptr, rules.rotation);

      SetIdentity(r, -7);
      EXPECT_EQ(r.Identity(), -7);
    });
    EXPECT_EQ(IdentityOf(mob, ref), -7);
    EXPECT_STREQ(IdentityFieldName(rules.kind), rules.identity);
    EXPECT_EQ(&RecordCaption(mob, ref), VisitRecord(mob, ref, [](const auto& r) { return &CaptionOf(r); }));

    ASSERT_TRUE(WritePlanePosition(mob, ref, {3.5f, -2}));
    EXPECT_EQ(ReadPlanePosition(mob, ref), (TPlanePosition{3.5f, -2}));

    const TRotationFields turned{0.5f, -0.5f, 0.25f, 1};
    EXPECT_EQ(WriteRotation(mob, ref, turned), rules.rotation);
    EXPECT_EQ(ReadRotation(mob, ref), rules.rotation ? std::optional(turned) : std::nullopt);
  }
}

TEST(RecordRules, NoRecordMeansNoAnswer) {
  TMob mob;
  GenerateZone(mob, {.records = 16, .seed = 2});
  const TObjRef past{ObjKind::Lever, mob.Levers.size()};
  EXPECT_FALSE(ReadPlanePosition(mob, past));
  EXPECT_FALSE(WritePlanePosition(mob, past, {}));
  EXPECT_FALSE(ReadRotation(mob, past));
  EXPECT_FALSE(WriteRotation(mob, past, {}));
}

TEST(RecordRules, DescriptionsAndKeys) {
  TMob mob;
  mob.Units.resize(3);
  mob.Units[2].Name1 = "\xC2\xEE\xE8\xED";  // "Воин" in code page 1251
  mob.Particles1.resize(1);
  EXPECT_EQ(DescribeRecord(mob, {ObjKind::Unit, 2}), "«Воин» (Юниты, индекс 2)");
  EXPECT_EQ(DescribeRecord(mob, {ObjKind::Particle1, 0}), "(Партиклы 1 типа, индекс 0)");
  EXPECT_TRUE(IsRotationKey("RotationY"));
  EXPECT_FALSE(IsRotationKey("rotationy"));
  EXPECT_FALSE(IsRotationKey("Rotation"));
  EXPECT_EQ(FindField<TUnitObjBlock>("Armour")->name, std::string("Armour"));
  EXPECT_EQ(FindField<TParticle1ObjBlock>("LoadX"), nullptr);
}

}  // namespace
}  // namespace kelvarin
