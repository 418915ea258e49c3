#include "shell/recordclipboard.h"

#include <QMimeData>

#include "cli/jsondoc.h"
#include "common/qt/qtext.h"
#include "document/recordset.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

std::unique_ptr<QMimeData> RecordsMimeData(const TMob& batch) {
  auto data = std::make_unique<QMimeData>();
  const Bytes form = RecordsFileForm(batch);
  data->setData(QString::fromLatin1(kRecordsMimeType),
                QByteArray(reinterpret_cast<const char*>(form.data()), qsizetype(form.size())));
  const std::string text = RecordsToJson(batch).dump(1) + "\n";
  data->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
  return data;
}

TClipboardRecords RecordsFromMimeData(const QMimeData* data) {
  TClipboardRecords result;
  if (!data) {
    result.error = u"В буфере обмена нет записей."_s;
    return result;
  }
  auto batch = std::make_unique<TMob>();
  const QString type = QString::fromLatin1(kRecordsMimeType);
  if (data->hasFormat(type)) {
    const QByteArray form = data->data(type);
    if (!ReadRecordsFileForm({reinterpret_cast<const std::uint8_t*>(form.constData()), std::size_t(form.size())},
                             *batch)) {
      result.error = u"Записи в буфере обмена повреждены: ничего не вставлено."_s;
      return result;
    }
    result.batch = std::move(batch);
    return result;
  }
  if (!data->hasText()) {
    result.error = u"В буфере обмена нет записей."_s;
    return result;
  }
  const QByteArray text = data->text().toUtf8();
  Json json;
  std::string error;
  if (!ParseJson(std::string_view(text.constData(), std::size_t(text.size())), json, error) ||
      !JsonToRecords(json, *batch, error)) {
    result.error = u"Текст в буфере обмена — не записи зоны (%1): ничего не вставлено."_s.arg(FromUtf8(error));
    return result;
  }
  result.batch = std::move(batch);
  return result;
}

}  // namespace kelvarin
