#include "masschange/core/masschangeengine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "common/filesystem.h"
#include "common/textchecks.h"
#include "document/recordcommands.h"
#include "document/recordsedit.h"
#include "document/session.h"
#include "mob/filelog.h"
#include "mob/recordrules.h"

namespace kelvarin {
namespace {

const char kRunSeparator[] = "---------------------------------------";

// Calls f with the kind as a compile-time constant.
template <class F> decltype(auto) VisitKind(ObjKind kind, F&& f) {
  using enum ObjKind;
  switch (kind) {
    case Unit: return f(std::integral_constant<ObjKind, Unit>{});
    case Object: return f(std::integral_constant<ObjKind, Object>{});
    case Lever: return f(std::integral_constant<ObjKind, Lever>{});
    case Trap: return f(std::integral_constant<ObjKind, Trap>{});
    case Flame: return f(std::integral_constant<ObjKind, Flame>{});
    case Particle1: return f(std::integral_constant<ObjKind, Particle1>{});
    case Particle2: return f(std::integral_constant<ObjKind, Particle2>{});
    default: return f(std::integral_constant<ObjKind, Particle3>{});
  }
}

float AddExtended(float value, long double offset) {
  return static_cast<float>(static_cast<long double>(value) + offset);
}

}  // namespace

TMassChanger::TMassChanger(const MassChangeOpts& opts, char sep, TMob& source, TMob* target,
                           TRecordsEdit* edit)
    : m_opts(opts), m_mode(ModeOf(opts)), m_source(source), m_edit(edit) {
  if (target && UsesTarget(m_mode)) m_targetIds = std::make_unique<TIdentityIndex>(*target);
  m_kinds = {opts.MC_KR_Type_UnitCB,      opts.MC_KR_Type_ObjectCB,    opts.MC_KR_Type_LeverCB,
             opts.MC_KR_Type_TrapCB,      opts.MC_KR_Type_FlameCB,     opts.MC_KR_Type_Particle1CB,
             opts.MC_KR_Type_Particle2CB, opts.MC_KR_Type_Particle3CB};

  const auto number = [&](const std::string& text) { return ConvertExtended(text, sep); };
  if (opts.MC_KR_Param_PlayerNumberCB) {
    m_playerCriterion = ConvertInt32(opts.MC_KR_Param_PlayerNumberEd);
    m_selectsNothing |= !m_playerCriterion;
  }
  if (opts.MC_KR_Coords_PramouglCB) {
    const auto x1 = number(opts.MC_KR_Coords_Pramougl_X1Ed), y1 = number(opts.MC_KR_Coords_Pramougl_Y1Ed);
    const auto x2 = number(opts.MC_KR_Coords_Pramougl_X2Ed), y2 = number(opts.MC_KR_Coords_Pramougl_Y2Ed);
    if (x1 && y1 && x2 && y2) m_rect = Rect{*x1, *y1, *x2, *y2};
    else m_selectsNothing = true;
  }
  if (opts.MC_KR_Coords_KrugCB) {
    const auto x = number(opts.MC_KR_Coords_Krug_XEd), y = number(opts.MC_KR_Coords_Krug_YEd);
    const auto r = number(opts.MC_KR_Coords_Krug_RadEd);
    if (x && y && r) m_circle = Circle{double(*x), double(*y), double(*r)};
    else m_selectsNothing = true;
  }
  if (opts.MC_AS_Params_PlayerNumberCB) m_playerChange = ConvertInt32(opts.MC_AS_Params_PlayerNumberEd);
  if (opts.MC_AS_Params_OffsetCB) {
    const auto x = number(opts.MC_AS_Params_OffsetXEd), y = number(opts.MC_AS_Params_OffsetYEd);
    if (x && y) m_offset = Offset{*x, *y};
  }
}

bool TMassChanger::MatchesCriteria(ObjKind kind, std::size_t index) const {
  return VisitKind(kind, [&](auto k) { return Matches(m_source.List<decltype(k)::value>().at(index)); });
}

template <class R> bool TMassChanger::Matches(const R& r) const {
  if (m_selectsNothing) return false;
  const MassChangeOpts& o = m_opts;
  // Text criteria compare whole fields byte for byte: no trimming, case counts.
  if constexpr (R::Kind == ObjKind::Unit)
    if (o.MC_KR_Param_Name1CB && r.Name1 != o.MC_KR_Param_Name1Ed) return false;
  if (o.MC_KR_Param_Name2CB && NameOf(r) != o.MC_KR_Param_Name2Ed) return false;
  if constexpr (kHasCommonFields<R>) {
    if (o.MC_KR_Param_ScriptVariableNameCB && r.ScriptVariableName != o.MC_KR_Param_ScriptVariableNameEd)
      return false;
    if (o.MC_KR_Param_Model3dCB && r.ModelName != o.MC_KR_Param_Model3dEd) return false;
    if (o.MC_KR_Param_FirstTextureCB && r.FirstTexture != o.MC_KR_Param_FirstTextureEd) return false;
    if (o.MC_KR_Param_SecondTextureCB && r.SecondTexture != o.MC_KR_Param_SecondTextureEd) return false;
    // PlayerNumber is an unsigned byte: a value outside 0..255 matches nothing.
    if (m_playerCriterion && *m_playerCriterion != std::int32_t(r.PlayerNumber)) return false;
  }
  const float x = PlaneX(r), y = PlaneY(r);
  // Y1 is the upper bound of y and Y2 the lower one; all bounds inclusive.
  if (m_rect && !(m_rect->x1 <= x && y <= m_rect->y1 && x <= m_rect->x2 && m_rect->y2 <= y))
    return false;
  if (m_circle) {
    // The closed disc: half the chord at x, computed in double and rounded to single
    // precision like the coordinates themselves.
    const double dx = double(x) - m_circle->x;
    const float h2 = float(m_circle->radius * m_circle->radius - dx * dx);
    if (h2 < 0) return false;
    const float h = float(std::sqrt(double(h2)));
    const double dy = double(y) - m_circle->y;
    if (!(-h <= dy && dy <= h)) return false;
  }
  return true;
}

template <class R, class M> bool TMassChanger::Set(R& r, std::size_t index, M R::*member, M value) const {
  // A float that takes the same bits is unchanged; NaN + offset stays NaN either way.
  if constexpr (std::is_same_v<M, float>) {
    if (std::memcmp(&(r.*member), &value, sizeof value) == 0) return false;
  } else {
    if (r.*member == value) return false;
  }
  if (m_edit) m_edit->SetField(r, index, member, std::move(value));
  else r.*member = std::move(value);
  return true;
}

template <class R> bool TMassChanger::ChangeParams(R& r, std::size_t index) const {
  const MassChangeOpts& o = m_opts;
  bool changed = false;
  if constexpr (R::Kind == ObjKind::Unit)
    if (o.MC_AS_Params_Name1CB) changed |= Set(r, index, &R::Name1, o.MC_AS_Params_Name1Ed);
  if (o.MC_AS_Params_Name2CB) changed |= Set(r, index, NameMember<R>(), o.MC_AS_Params_Name2Ed);
  if constexpr (kHasCommonFields<R>) {
    if (o.MC_AS_Params_ScriptVariableNameCB)
      changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::ScriptVariableName), o.MC_AS_Params_ScriptVariableNameEd);
    if (o.MC_AS_Params_Model3dCB)
      changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::ModelName), o.MC_AS_Params_Model3dEd);
    if (o.MC_AS_Params_FirstTextureCB)
      changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::FirstTexture), o.MC_AS_Params_FirstTextureEd);
    if (o.MC_AS_Params_SecondTextureCB)
      changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::SecondTexture), o.MC_AS_Params_SecondTextureEd);
    // The field is one byte: keep the low 8 bits (300 -> 44, -1 -> 255).
    if (m_playerChange)
      changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::PlayerNumber),
                     std::uint8_t(std::uint32_t(*m_playerChange) & 0xFFu));
  }
  if (m_offset) {
    changed |= Set(r, index, PlaneXMember<R>(), AddExtended(PlaneX(r), m_offset->x));
    changed |= Set(r, index, PlaneYMember<R>(), AddExtended(PlaneY(r), m_offset->y));
  }
  return changed;
}

