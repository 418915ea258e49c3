#include "masschange/core/masschangeplan.h"

#include <array>

#include "common/cp1251.h"
#include "common/filesystem.h"
#include "common/textchecks.h"

namespace kelvarin {
namespace {

using O = MassChangeOpts;

// Reads the ticked number texts in the check's order; the first that fails leaves
// its message and every later read is skipped.
class TOptionsReader {
 public:
  TOptionsReader(const O& opts, char sep) : m_opts(opts), m_sep(sep) {}

  std::optional<long double> Number(bool on, std::string O::*field) {
    if (!on || !m_error.empty()) return std::nullopt;
    const std::string& text = m_opts.*field;
    std::optional<long double> value;
    if (CheckStrFloat(text, m_sep)) value = ConvertExtended(text, m_sep);
    if (!value) Fail(field);
    return value;
  }
  std::optional<std::int32_t> Integer(bool on, std::string O::*field) {
    if (!on || !m_error.empty()) return std::nullopt;
    const std::string& text = m_opts.*field;
    std::optional<std::int32_t> value;
    if (CheckStrInt(text)) value = ConvertInt32(text);
    if (!value) Fail(field);
    return value;
  }
  const std::string& Error() const { return m_error; }

 private:
  void Fail(std::string O::*field) { m_error = BadValueMessage(ControlOf(field)->name); }

