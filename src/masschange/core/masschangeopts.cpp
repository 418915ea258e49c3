#include "masschange/core/masschangeopts.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/inifile.h"

namespace kelvarin {
namespace {

using enum TMassChangeGroup;
using O = MassChangeOpts;

constexpr TMassChangeControl Box(const char* name, bool O::*flag, TMassChangeGroup group, const char* caption,
                                 int row, int column = 0, int span = 1) {
  return {name, TMassChangeControlKind::CheckBox, group, caption, row, column, span, flag, nullptr, nullptr,
          TMassChangeCommand::None};
}
constexpr TMassChangeControl Radio(const char* name, bool O::*flag, const char* caption, int row) {
  return {name, TMassChangeControlKind::RadioButton, Objects, caption, row, 0, 3, flag, nullptr, nullptr,
          TMassChangeCommand::None};
}
constexpr TMassChangeControl Edit(const char* name, std::string O::*text, TMassChangeGroup group,
                                  const char* label, int row, int column, bool O::*ticks, int span = 1) {
  return {name, TMassChangeControlKind::Edit, group, label, row, column, span, nullptr, text, ticks,
          TMassChangeCommand::None};
}
constexpr TMassChangeControl Button(const char* name, TMassChangeGroup group, const char* caption, int row,
                                    int column, TMassChangeCommand command) {
  return {name, TMassChangeControlKind::Button, group, caption, row, column, 1, nullptr, nullptr, nullptr, command};
}

// The name is the field's own: written once, as the member.
#define KV_BOX(field, ...) Box(#field, &O::field, __VA_ARGS__)
#define KV_RADIO(field, ...) Radio(#field, &O::field, __VA_ARGS__)
#define KV_EDIT(field, ...) Edit(#field, &O::field, __VA_ARGS__)
#define KV_BUTTON(name, ...) Button(#name, __VA_ARGS__)

// A checkbox and its edit on one row of a parameter group.
#define KV_ROW(group, stem, caption, row, editSpan)                  \
  KV_BOX(stem##CB, group, caption, row),                             \
      KV_EDIT(stem##Ed, group, nullptr, row, 1, &O::stem##CB, editSpan)

constexpr TMassChangeControl kControls[] = {
    // Criteria: by parameters.
    KV_ROW(Params, MC_KR_Param_Name1, "Prototype", 0, 1),
    KV_ROW(Params, MC_KR_Param_Name2, "Name", 1, 1),
    KV_ROW(Params, MC_KR_Param_ScriptVariableName, "ScriptVariableName", 2, 1),
    KV_ROW(Params, MC_KR_Param_Model3d, "Model3d", 3, 1),
    KV_ROW(Params, MC_KR_Param_FirstTexture, "FirstTexture", 4, 1),
    KV_ROW(Params, MC_KR_Param_SecondTexture, "SecondTexture", 5, 1),
    KV_ROW(Params, MC_KR_Param_PlayerNumber, "PlayerNumber", 6, 1),
    // Criteria: by area.
    KV_BOX(MC_KR_Coords_PramouglCB, Coords, "В прямоугольнике с координатами:", 0, 0, 4),
    KV_EDIT(MC_KR_Coords_Pramougl_X1Ed, Coords, "X1", 1, 1, &O::MC_KR_Coords_PramouglCB),
    KV_EDIT(MC_KR_Coords_Pramougl_Y1Ed, Coords, "Y1", 1, 3, &O::MC_KR_Coords_PramouglCB),
    KV_EDIT(MC_KR_Coords_Pramougl_X2Ed, Coords, "X2", 2, 1, &O::MC_KR_Coords_PramouglCB),
    KV_EDIT(MC_KR_Coords_Pramougl_Y2Ed, Coords, "Y2", 2, 3, &O::MC_KR_Coords_PramouglCB),
    KV_BOX(MC_KR_Coords_KrugCB, Coords, "В круге с координатами:", 3, 0, 4),
    KV_EDIT(MC_KR_Coords_Krug_XEd, Coords, "X", 4, 1, &O::MC_KR_Coords_KrugCB),
    KV_EDIT(MC_KR_Coords_Krug_YEd, Coords, "Y", 4, 3, &O::MC_KR_Coords_KrugCB),
    KV_EDIT(MC_KR_Coords_Krug_RadEd, Coords, "Радиус", 5, 1, &O::MC_KR_Coords_KrugCB),
    // Criteria: by kind, in kind order.
    KV_BOX(MC_KR_Type_UnitCB, Types, "Юнит", 0),
    KV_BOX(MC_KR_Type_ObjectCB, Types, "Объект", 1),
    KV_BOX(MC_KR_Type_LeverCB, Types, "Рычаг", 2),
    KV_BOX(MC_KR_Type_TrapCB, Types, "Ловушка", 3),
    KV_BOX(MC_KR_Type_FlameCB, Types, "Огонь (Flame)", 4),
    KV_BOX(MC_KR_Type_Particle1CB, Types, "Партикл 1-го типа", 5),
    KV_BOX(MC_KR_Type_Particle2CB, Types, "Партикл 2-го типа", 6),
    KV_BOX(MC_KR_Type_Particle3CB, Types, "Партикл 3-го типа", 7),
    // Actions on the records themselves ("only parameters" comes last, below).
    KV_RADIO(MC_AS_Obj_DelRB, "Удалять", 1),
    KV_RADIO(MC_AS_Obj_CopyRB, "Копировать в целевой моб", 2),
    KV_RADIO(MC_AS_Obj_MoveRB, "Переносить в целевой моб", 3),
    KV_BUTTON(MC_AS_Obj_TargetMobSelBut, Objects, "Выбрать...", 4, 2, TMassChangeCommand::ChooseTarget),
    KV_EDIT(MC_AS_Obj_TargetMobEd, Objects, "Целевой моб:", 4, 1, nullptr),
    KV_BOX(MC_AS_Obj_ReplaceCB, Objects, "Заменять при совпадении ID", 5, 0, 3),
    // Parameter changes; PlayerNumber stands above the offset on the page.
    KV_ROW(ParamChanges, MC_AS_Params_Name1, "Name1", 0, 4),
    KV_ROW(ParamChanges, MC_AS_Params_Name2, "Name2", 1, 4),
    KV_ROW(ParamChanges, MC_AS_Params_ScriptVariableName, "ScriptVariableName", 2, 4),
    KV_ROW(ParamChanges, MC_AS_Params_Model3d, "Model3d", 3, 4),
    KV_ROW(ParamChanges, MC_AS_Params_FirstTexture, "FirstTexture", 4, 4),
    KV_ROW(ParamChanges, MC_AS_Params_SecondTexture, "SecondTexture", 5, 4),
    KV_BOX(MC_AS_Params_OffsetCB, ParamChanges, "Смещать по координатам:", 7),
    KV_EDIT(MC_AS_Params_OffsetXEd, ParamChanges, "X", 7, 2, &O::MC_AS_Params_OffsetCB),
    KV_EDIT(MC_AS_Params_OffsetYEd, ParamChanges, "Y", 7, 4, &O::MC_AS_Params_OffsetCB),
    KV_ROW(ParamChanges, MC_AS_Params_PlayerNumber, "PlayerNumber", 6, 4),
    // The buttons, and the mode the page's layout puts first.
    KV_BUTTON(MC_ResetBut, Panel, "Сбросить", 0, 0, TMassChangeCommand::Reset),
    KV_BUTTON(MC_GoBut, Panel, "Выполнить изменения!", 0, 1, TMassChangeCommand::Go),
    KV_RADIO(MC_AS_Obj_OnlyParamsRB, "Только изменить параметры", 0),
};

#undef KV_ROW
#undef KV_BOX
#undef KV_RADIO
#undef KV_EDIT
#undef KV_BUTTON

struct Fields {
  std::vector<TMassChangeBoolField> bools;
  std::vector<TMassChangeTextField> texts;
};

const Fields& FieldsInOrder() {
  static const Fields fields = [] {
    Fields f;
    for (const TMassChangeControl& c : kControls) {
      if (c.flag) f.bools.push_back({c.name, c.flag});
      if (c.text) f.texts.push_back({c.name, c.text});
    }
    return f;
  }();
  return fields;
}

std::string IniKey(const char* name) { return std::string(name) + "_ini"; }

}  // namespace

std::span<const TMassChangeControl> MassChangeControls() { return kControls; }

const TMassChangeControl* ControlOf(bool MassChangeOpts::*field) {
  const auto* it = std::find_if(std::begin(kControls), std::end(kControls),
                                [&](const TMassChangeControl& c) { return c.flag == field; });
  return it == std::end(kControls) ? nullptr : it;
}

const TMassChangeControl* ControlOf(std::string MassChangeOpts::*field) {
  const auto* it = std::find_if(std::begin(kControls), std::end(kControls),
                                [&](const TMassChangeControl& c) { return c.text == field; });
  return it == std::end(kControls) ? nullptr : it;
}

std::span<const TMassChangeBoolField> MassChangeBoolFields() { return FieldsInOrder().bools; }
std::span<const TMassChangeTextField> MassChangeTextFields() { return FieldsInOrder().texts; }

MassChangeOpts ReadMassChangeOpts(const TIniFile& ini) {
  MassChangeOpts opts;
  for (const auto& f : MassChangeBoolFields())
    opts.*f.member = ini.ReadBool(kMassChangeSection, IniKey(f.name), false);
  for (const auto& f : MassChangeTextFields())
    opts.*f.member = ini.ReadString(kMassChangeSection, IniKey(f.name), "0");
  return opts;
}

void WriteMassChangeOpts(TIniFile& ini, const MassChangeOpts& opts) {
  for (const auto& f : MassChangeBoolFields()) ini.WriteBool(kMassChangeSection, IniKey(f.name), opts.*f.member);
  for (const auto& f : MassChangeTextFields())
    ini.WriteString(kMassChangeSection, IniKey(f.name), opts.*f.member);
}

}  // namespace kelvarin