template <class R> void TMassChanger::CopyToTarget(const R& r) {
  std::int32_t id = r.Identity();
  // Identities of the high range always replace what the target holds.
  const bool replace =
      std::uint32_t(id) >= kHighIdentityRange || m_opts.MC_AS_Obj_ReplaceCB;
  bool free = m_targetIds->CheckOrDeleteObjectId(id, replace);
  if (!free) {
    const std::uint32_t freeId = m_targetIds->FindFreeObjectId();
    free = freeId != 0;
    id = std::int32_t(freeId);
  }
  if (!free) return;
  R copy = CopyRecordViaFileForm(r);
  SetIdentity(copy, id);
  m_targetIds->Append(std::move(copy));
}

template <class R> bool TMassChanger::ApplyActions(R& r, std::size_t index) {
  ++m_counts.selected[int(R::Kind)];
  if (m_mode == MassChangeMode::OnlyParams || UsesTarget(m_mode))
    if (ChangeParams(r, index)) ++m_counts.changed;
  if (UsesTarget(m_mode) && m_targetIds) CopyToTarget(r);
  const bool leaves = m_mode == MassChangeMode::Delete || m_mode == MassChangeMode::Move;
  if (leaves) ++m_counts.deleted;
  return leaves;
}

template <ObjKind K> void TMassChanger::ScanKind() {
  auto& list = m_source.List<K>();
  // Records that stay are moved down over those that leave, so the list is
  // compacted in the same pass and keeps its order.
  const std::size_t count = list.size();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const bool leaves = Matches(list[i]) && ApplyActions(list[i], i);
    if (leaves) {
      if (m_edit) m_edit->TakeRecord(list[i], i);  // kept for an undo, not destroyed
      continue;
    }
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(kept), list.end());
}

