// Which records the criteria select, and what the parameter changes write.
#include <gtest/gtest.h>

#include "enginehost.h"

namespace kelvarin {
namespace {

using test::Common;
using test::Particle;
using test::Unit;

MassChangeOpts AllKinds() {
  MassChangeOpts o;
  o.MC_KR_Type_UnitCB = o.MC_KR_Type_ObjectCB = o.MC_KR_Type_LeverCB = o.MC_KR_Type_TrapCB = true;
  o.MC_KR_Type_FlameCB = o.MC_KR_Type_Particle1CB = o.MC_KR_Type_Particle2CB = true;
  o.MC_KR_Type_Particle3CB = true;
  return o;
}

MassChangeOpts Rect(const char* x1, const char* y1, const char* x2, const char* y2) {
  MassChangeOpts o = AllKinds();
  o.MC_KR_Coords_PramouglCB = true;
  o.MC_KR_Coords_Pramougl_X1Ed = x1;
  o.MC_KR_Coords_Pramougl_Y1Ed = y1;
  o.MC_KR_Coords_Pramougl_X2Ed = x2;
  o.MC_KR_Coords_Pramougl_Y2Ed = y2;
  return o;
}

MassChangeOpts Circle(const char* x, const char* y, const char* r) {
  MassChangeOpts o = AllKinds();
  o.MC_KR_Coords_KrugCB = true;
  o.MC_KR_Coords_Krug_XEd = x;
  o.MC_KR_Coords_Krug_YEd = y;
  o.MC_KR_Coords_Krug_RadEd = r;
  return o;
}

bool UnitAtMatches(const MassChangeOpts& opts, float x, float y, char sep = '.') {
  TMob mob;
  mob.Units = {Unit(1, x, y)};
  return TMassChanger(test::Plan(opts, sep), mob, nullptr).MatchesCriteria(ObjKind::Unit, 0);
}

TEST(MassChangeMatching, RectangleBoundsAreInclusiveWithY1AsTheUpperBound) {
  struct Case {
    MassChangeOpts opts;
    float x, y;
    bool matches;
    char sep = '.';
  };
  const Case cases[] = {
      {Rect("0", "100", "100", "0"), 100, 0, true},
      {Rect("0", "100", "100", "0"), 0, 100, true},
      {Rect("0", "100", "100", "0"), 50, 50, true},
      {Rect("0", "100", "100", "0"), 100.01f, 50, false},
      {Rect("0", "100", "100", "0"), 50, -0.01f, false},
      // Y1 below Y2 is an empty rectangle.
      {Rect("0", "0", "100", "100"), 50, 50, false},
      {Rect("0", "0", "100", "100"), 0, 0, false},
      // Bounds are read in extended precision: the float nearest 0.1 lies above 0.1.
      {Rect("0", "1", "0.1", "0"), 0.1f, 0.5f, false},
      {Rect("0.1", "1", "1", "0"), 0.1f, 0.5f, true},
      {Rect("-0,5", "0,5", "0,5", "-0,5"), 0.5f, -0.5f, true, ','},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UnitAtMatches(c.opts, c.x, c.y, c.sep), c.matches)
        << c.opts.MC_KR_Coords_Pramougl_X1Ed << " " << c.opts.MC_KR_Coords_Pramougl_Y1Ed << " "
        << c.opts.MC_KR_Coords_Pramougl_X2Ed << " " << c.opts.MC_KR_Coords_Pramougl_Y2Ed
        << " at " << c.x << "," << c.y;
}

TEST(MassChangeMatching, CircleIsTheClosedDisc) {
  EXPECT_TRUE(UnitAtMatches(Circle("0", "0", "5"), 3, 4));
  EXPECT_TRUE(UnitAtMatches(Circle("0", "0", "5"), -5, 0));
  EXPECT_TRUE(UnitAtMatches(Circle("0", "0", "5"), 0, -5));
  EXPECT_FALSE(UnitAtMatches(Circle("0", "0", "5"), 3, 4.01f));
  EXPECT_FALSE(UnitAtMatches(Circle("0", "0", "5"), 5.01f, 0));
  // The radius is squared: a negative one acts like its absolute value.
  EXPECT_TRUE(UnitAtMatches(Circle("0", "0", "-5"), 3, 4));
  EXPECT_TRUE(UnitAtMatches(Circle("10", "-10", "1"), 10, -9));
  // Both areas on: a record must lie in both.
  MassChangeOpts both = Circle("0", "0", "5");
  both.MC_KR_Coords_PramouglCB = true;
  both.MC_KR_Coords_Pramougl_X1Ed = "0", both.MC_KR_Coords_Pramougl_Y1Ed = "10";
  both.MC_KR_Coords_Pramougl_X2Ed = "10", both.MC_KR_Coords_Pramougl_Y2Ed = "0";
  EXPECT_TRUE(UnitAtMatches(both, 3, 4));
  EXPECT_FALSE(UnitAtMatches(both, -3, 4));
  EXPECT_FALSE(UnitAtMatches(both, 6, 6));
}

TEST(MassChangeMatching, TextCriteriaMatchWholeFieldsExactly) {
  struct Case {
    const char* field;
    const char* criterion;
    bool matches;
  };
  const Case cases[] = {
      {"Orc", "Orc", true},  {"Orc", "orc", false}, {"Orc", "Orc ", false},
      {"Orc ", "Orc", false}, {"Orc", "Or", false},  {"", "", true},
      {"Orc", "", false},    {"\xce\xf0\xea", "\xce\xf0\xea", true},
  };
  for (const auto& c : cases) {
    TMob mob;
    mob.Objects = {Common<TObjectObjBlock>(1)};
    mob.Objects[0].Name2 = c.field;
    mob.Particles3 = {Particle<TParticle3ObjBlock>(2)};
    mob.Particles3[0].NameStr = c.field;
    MassChangeOpts o = AllKinds();
    o.MC_KR_Param_Name2CB = true;
    o.MC_KR_Param_Name2Ed = c.criterion;
    const TMassChanger changer(test::Plan(o, '.'), mob, nullptr);
    EXPECT_EQ(changer.MatchesCriteria(ObjKind::Object, 0), c.matches) << c.field << "|" << c.criterion;
    EXPECT_EQ(changer.MatchesCriteria(ObjKind::Particle3, 0), c.matches) << c.field << "|" << c.criterion;
  }
}

TEST(MassChangeMatching, CriteriaAKindLacksDoNotExcludeIt) {
  TMob mob;
  mob.Units = {Unit(1), Unit(2)};
  mob.Units[0].Name1 = "orc";
  mob.Units[0].PlayerNumber = 3;
  mob.Units[1].Name1 = "elf";
  mob.Units[1].PlayerNumber = 3;
  mob.Objects = {Common<TObjectObjBlock>(3)};
  mob.Objects[0].PlayerNumber = 3;
  mob.Particles1 = {Particle<TParticle1ObjBlock>(4)};
  MassChangeOpts o = AllKinds();
  o.MC_KR_Param_Name1CB = true;
  o.MC_KR_Param_Name1Ed = "orc";
  o.MC_KR_Param_PlayerNumberCB = true;
  o.MC_KR_Param_PlayerNumberEd = "3";
  o.MC_AS_Params_Name2CB = true;
  o.MC_AS_Params_Name2Ed = "hit";
  TMassChanger(test::Plan(o, '.'), mob, nullptr).Run();
  EXPECT_EQ(mob.Units[0].Name2, "hit");
  EXPECT_EQ(mob.Units[1].Name2, "unit_2");
  EXPECT_EQ(mob.Objects[0].Name2, "hit");  // objects have no Name1
  EXPECT_EQ(mob.Particles1[0].NameStr, "hit");  // particles have neither
}

TEST(MassChangeMatching, PlayerNumberIsAnUnsignedByte) {
  TMob mob;
  mob.Objects = {Common<TObjectObjBlock>(1), Common<TObjectObjBlock>(2)};
  mob.Objects[0].PlayerNumber = 255;
  mob.Objects[1].PlayerNumber = 44;
  for (const auto& [criterion, first, second] :
       {std::tuple{"255", true, false}, {"-1", false, false}, {"300", false, false}, {"44", false, true}}) {
    MassChangeOpts o = AllKinds();
    o.MC_KR_Param_PlayerNumberCB = true;
    o.MC_KR_Param_PlayerNumberEd = criterion;
    const TMassChanger changer(test::Plan(o, '.'), mob, nullptr);
    EXPECT_EQ(changer.MatchesCriteria(ObjKind::Object, 0), first) << criterion;
    EXPECT_EQ(changer.MatchesCriteria(ObjKind::Object, 1), second) << criterion;
  }

  for (const auto& [value, stored] : {std::pair{"300", 44}, {"-1", 255}, {"256", 0}, {"7", 7}}) {
    TMob m;
    m.Units = {Unit(1)};
    MassChangeOpts o = AllKinds();
    o.MC_AS_Params_PlayerNumberCB = true;
    o.MC_AS_Params_PlayerNumberEd = value;
    TMassChanger(test::Plan(o, '.'), m, nullptr).Run();
    EXPECT_EQ(m.Units[0].PlayerNumber, stored) << value;
  }
}

TEST(MassChangeMatching, FlamesUseLoadCoordinatesAndParticlesTheirOwn) {
  TMob mob;
  mob.Flames = {Common<TFlameObjBlock>(1, 10, 0)};
  mob.Flames[0].CoordX = 500;
  mob.Flames[0].CoordY = 600;
  mob.Particles2 = {Particle<TParticle2ObjBlock>(2, 10, 0)};
  mob.Units = {Unit(3, 500, 0)};
  MassChangeOpts o = Rect("5", "5", "15", "-5");
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "5";
  o.MC_AS_Params_OffsetYEd = "-2.5";
  TMassChanger(test::Plan(o, '.'), mob, nullptr).Run();
  EXPECT_EQ(mob.Flames[0].LoadX, 15);
  EXPECT_EQ(mob.Flames[0].LoadY, -2.5f);
  EXPECT_EQ(mob.Flames[0].CoordX, 500);
  EXPECT_EQ(mob.Flames[0].CoordY, 600);
  EXPECT_EQ(mob.Particles2[0].CoordX, 15);
  EXPECT_EQ(mob.Units[0].LoadX, 500);  // outside the rectangle
}

TEST(MassChangeMatching, OffsetsAreAddedInExtendedPrecision) {
  // 1.00000001 rounds to 1 as a float, and 2^24 + 1 is a tie that rounds to even;
  // added as typed, the sum is above the tie and rounds up.
  TMob mob;
  mob.Units = {Unit(1, 16777216.0f, 0)};
  MassChangeOpts o = AllKinds();
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "1.00000001";
  o.MC_AS_Params_OffsetYEd = "0";
  TMassChanger(test::Plan(o, '.'), mob, nullptr).Run();
  EXPECT_EQ(mob.Units[0].LoadX, 16777218.0f);
}

TEST(MassChangeMatching, ParameterChangesTouchOnlyTheFieldsTheKindHas) {
  TMob mob;
  mob.Units = {Unit(1)};
  mob.Levers = {Common<TLeverObjBlock>(2)};
  mob.Particles1 = {Particle<TParticle1ObjBlock>(3)};
  const TParticle1ObjBlock particleBefore = mob.Particles1[0];
  MassChangeOpts o = AllKinds();
  o.MC_AS_Params_Name1CB = o.MC_AS_Params_Name2CB = o.MC_AS_Params_ScriptVariableNameCB = true;
  o.MC_AS_Params_Model3dCB = o.MC_AS_Params_FirstTextureCB = o.MC_AS_Params_SecondTextureCB = true;
  o.MC_AS_Params_Name1Ed = "n1", o.MC_AS_Params_Name2Ed = "n2", o.MC_AS_Params_ScriptVariableNameEd = "v";
  o.MC_AS_Params_Model3dEd = "m", o.MC_AS_Params_FirstTextureEd = "t1";
  o.MC_AS_Params_SecondTextureEd = "";  // an empty text empties the field
  mob.Levers[0].SecondTexture = "old";
  TMassChanger(test::Plan(o, '.'), mob, nullptr).Run();

  const auto& u = mob.Units[0];
  EXPECT_EQ(std::tuple(u.Name1, u.Name2, u.ScriptVariableName, u.ModelName, u.FirstTexture),
            std::tuple("n1", "n2", "v", "m", "t1"));
  const auto& l = mob.Levers[0];
  EXPECT_EQ(std::tuple(l.Name2, l.ModelName, l.SecondTexture), std::tuple("n2", "m", ""));
  auto p = mob.Particles1[0];
  EXPECT_EQ(p.NameStr, "n2");
  p.NameStr = particleBefore.NameStr;
  EXPECT_EQ(p, particleBefore);  // nothing else of a particle changes
}

}  // namespace
}  // namespace kelvarin
