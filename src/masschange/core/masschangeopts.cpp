#include "masschange/core/masschangeopts.h"

#include <array>

#include "common/inifile.h"

namespace kelvarin {
namespace {

#define KV_BOOL(name) MassChangeBoolField{#name, &MassChangeOpts::name}
#define KV_TEXT(name) MassChangeTextField{#name, &MassChangeOpts::name}

constexpr std::array kBoolFields = {
    KV_BOOL(MC_KR_Param_Name1CB),          KV_BOOL(MC_KR_Param_Name2CB),
    KV_BOOL(MC_KR_Param_ScriptVariableNameCB), KV_BOOL(MC_KR_Param_Model3dCB),
    KV_BOOL(MC_KR_Param_FirstTextureCB),   KV_BOOL(MC_KR_Param_SecondTextureCB),
    KV_BOOL(MC_KR_Param_PlayerNumberCB),   KV_BOOL(MC_KR_Coords_PramouglCB),
    KV_BOOL(MC_KR_Coords_KrugCB),          KV_BOOL(MC_KR_Type_UnitCB),
    KV_BOOL(MC_KR_Type_ObjectCB),          KV_BOOL(MC_KR_Type_LeverCB),
    KV_BOOL(MC_KR_Type_TrapCB),            KV_BOOL(MC_KR_Type_FlameCB),
    KV_BOOL(MC_KR_Type_Particle1CB),       KV_BOOL(MC_KR_Type_Particle2CB),
    KV_BOOL(MC_KR_Type_Particle3CB),       KV_BOOL(MC_AS_Obj_DelRB),
    KV_BOOL(MC_AS_Obj_CopyRB),             KV_BOOL(MC_AS_Obj_MoveRB),
    KV_BOOL(MC_AS_Obj_ReplaceCB),          KV_BOOL(MC_AS_Params_Name1CB),
    KV_BOOL(MC_AS_Params_Name2CB),         KV_BOOL(MC_AS_Params_ScriptVariableNameCB),
    KV_BOOL(MC_AS_Params_Model3dCB),       KV_BOOL(MC_AS_Params_FirstTextureCB),
    KV_BOOL(MC_AS_Params_SecondTextureCB), KV_BOOL(MC_AS_Params_OffsetCB),
    KV_BOOL(MC_AS_Params_PlayerNumberCB),  KV_BOOL(MC_AS_Obj_OnlyParamsRB),
};

constexpr std::array kTextFields = {
    KV_TEXT(MC_KR_Param_Name1Ed),          KV_TEXT(MC_KR_Param_Name2Ed),
    KV_TEXT(MC_KR_Param_ScriptVariableNameEd), KV_TEXT(MC_KR_Param_Model3dEd),
    KV_TEXT(MC_KR_Param_FirstTextureEd),   KV_TEXT(MC_KR_Param_SecondTextureEd),
    KV_TEXT(MC_KR_Param_PlayerNumberEd),   KV_TEXT(MC_KR_Coords_Pramougl_X1Ed),
    KV_TEXT(MC_KR_Coords_Pramougl_Y1Ed),   KV_TEXT(MC_KR_Coords_Pramougl_X2Ed),
    KV_TEXT(MC_KR_Coords_Pramougl_Y2Ed),   KV_TEXT(MC_KR_Coords_Krug_XEd),
    KV_TEXT(MC_KR_Coords_Krug_YEd),        KV_TEXT(MC_KR_Coords_Krug_RadEd),
    KV_TEXT(MC_AS_Obj_TargetMobEd),        KV_TEXT(MC_AS_Params_Name1Ed),
    KV_TEXT(MC_AS_Params_Name2Ed),         KV_TEXT(MC_AS_Params_ScriptVariableNameEd),
    KV_TEXT(MC_AS_Params_Model3dEd),       KV_TEXT(MC_AS_Params_FirstTextureEd),
    KV_TEXT(MC_AS_Params_SecondTextureEd), KV_TEXT(MC_AS_Params_OffsetXEd),
    KV_TEXT(MC_AS_Params_OffsetYEd),       KV_TEXT(MC_AS_Params_PlayerNumberEd),
};

#undef KV_BOOL
#undef KV_TEXT

std::string IniKey(const char* name) { return std::string(name) + "_ini"; }

}  // namespace

std::span<const MassChangeBoolField> MassChangeBoolFields() { return kBoolFields; }
std::span<const MassChangeTextField> MassChangeTextFields() { return kTextFields; }

MassChangeOpts ReadMassChangeOpts(const TIniFile& ini) {
  MassChangeOpts opts;
  for (const auto& f : kBoolFields) opts.*f.member = ini.ReadBool(kMassChangeSection, IniKey(f.name), false);
  for (const auto& f : kTextFields) opts.*f.member = ini.ReadString(kMassChangeSection, IniKey(f.name), "0");
  return opts;
}

void WriteMassChangeOpts(TIniFile& ini, const MassChangeOpts& opts) {
  for (const auto& f : kBoolFields) ini.WriteBool(kMassChangeSection, IniKey(f.name), opts.*f.member);
  for (const auto& f : kTextFields) ini.WriteString(kMassChangeSection, IniKey(f.name), opts.*f.member);
}

}  // namespace kelvarin