void TMassChanger::Run() {
  for (ObjKind kind : kAllObjKinds)
    if (m_kinds[int(kind)]) VisitKind(kind, [&](auto k) { ScanKind<decltype(k)::value>(); });
  if (m_targetIds) {
    m_counts.copied = m_targetIds->AppendedLive();
    m_counts.replacedInTarget = m_targetIds->DeletedOriginals();
    m_targetIds->Compact();
  }
}

// ---- the run -----------------------------------------------------------------

namespace {

// Takes the busy lock for the run (only when loads and saves run on a worker
// thread, since only then does the window process events meanwhile) and gives it
// back however the run ends. The run's own loads and saves take no lock of their
// own meanwhile.
class RunLock {
 public:
  RunLock(TDocumentSession& session, bool lock) : m_session(session), m_lock(lock) {
    m_session.LockOnLoadSave = false;
    if (m_lock) m_session.BeginBusy();
  }
  ~RunLock() {
    if (m_lock) m_session.EndBusy();
    m_session.LockOnLoadSave = true;
  }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

 private:
  TDocumentSession& m_session;
  bool m_lock;
};

// The undo step of what a run did to the open document.
std::unique_ptr<TDocCommand> RunStep(TRecordsEdit edit, MassChangeMode mode, const std::string& targetPath) {
  const std::string changed = std::to_string(edit.ChangedRecords());
  const std::string taken = std::to_string(edit.TakenRecords());
  switch (mode) {
    case MassChangeMode::Delete:
      return std::make_unique<TRecordsEditCommand>(std::move(edit), "Массовое удаление (объектов: " + taken + ")");
    case MassChangeMode::Move:
      // The target file is written and stays so: the undo puts the records back in
      // the open document only.
      return std::make_unique<TRecordsEditCommand>(
          std::move(edit), "Массовый перенос (объектов: " + taken + ")",
          "Перенос отменен: объекты возвращены в открытый моб, их копии остались в целевом мобе " +
              targetPath + ".");
    default:
      return std::make_unique<TRecordsEditCommand>(std::move(edit),
                                                   "Массовое изменение (объектов: " + changed + ")");
  }
}

}  // namespace

