#include "masschange/core/masschangeengine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "common/filesystem.h"
#include "document/recordcommands.h"
#include "document/recordsedit.h"
#include "document/documentsession.h"
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

TMassChanger::TMassChanger(TMassChangePlan plan, TMob& source, TMob* target, TRecordsEdit* edit)
    : m_plan(std::move(plan)), m_source(source), m_edit(edit) {
  if (target && UsesTarget(m_plan.mode)) m_targetIds = std::make_unique<TIdentityIndex>(*target);
}

bool TMassChanger::MatchesCriteria(ObjKind kind, std::size_t index) const {
  return m_plan.criteria.Matches(m_source, {kind, index});
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
  const TParamChanges& p = m_plan.changes;
  bool changed = false;
  p.texts.ForEachField<R>(
      [&](const std::string& text, auto member) { changed |= Set(r, index, member, std::string(text)); });
  if constexpr (kHasCommonFields<R>)
    if (p.playerNumber) changed |= Set(r, index, CommonMember<R>(&TCommonObjFields::PlayerNumber), *p.playerNumber);
  if (p.offset) {
    changed |= Set(r, index, PlaneXMember<R>(), AddExtended(PlaneX(r), p.offset->x));
    changed |= Set(r, index, PlaneYMember<R>(), AddExtended(PlaneY(r), p.offset->y));
  }
  return changed;
}

template <class R> void TMassChanger::CopyToTarget(const R& r) {
  std::int32_t id = r.Identity();
  // Identities of the high range always replace what the target holds.
  const bool replace =
      std::uint32_t(id) >= kHighIdentityRange || m_plan.replaceIds;
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
  const MassChangeMode mode = m_plan.mode;
  ++m_counts.selected[int(R::Kind)];
  if (mode == MassChangeMode::OnlyParams || UsesTarget(mode))
    if (ChangeParams(r, index)) ++m_counts.changed;
  if (UsesTarget(mode) && m_targetIds) CopyToTarget(r);
  const bool leaves = mode == MassChangeMode::Delete || mode == MassChangeMode::Move;
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
    const bool leaves = m_plan.criteria.Matches(list[i]) && ApplyActions(list[i], i);
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
    if (m_plan.criteria.kinds[int(kind)]) VisitKind(kind, [&](auto k) { ScanKind<decltype(k)::value>(); });
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
class TRunLock {
 public:
  TRunLock(TDocumentSession& session, bool lock) : m_session(session), m_lock(lock) {
    m_session.LockOnLoadSave = false;
    if (m_lock) m_session.BeginBusy();
  }
  ~TRunLock() {
    if (m_lock) m_session.EndBusy();
    m_session.LockOnLoadSave = true;
  }
  TRunLock(const TRunLock&) = delete;
  TRunLock& operator=(const TRunLock&) = delete;

 private:
  TDocumentSession& m_session;
  bool m_lock;
};

// The step's caption for what a run did to the open document.
std::string RunStepCaption(const TRecordsEdit& edit, MassChangeMode mode) {
  switch (mode) {
    case MassChangeMode::Delete:
      return "Массовое удаление (объектов: " + std::to_string(edit.TakenRecords()) + ")";
    case MassChangeMode::Move:
      return "Массовый перенос (объектов: " + std::to_string(edit.TakenRecords()) + ")";
    default:
      return "Массовое изменение (объектов: " + std::to_string(edit.ChangedRecords()) + ")";
  }
}

}  // namespace

TMassChangeResult RunMassChanges(TMassChangeHost& host, const TMassChangeParse& parse) {
  TDocumentSession& session = host.Session();
  const TSessionOptions options = session.Options();
  TRunLock lock(session, options.UseThreads);

  session.Log(kRunSeparator);
  session.Log("Начаты массовые изменения...");
  bool ok = true;
  std::optional<TMassChangeCounts> counts;
  if (const std::string error = MassChangeError(parse, session.Path()); !error.empty()) {
    host.ShowError(error);
    session.Log("Настройки массовых изменений введены неправильно.");
    ok = false;
  } else {
    const TMassChangePlan& plan = *parse.plan;
    const MassChangeMode mode = plan.mode;
    session.Log("Настройки массовых изменений введены правильно.");
    session.Log("Сохраняю открытый моб.");
    // A failed save does not stop the run, but the run then reports failure: the
    // reload at its end drops whatever that file did not take.
    bool saved = host.SaveMob();

    // The target is a document of its own for the run, loaded and saved by the
    // open document's rules and options, its lines in the same log.
    const std::string& targetPath = plan.targetPath;
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

    if (ok) {
      session.Log("Начат собственно процесс поиска объектов и выполнения изменений...");
      TMob* into = target ? &target->Mob() : nullptr;
      if (mode == MassChangeMode::Copy) {
        // A copy changes the open document only in memory, and the reload below
        // drops that: it is no step of the history.
        TMassChanger changer(plan, session.Mob(), into);
        changer.Run();
        counts = changer.Counts();
      } else {
        // One step, made by the scan itself, before the save: the history then
        // knows the file holds it. A move whose target is not written below leaves
        // the open file unsaved, and the reload drops the step again. The target
        // file is written and stays so: a move's undo puts the records back in the
        // open document only.
        std::string undoNote;
        if (mode == MassChangeMode::Move)
          undoNote = "Перенос отменен: объекты возвращены в открытый моб, их копии остались в целевом мобе " +
                     targetPath + ".";
        session.Apply(std::make_unique<TRecordsEditCommand>(
            [&](TMob& mob, TRecordsEdit& edit) {
              TMassChanger changer(plan, mob, into, &edit);
              changer.Run();
              counts = changer.Counts();
              return RunStepCaption(edit, mode);
            },
            std::move(undoNote)));
      }
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
    if (!keepOpenFile) saved = host.SaveMob() && saved;
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
  TMassChangeResult result{.ok = ok, .counts = counts, .summary = {}};
  // Said only of a run that went through: after a failure the counts would tell
  // of changes that never reached the files.
  if (ok && counts) {
    result.summary = MassChangeSummaryLine(*counts);
    session.Log(result.summary);
  }
  return result;
}

}  // namespace kelvarin
