#include "shell/recordactions.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <unordered_set>

#include "common/cp1251.h"
#include "common/qt/qtext.h"
#include "document/recordset.h"
#include "document/documentsession.h"
#include "mob/kindnames.h"
#include "script/core/objectrefs.h"
#include "script/core/scriptlines.h"
#include "shell/pagelinks.h"
#include "shell/prompts.h"
#include "shell/recordclipboard.h"
#include "shell/shellservices.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

namespace {

QString CountText(std::size_t count) { return FromUtf8(RecordCountText(count)); }

// The identities the script reaches records by (GetObjectByID calls).
std::unordered_set<std::int32_t> IdentitiesNamedBy(std::string_view script) {
  std::unordered_set<std::int32_t> ids;
  TSynZoneScriptSyn scanner;
  ForEachScriptLine(script, [&](std::string_view line, std::size_t) {
    if (line.find("GetObjectByID") == std::string_view::npos) return;
    for (const TObjectCall& call : ObjectCallsOn(scanner, line))
      if (call.kind == TObjectCallKind::ById) ids.insert(call.id);
  });
  return ids;
}

}  // namespace

bool TRecordActions::Usable(bool needsRecords, const std::vector<TObjRef>& refs) const {
  TDocumentSession& session = m_shell.Session();
  return session.Opened() && !session.Busy() && (!needsRecords || !refs.empty());
}

bool TRecordActions::ApplyAndSelect(std::unique_ptr<TDocCommand> step) {
  TDocumentSession& session = m_shell.Session();
  if (!session.Apply(std::move(step), m_origin)) return false;
  const TDocCommand* done = session.History().NextUndo();
  // With no history kept the step is gone: nothing is left to select.
  std::vector<TObjRef> selected;
  if (done && session.History().Index() > 0) selected = done->Change(false).records;
  m_shell.Links().SelectRecords(std::move(selected), nullptr);
  return true;
}

bool TRecordActions::Delete(const std::vector<TObjRef>& refs) {
  if (!Usable(true, refs)) return false;
  m_shell.CommitEdits();
  // No question: an undo brings them back.
  const std::size_t count = refs.size();
  if (!ApplyAndSelect(DeleteRecordsStep(m_shell.Session().Mob(), refs, "Удаление: " + RecordCountText(count))))
    return false;
  m_shell.ShowStatusMessage(u"Удалено: %1"_s.arg(CountText(count)));
  return true;
}

bool TRecordActions::Duplicate(const std::vector<TObjRef>& refs) {
  if (!Usable(true, refs)) return false;
  m_shell.CommitEdits();
  const TMob& mob = m_shell.Session().Mob();
  auto batch = CopyRecords(mob, refs);
  const std::size_t count = batch->TotalRecordCount();
  if (!GiveFreeIdentities(mob, *batch, true)) {
    m_shell.Prompts().ShowMessage(u"Свободных идентификаторов не осталось: записи не скопированы."_s,
                                  TPrompts::Icon::Error);
    return false;
  }
  if (!ApplyAndSelect(AppendRecordsStep(std::move(batch), "Дублирование: " + RecordCountText(count))))
    return false;
  m_shell.ShowStatusMessage(u"Скопировано на месте: %1"_s.arg(CountText(count)));
  return true;
}

bool TRecordActions::Copy(const std::vector<TObjRef>& refs) {
  if (!Usable(true, refs)) return false;
  m_shell.CommitEdits();
  const auto batch = CopyRecords(m_shell.Session().Mob(), refs);
  if (batch->TotalRecordCount() == 0) return false;
  QApplication::clipboard()->setMimeData(RecordsMimeData(*batch).release());
  m_shell.ShowStatusMessage(u"В буфер обмена: %1"_s.arg(CountText(batch->TotalRecordCount())));
  return true;
}

bool TRecordActions::Cut(const std::vector<TObjRef>& refs) {
  if (!Copy(refs)) return false;
  const std::size_t count = refs.size();
  return ApplyAndSelect(DeleteRecordsStep(m_shell.Session().Mob(), refs, "Вырезание: " + RecordCountText(count)));
}

bool TRecordActions::Paste(std::optional<TPlanePosition> centre) {
  if (!Usable(false, {})) return false;
  m_shell.CommitEdits();
  TClipboardRecords records = RecordsFromMimeData(QApplication::clipboard()->mimeData());
  if (!records.batch) {
    m_shell.ShowStatusMessage(records.error);
    return false;
  }
  TMob& batch = *records.batch;
  const TMob& mob = m_shell.Session().Mob();
  if (centre) {
    if (const auto middle = BatchCentre(batch))
      ShiftBatch(batch, double(centre->x) - middle->x, double(centre->y) - middle->y);
  }
  const auto changes = GiveFreeIdentities(mob, batch, false);
  if (!changes) {
    m_shell.Prompts().ShowMessage(u"Свободных идентификаторов не осталось: записи не вставлены."_s,
                                  TPrompts::Icon::Error);
    return false;
  }
  // Said before the records leave the batch: the lines name them from there.
  QStringList lines;
  const std::size_t count = batch.TotalRecordCount();
  lines << u"------------------------------"_s << u"Вставлено: %1"_s.arg(CountText(count));
  const auto named = changes->empty() ? std::unordered_set<std::int32_t>{} : IdentitiesNamedBy(m_shell.EditedScript());
  for (const TIdentityChange& change : *changes) {
    const QString record = u"%1 «%2»"_s.arg(FromUtf8(ObjKindCaption(change.record.kind)),
                                             FromCp1251(RecordCaption(batch, change.record)));
    const QString field = QString::fromLatin1(IdentityFieldName(change.record.kind));
    lines << u"%1: %2 %3 → %4"_s.arg(record, field).arg(change.from).arg(change.to);
    if (named.count(change.from))
      lines << u"  Скрипт называет прежний идентификатор: GetObjectByID(%1) теперь не находит эту запись."_s.arg(
          change.from);
  }
  if (!ApplyAndSelect(AppendRecordsStep(std::move(records.batch), "Вставка: " + RecordCountText(count))))
    return false;
  m_shell.AppendLog(lines.join(u"\r\n"_s));
  m_shell.ShowStatusMessage(
      changes->empty() ? u"Вставлено: %1"_s.arg(CountText(count))
                       : u"Вставлено: %1, новых идентификаторов: %2 (см. лог)"_s.arg(CountText(count)).arg(changes->size()));
  return true;
}

}  // namespace kelvarin