bool CheckMassChangeOpts(TMassChangeHost& host, const MassChangeOpts& opts, char decimalSeparator) {
  const std::string error = MassChangeOptsError(opts, decimalSeparator, host.Session().Path());
  if (!error.empty()) host.ShowError(error);
  return error.empty();
}

MassChangeResult RunMassChanges(TMassChangeHost& host, const MassChangeOpts& opts, char decimalSeparator) {
  TDocumentSession& session = host.Session();
  const TSessionOptions options = session.Options();
  const MassChangeMode mode = ModeOf(opts);
  RunLock lock(session, options.UseThreads);

  session.Log(kRunSeparator);
  session.Log("Начаты массовые изменения...");
  bool ok = true;
  std::optional<MassChangeCounts> counts;
  if (!CheckMassChangeOpts(host, opts, decimalSeparator)) {
    session.Log("Настройки массовых изменений введены неправильно.");
    ok = false;
  } else {
    session.Log("Настройки массовых изменений введены правильно.");
    session.Log("Сохраняю открытый моб.");
    // A failed save does not stop the run, but the run then reports failure: the
    // reload at its end drops whatever that file did not take.
    bool saved = host.SaveMob();

    // The target is a document of its own for the run, loaded and saved by the
    // open document's rules and options, its lines in the same log.
    const std::string targetPath = TargetPathOf(opts);
    std::unique_ptr<TDocumentSession> target;
    bool targetOpened = false;
    if (UsesTarget(mode)) {
      session.Log("Открываю целевой моб.");
      // The target is written back: a device, a FIFO or looping links in its place
      // are neither read nor replaced.
      const FileKind kind = Files().KindOf(targetPath);
      if (kind != FileKind::Regular) {
        session.Log(NotRegularFileLine(targetPath, kind));
        ok = false;
      } else {
        target = std::make_unique<TDocumentSession>(session.LogSink());
        target->SetLogView(session.LogView());
        target->SetOptions(options);
        ok = target->Load(targetPath);
        if (ok && !target->Mob().HasObjects) {
          // Its save would write no object block, and every copy would be lost.
          session.Log("В целевом мобе нет блока объектов - копировать объекты некуда.");
          ok = false;
        }
      }
      targetOpened = ok;
    }

    // A copy changes the open document only in memory, and the reload below drops
    // that: it is no step of the history.
    TRecordsEdit edit;
    if (ok) {
      session.Log("Начат собственно процесс поиска объектов и выполнения изменений...");
      TMassChanger changer(opts, decimalSeparator, session.Mob(), target ? &target->Mob() : nullptr,
                           mode == MassChangeMode::Copy ? nullptr : &edit);
      changer.Run();
      counts = changer.Counts();
    }

    if (targetOpened) {
      session.Log("Сохраняю целевой моб.");
      ok = target->Save(targetPath);
    }
    target.reset();

    // A copy leaves the open file as saved above. A move whose target was opened
    // but not written must not save the open document either: the moved records
    // would then be in neither file.
    const bool keepOpenFile =
        mode == MassChangeMode::Copy || (mode == MassChangeMode::Move && targetOpened && !ok);
    if (!keepOpenFile) {
      // One step, before the save: the history then knows the file holds it.
      if (!edit.Empty()) session.Push(RunStep(std::move(edit), mode, targetPath));
      saved = host.SaveMob() && saved;
    }
    // The first save may have gone to another file (save as, when the open file had
    // vanished): reopen the document's file as it is now. The history stays, as
    // far as that file holds it.
    TDocumentSession::TReloadScope keepHistory(session);
    const std::string path = session.Path();  // closing the document empties it
    host.OpenMob(path);
    ok = ok && saved;
  }
  session.Log(ok ? "Массовые изменения успешно завершены."
                 : "Выполнить массовые изменения не удалось - АААБЛОМ :(.");
  MassChangeResult result{.ok = ok, .counts = counts, .summary = {}};
  // Said only of a run that went through: after a failure the counts would tell
  // of changes that never reached the files.
  if (ok && counts) {
    result.summary = MassChangeSummaryLine(*counts);
    session.Log(result.summary);
  }
  return result;
}

}  // namespace kelvarin
