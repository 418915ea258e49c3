// The options read once into a typed plan, and the table of the page's controls
// that the page, the settings file and the check's messages share.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "masschange/core/masschangeplan.h"

namespace kelvarin {
namespace {

TEST(MassChangePlan, TheTextsBecomeTheNumbersARunUses) {
  MassChangeOpts o;
  o.MC_KR_Type_LeverCB = o.MC_KR_Type_Particle2CB = true;
  o.MC_KR_Param_Name2CB = true;  // ticked over an empty text: selects empty names
  o.MC_KR_Param_Model3dEd = "tree.mdl";  // not ticked: no criterion
  o.MC_KR_Param_PlayerNumberCB = true;
  o.MC_KR_Param_PlayerNumberEd = "-1";
  o.MC_KR_Coords_PramouglCB = true;
  o.MC_KR_Coords_Pramougl_X1Ed = "-0,1";
  o.MC_KR_Coords_Pramougl_Y1Ed = "5";
  o.MC_KR_Coords_Pramougl_X2Ed = "7,25";
  o.MC_KR_Coords_Pramougl_Y2Ed = ",5";
  o.MC_KR_Coords_KrugCB = true;
  o.MC_KR_Coords_Krug_XEd = "1";
  o.MC_KR_Coords_Krug_YEd = "-2";
  o.MC_KR_Coords_Krug_RadEd = "-3";
  o.MC_AS_Params_PlayerNumberCB = true;
  o.MC_AS_Params_PlayerNumberEd = "300";
  o.MC_AS_Params_OffsetCB = true;
  o.MC_AS_Params_OffsetXEd = "0,1";
  o.MC_AS_Params_OffsetYEd = "-2";
  o.MC_AS_Params_Name1CB = true;
  o.MC_AS_Params_Name1Ed = "\xCE\xF0\xEA";  // 1251 bytes stay as they are
  o.MC_AS_Obj_OnlyParamsRB = false;
  o.MC_AS_Obj_MoveRB = true;
  o.MC_AS_Obj_ReplaceCB = false;
  o.MC_AS_Obj_TargetMobEd = "\xF6\xE5\xEB\xFC.mob";

  const TMassChangeParse parse = ParseMassChange(o, ',');
  ASSERT_TRUE(parse.plan) << parse.error;
  EXPECT_EQ(parse.error, "");
  const TMassChangePlan& plan = *parse.plan;
  EXPECT_EQ(plan.mode, MassChangeMode::Move);
  EXPECT_FALSE(plan.replaceIds);
  EXPECT_EQ(plan.targetPath, "цель.mob");

  const TSelectionCriteria& c = plan.criteria;
  EXPECT_EQ(c.kinds, (std::array<bool, kObjKindCount>{false, false, true, false, false, false, true, false}));
  TRecordTexts names;
  names.name = "";
  EXPECT_EQ(c.texts, names);
  EXPECT_EQ(c.playerNumber, -1);
  ASSERT_TRUE(c.rectangle);
  // Extended precision, as typed: not the float or double nearest 0.1.
  EXPECT_EQ(c.rectangle->x1, -0.1L);
  EXPECT_EQ(c.rectangle->y2, 0.5L);
  EXPECT_EQ(c.circle, (TCriteriaCircle{1, -2, -3}));

  const TParamChanges& p = plan.changes;
  EXPECT_EQ(p.playerNumber, std::uint8_t(44));  // the low 8 bits of 300
  EXPECT_EQ(p.offset, (TPlaneOffset{0.1L, -2}));
  TRecordTexts newNames;
  newNames.name1 = "\xCE\xF0\xEA";
  EXPECT_EQ(p.texts, newNames);

  // The criteria alone read the same, and a refused action does not hide them.
  o.MC_AS_Params_OffsetXEd = "x";
  EXPECT_FALSE(ParseMassChange(o, ',').plan);
  EXPECT_EQ(ParseCriteria(o, ',').criteria, c);
}

TEST(MassChangePlan, EveryOptionFieldHasOneControlNamedAfterIt) {
  const auto controls = MassChangeControls();
  std::set<std::string> names;
  std::size_t flags = 0, texts = 0;
  for (const TMassChangeControl& c : controls) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    EXPECT_EQ(c.flag != nullptr, c.kind == TMassChangeControlKind::CheckBox ||
                                     c.kind == TMassChangeControlKind::RadioButton) << c.name;
    EXPECT_EQ(c.text != nullptr, c.kind == TMassChangeControlKind::Edit) << c.name;
    EXPECT_EQ(c.command != TMassChangeCommand::None, c.kind == TMassChangeControlKind::Button) << c.name;
    flags += c.flag ? 1 : 0;
    texts += c.text ? 1 : 0;
    if (c.flag) {
      EXPECT_EQ(ControlOf(c.flag), &c);
    }
    if (c.text) {
      EXPECT_EQ(ControlOf(c.text), &c);
    }
    // An edit ticks a checkbox of its own group, and one without a label is named
    // by that checkbox.
    if (c.ticks) {
      const TMassChangeControl* box = ControlOf(c.ticks);
      ASSERT_NE(box, nullptr) << c.name;
      EXPECT_EQ(box->kind, TMassChangeControlKind::CheckBox) << c.name;
      EXPECT_EQ(box->group, c.group) << c.name;
    } else if (c.kind == TMassChangeControlKind::Edit) {
      EXPECT_NE(c.caption, nullptr) << c.name;
    }
    // The ini key, the objectName and the field: one spelling.
    EXPECT_TRUE(std::string(c.name).starts_with("MC_")) << c.name;
  }
  // Every field of MassChangeOpts (30 checked states, 24 texts), and the three
  // buttons: the 57 controls the busy lock takes.
  EXPECT_EQ(flags, 30u);
  EXPECT_EQ(texts, 24u);
  EXPECT_EQ(controls.size(), 57u);
  // The settings file writes every checked state, then every text.
  EXPECT_EQ(MassChangeBoolFields().size(), flags);
  EXPECT_EQ(MassChangeTextFields().size(), texts);
}

}  // namespace
}  // namespace kelvarin
