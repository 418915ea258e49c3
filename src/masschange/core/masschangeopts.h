// MassChangeOpts: the stored state of every option control of the mass-change
// page, one field per control, named by the control. Texts are code page 1251
// bytes, as they stand in the settings file.
#pragma once

#include <span>
#include <string>

namespace kelvarin {

class TIniFile;

struct MassChangeOpts {
  // Criteria: by parameters.
  bool MC_KR_Param_Name1CB = false;
  bool MC_KR_Param_Name2CB = false;
  bool MC_KR_Param_ScriptVariableNameCB = false;
  bool MC_KR_Param_Model3dCB = false;
  bool MC_KR_Param_FirstTextureCB = false;
  bool MC_KR_Param_SecondTextureCB = false;
  bool MC_KR_Param_PlayerNumberCB = false;
  // Criteria: by area.
  bool MC_KR_Coords_PramouglCB = false;
  bool MC_KR_Coords_KrugCB = false;
  // Criteria: by kind.
  bool MC_KR_Type_UnitCB = false;
  bool MC_KR_Type_ObjectCB = false;
  bool MC_KR_Type_LeverCB = false;
  bool MC_KR_Type_TrapCB = false;
  bool MC_KR_Type_FlameCB = false;
  bool MC_KR_Type_Particle1CB = false;
  bool MC_KR_Type_Particle2CB = false;
  bool MC_KR_Type_Particle3CB = false;
  // Actions on the records themselves.
  bool MC_AS_Obj_DelRB = false;
  bool MC_AS_Obj_CopyRB = false;
  bool MC_AS_Obj_MoveRB = false;
  bool MC_AS_Obj_ReplaceCB = true;
  // Parameter changes.
  bool MC_AS_Params_Name1CB = false;
  bool MC_AS_Params_Name2CB = false;
  bool MC_AS_Params_ScriptVariableNameCB = false;
  bool MC_AS_Params_Model3dCB = false;
  bool MC_AS_Params_FirstTextureCB = false;
  bool MC_AS_Params_SecondTextureCB = false;
  bool MC_AS_Params_OffsetCB = false;
  bool MC_AS_Params_PlayerNumberCB = false;
  bool MC_AS_Obj_OnlyParamsRB = true;

  std::string MC_KR_Param_Name1Ed;
  std::string MC_KR_Param_Name2Ed;
  std::string MC_KR_Param_ScriptVariableNameEd;
  std::string MC_KR_Param_Model3dEd;
  std::string MC_KR_Param_FirstTextureEd;
  std::string MC_KR_Param_SecondTextureEd;
  std::string MC_KR_Param_PlayerNumberEd;
  std::string MC_KR_Coords_Pramougl_X1Ed;
  std::string MC_KR_Coords_Pramougl_Y1Ed;
  std::string MC_KR_Coords_Pramougl_X2Ed;
  std::string MC_KR_Coords_Pramougl_Y2Ed;
  std::string MC_KR_Coords_Krug_XEd;
  std::string MC_KR_Coords_Krug_YEd;
  std::string MC_KR_Coords_Krug_RadEd;
  std::string MC_AS_Obj_TargetMobEd;
  std::string MC_AS_Params_Name1Ed;
  std::string MC_AS_Params_Name2Ed;
  std::string MC_AS_Params_ScriptVariableNameEd;
  std::string MC_AS_Params_Model3dEd;
  std::string MC_AS_Params_FirstTextureEd;
  std::string MC_AS_Params_SecondTextureEd;
  std::string MC_AS_Params_OffsetXEd;
  std::string MC_AS_Params_OffsetYEd;
  std::string MC_AS_Params_PlayerNumberEd;

  bool operator==(const MassChangeOpts&) const = default;
};

// Every control of the mass-change page, described once: its name (the objectName,
// the stem of the ini key, the name the option check's messages give), what it is,
// where it stands, its caption, the option field it keeps, and for an edit the
// checkbox its text ticks. The table runs in the busy lock's order; the option
// fields among them come in the settings file's order (all checked states, then all
// texts), which is also the order the page is filled in.
enum class TMassChangeControlKind { CheckBox, RadioButton, Edit, Button };

// The group box a control stands in; the Reset and Go buttons stand in the panel
// below the tabs.
enum class TMassChangeGroup { Params, Coords, Types, Objects, ParamChanges, Panel };

// What a button does.
enum class TMassChangeCommand { None, ChooseTarget, Reset, Go };

struct TMassChangeControl {
  const char* name;
  TMassChangeControlKind kind;
  TMassChangeGroup group;
  // UTF-8. The text of a checkbox, radio button or button; for an edit the label
  // in front of it, or nullptr when the checkbox of its row names it.
  const char* caption;
  // The cell in the group's grid; an edit's label takes the cell to its left.
  int row;
  int column;
  int columnSpan;
  bool MassChangeOpts::*flag;         // checkboxes and radio buttons
  std::string MassChangeOpts::*text;  // edits
  // An edit: the checkbox that is ticked while this edit and every other edit
  // ticking it hold text, and unticked otherwise. nullptr for the target path.
  bool MassChangeOpts::*ticks;
  TMassChangeCommand command;  // buttons
};

// The controls in the busy lock's order.
std::span<const TMassChangeControl> MassChangeControls();
// The control that keeps `field`; nullptr for a field of no control (there is none).
const TMassChangeControl* ControlOf(bool MassChangeOpts::*field);
const TMassChangeControl* ControlOf(std::string MassChangeOpts::*field);

// One option field: the control's name (the ini key is the name + "_ini").
struct TMassChangeBoolField {
  const char* name;
  bool MassChangeOpts::*member;
};
struct TMassChangeTextField {
  const char* name;
  std::string MassChangeOpts::*member;
};

// The fields in the settings file's write order: all booleans, then all texts.
std::span<const TMassChangeBoolField> MassChangeBoolFields();
std::span<const TMassChangeTextField> MassChangeTextFields();

inline constexpr char kMassChangeSection[] = "MassChangeOpts";

// Reads every field with the settings file's reading defaults (false, "0").
MassChangeOpts ReadMassChangeOpts(const TIniFile& ini);
// Writes every field in write order (the caller flushes the file).
void WriteMassChangeOpts(TIniFile& ini, const MassChangeOpts& opts);

}  // namespace kelvarin
