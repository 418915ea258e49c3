#include "masschange/core/masschangecheck.h"

#include "common/cp1251.h"
#include "common/filesystem.h"
#include "common/textchecks.h"

namespace kelvarin {
namespace {

bool IsNumberText(const std::string& text, char decimalSeparator) {
  return CheckStrFloat(text, decimalSeparator) && ConvertFloat(text, decimalSeparator).has_value();
}

bool IsIntegerText(const std::string& text) {
  return CheckStrInt(text) && ConvertInt32(text).has_value();
}

}  // namespace

MassChangeMode ModeOf(const MassChangeOpts& opts) {
  if (opts.MC_AS_Obj_OnlyParamsRB) return MassChangeMode::OnlyParams;
  if (opts.MC_AS_Obj_MoveRB) return MassChangeMode::Move;
  if (opts.MC_AS_Obj_CopyRB) return MassChangeMode::Copy;
  if (opts.MC_AS_Obj_DelRB) return MassChangeMode::Delete;
  return MassChangeMode::None;
}

std::string TargetPathOf(const MassChangeOpts& opts) {
  return Cp1251ToUtf8(opts.MC_AS_Obj_TargetMobEd);
}

std::string BadValueMessage(const char* editName) {
  return std::string("Таварищсч камандир, шож вы делаете то? Неправильно введено значение поля ") +
         editName;
}

std::string MassChangeOptsError(const MassChangeOpts& o, char sep, const std::string& openFile) {
  struct NumberCheck {
    bool on;
    const std::string& text;
    const char* edit;
  };
  const NumberCheck numbers[] = {
      {o.MC_KR_Coords_PramouglCB, o.MC_KR_Coords_Pramougl_X1Ed, "MC_KR_Coords_Pramougl_X1Ed"},
      {o.MC_KR_Coords_PramouglCB, o.MC_KR_Coords_Pramougl_Y1Ed, "MC_KR_Coords_Pramougl_Y1Ed"},
      {o.MC_KR_Coords_PramouglCB, o.MC_KR_Coords_Pramougl_X2Ed, "MC_KR_Coords_Pramougl_X2Ed"},
      {o.MC_KR_Coords_PramouglCB, o.MC_KR_Coords_Pramougl_Y2Ed, "MC_KR_Coords_Pramougl_Y2Ed"},
      {o.MC_KR_Coords_KrugCB, o.MC_KR_Coords_Krug_XEd, "MC_KR_Coords_Krug_XEd"},
      {o.MC_KR_Coords_KrugCB, o.MC_KR_Coords_Krug_YEd, "MC_KR_Coords_Krug_YEd"},
      {o.MC_KR_Coords_KrugCB, o.MC_KR_Coords_Krug_RadEd, "MC_KR_Coords_Krug_RadEd"},
      {o.MC_AS_Params_OffsetCB, o.MC_AS_Params_OffsetXEd, "MC_AS_Params_OffsetXEd"},
      {o.MC_AS_Params_OffsetCB, o.MC_AS_Params_OffsetYEd, "MC_AS_Params_OffsetYEd"},
  };
  for (const auto& c : numbers)
    if (c.on && !IsNumberText(c.text, sep)) return BadValueMessage(c.edit);

  if (o.MC_KR_Param_PlayerNumberCB && !IsIntegerText(o.MC_KR_Param_PlayerNumberEd))
    return BadValueMessage("MC_KR_Param_PlayerNumberEd");
  if (o.MC_AS_Params_PlayerNumberCB && !IsIntegerText(o.MC_AS_Params_PlayerNumberEd))
    return BadValueMessage("MC_AS_Params_PlayerNumberEd");

  // The mode that will run, not the raw flags: a settings file may hold several.
  if (UsesTarget(ModeOf(o))) {
    const std::string target = TargetPathOf(o);
    if (!Files().Exists(target)) return "Файл " + target + " не существует!";
    if (SameFile(target, openFile))
      return "Таварищсч камандир, целевой моб " + target +
             " - это тот же файл, что открыт сейчас! Объекты, записанные в него, пропали бы при "
             "сохранении открытого моба. Выберите другой целевой моб.";
  }
  return {};
}

}  // namespace kelvarin
