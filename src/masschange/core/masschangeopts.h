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

// One option field: the control's name (the ini key is the name + "_ini").
struct MassChangeBoolField {
  const char* name;
  bool MassChangeOpts::*member;
};
struct MassChangeTextField {
  const char* name;
  std::string MassChangeOpts::*member;
};

// The fields in the settings file's write order: all booleans, then all texts.
std::span<const MassChangeBoolField> MassChangeBoolFields();
std::span<const MassChangeTextField> MassChangeTextFields();

inline constexpr char kMassChangeSection[] = "MassChangeOpts";

// Reads every field with the settings file's reading defaults (false, "0").
MassChangeOpts ReadMassChangeOpts(const TIniFile& ini);
// Writes every field in write order (the caller flushes the file).
void WriteMassChangeOpts(TIniFile& ini, const MassChangeOpts& opts);

}  // namespace kelvarin