  const O& m_opts;
  char m_sep;
  std::string m_error;
};

// The six text options of a group, each a checkbox and its edit, in the order of
// TRecordTexts' fields: the text of each ticked one.
using TTextOption = std::pair<bool O::*, std::string O::*>;
TRecordTexts ReadTexts(const O& o, const std::array<TTextOption, 6>& options) {
  const auto text = [&](std::size_t i) -> std::optional<std::string> {
    if (!(o.*options[i].first)) return std::nullopt;
    return o.*options[i].second;
  };
  return {text(0), text(1), text(2), text(3), text(4), text(5)};
}

}  // namespace

MassChangeMode ModeOf(const MassChangeOpts& opts) {
  if (opts.MC_AS_Obj_OnlyParamsRB) return MassChangeMode::OnlyParams;
  if (opts.MC_AS_Obj_MoveRB) return MassChangeMode::Move;
  if (opts.MC_AS_Obj_CopyRB) return MassChangeMode::Copy;
  if (opts.MC_AS_Obj_DelRB) return MassChangeMode::Delete;
  return MassChangeMode::None;
}

std::string BadValueMessage(const char* editName) {
  return std::string("Таварищсч камандир, шож вы делаете то? Неправильно введено значение поля ") +
         editName;
}

TMassChangeParse ParseMassChange(const MassChangeOpts& o, char sep) {
  TOptionsReader read(o, sep);
  const bool rect = o.MC_KR_Coords_PramouglCB, circle = o.MC_KR_Coords_KrugCB, offset = o.MC_AS_Params_OffsetCB;
  const auto x1 = read.Number(rect, &O::MC_KR_Coords_Pramougl_X1Ed);
  const auto y1 = read.Number(rect, &O::MC_KR_Coords_Pramougl_Y1Ed);
  const auto x2 = read.Number(rect, &O::MC_KR_Coords_Pramougl_X2Ed);
  const auto y2 = read.Number(rect, &O::MC_KR_Coords_Pramougl_Y2Ed);
  const auto cx = read.Number(circle, &O::MC_KR_Coords_Krug_XEd);
  const auto cy = read.Number(circle, &O::MC_KR_Coords_Krug_YEd);
  const auto radius = read.Number(circle, &O::MC_KR_Coords_Krug_RadEd);
  const auto dx = read.Number(offset, &O::MC_AS_Params_OffsetXEd);
  const auto dy = read.Number(offset, &O::MC_AS_Params_OffsetYEd);
  const auto player = read.Integer(o.MC_KR_Param_PlayerNumberCB, &O::MC_KR_Param_PlayerNumberEd);
  const auto newPlayer = read.Integer(o.MC_AS_Params_PlayerNumberCB, &O::MC_AS_Params_PlayerNumberEd);
  if (!read.Error().empty()) return {std::nullopt, read.Error()};

  TMassChangePlan plan;
  plan.mode = ModeOf(o);
  TSelectionCriteria& c = plan.criteria;
  c.texts = ReadTexts(o, {{{&O::MC_KR_Param_Name1CB, &O::MC_KR_Param_Name1Ed},
                           {&O::MC_KR_Param_Name2CB, &O::MC_KR_Param_Name2Ed},
                           {&O::MC_KR_Param_ScriptVariableNameCB, &O::MC_KR_Param_ScriptVariableNameEd},
                           {&O::MC_KR_Param_Model3dCB, &O::MC_KR_Param_Model3dEd},
                           {&O::MC_KR_Param_FirstTextureCB, &O::MC_KR_Param_FirstTextureEd},
                           {&O::MC_KR_Param_SecondTextureCB, &O::MC_KR_Param_SecondTextureEd}}});
  c.playerNumber = player;
  if (rect) c.rectangle = TCriteriaRectangle{*x1, *y1, *x2, *y2};
  if (circle) c.circle = TCriteriaCircle{double(*cx), double(*cy), double(*radius)};
  c.kinds = {o.MC_KR_Type_UnitCB,      o.MC_KR_Type_ObjectCB,    o.MC_KR_Type_LeverCB,
             o.MC_KR_Type_TrapCB,      o.MC_KR_Type_FlameCB,     o.MC_KR_Type_Particle1CB,
             o.MC_KR_Type_Particle2CB, o.MC_KR_Type_Particle3CB};

  TParamChanges& p = plan.changes;
  p.texts = ReadTexts(o, {{{&O::MC_AS_Params_Name1CB, &O::MC_AS_Params_Name1Ed},
                           {&O::MC_AS_Params_Name2CB, &O::MC_AS_Params_Name2Ed},
                           {&O::MC_AS_Params_ScriptVariableNameCB, &O::MC_AS_Params_ScriptVariableNameEd},
                           {&O::MC_AS_Params_Model3dCB, &O::MC_AS_Params_Model3dEd},
                           {&O::MC_AS_Params_FirstTextureCB, &O::MC_AS_Params_FirstTextureEd},
                           {&O::MC_AS_Params_SecondTextureCB, &O::MC_AS_Params_SecondTextureEd}}});
  if (newPlayer) p.playerNumber = std::uint8_t(std::uint32_t(*newPlayer) & 0xFFu);
  if (offset) p.offset = TPlaneOffset{*dx, *dy};

  plan.targetPath = Cp1251ToUtf8(o.MC_AS_Obj_TargetMobEd);
  plan.replaceIds = o.MC_AS_Obj_ReplaceCB;
  return {std::move(plan), {}};
}

TCriteriaReading ParseCriteria(const MassChangeOpts& opts, char sep) {
  MassChangeOpts criteria = opts;
  // Only parameter changes in place, none ticked: the actions' texts have nothing
  // to say about what would be selected.
  criteria.MC_AS_Params_OffsetCB = false;
  criteria.MC_AS_Params_PlayerNumberCB = false;
  TMassChangeParse parse = ParseMassChange(criteria, sep);
  if (!parse.plan) return {std::nullopt, std::move(parse.error)};
  return {std::move(parse.plan->criteria), {}};
}

std::string TargetError(const TMassChangePlan& plan, const std::string& openFile) {
  // The mode that will run, not the raw flags: a settings file may hold several.
  if (!UsesTarget(plan.mode)) return {};
  const std::string& target = plan.targetPath;
  if (!Files().Exists(target)) return "Файл " + target + " не существует!";
  if (SameFile(target, openFile))
    return "Таварищсч камандир, целевой моб " + target +
           " - это тот же файл, что открыт сейчас! Объекты, записанные в него, пропали бы при "
           "сохранении открытого моба. Выберите другой целевой моб.";
  return {};
}

std::string MassChangeError(const TMassChangeParse& parse, const std::string& openFile) {
  return parse.plan ? TargetError(*parse.plan, openFile) : parse.error;
}

void PutArea(MassChangeOpts& o, const TAreaTexts& area) {
  if (const auto* t = std::get_if<TRectangleFieldTexts>(&area)) {
    o.MC_KR_Coords_Pramougl_X1Ed = t->x1;
    o.MC_KR_Coords_Pramougl_Y1Ed = t->y1;
    o.MC_KR_Coords_Pramougl_X2Ed = t->x2;
    o.MC_KR_Coords_Pramougl_Y2Ed = t->y2;
    o.MC_KR_Coords_PramouglCB = true;
  } else {
    const auto& c = std::get<TCircleFieldTexts>(area);
    o.MC_KR_Coords_Krug_XEd = c.x;
    o.MC_KR_Coords_Krug_YEd = c.y;
    o.MC_KR_Coords_Krug_RadEd = c.radius;
    o.MC_KR_Coords_KrugCB = true;
  }
}

}  // namespace kelvarin
