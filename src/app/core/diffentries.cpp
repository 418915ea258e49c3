#include "app/core/diffentries.h"

#include <cstdio>

#include "common/cp1251.h"
#include "document/docpaths.h"
#include "diff/valuetext.h"
#include "mob/kindnames.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string SideText(const TBlockDiff& d, const TBlockDiff::Side& side) {
  if (!side.present) return "нет";
  std::string text;
  if (d.HasNumber()) text += "№ " + std::to_string(side.number) + ", ";
  if (d.HasType()) text += "тип " + Hex32(side.type) + ", ";
  return text + std::to_string(side.size) + " байт";
}

std::string BlockText(const TBlockDiff& d) {
  switch (d.block) {
    case TBlockDiff::Block::Flag:
      return std::string("Флаг зоны: в зоне ") + (d.a.type == kQuestMobFlag ? "QuestMob" : "ZonalMob") +
             ", в файле " + (d.b.type == kQuestMobFlag ? "QuestMob" : "ZonalMob");
    case TBlockDiff::Block::ScriptBlock:
    case TBlockDiff::Block::ObjectBlock:
      return std::string(d.block == TBlockDiff::Block::ObjectBlock ? "Блок объектов" : "Блок скрипта") +
             (d.a.present ? ": есть только в зоне" : ": есть только в файле");
    default: break;
  }
  std::string text = d.block == TBlockDiff::Block::Unknown         ? "Неизвестный блок " + std::to_string(d.ordinal + 1)
                     : d.block == TBlockDiff::Block::UnknownObject ? "Неизвестный объект " + std::to_string(d.ordinal + 1)
                                                                   : std::string("Хвост");
  text += ": в зоне " + SideText(d, d.a) + "; в файле " + SideText(d, d.b);
  if (d.firstDifference && d.a.present && d.b.present)
    text += "; первое отличие в байте " + std::to_string(*d.firstDifference);
  return text;
}

std::string EndName(std::string_view line) {
  const std::string_view end = line.substr(LineWithoutEnd(line).size());
  return end == "\r\n" ? "CR LF" : end == "\n" ? "LF" : end == "\r" ? "CR" : "нет";
}

std::string RecordName(const TRecordDiff& d) {
  std::string name = std::string(ObjKindCaption(d.kind)) + " " + std::to_string(d.identity);
  if (d.occurrence > 0) name += " (" + std::to_string(d.occurrence + 1) + "-й с этим номером)";
  return name;
}

void RecordEntries(const TRecordDiff& d, std::vector<TResultEntry>& out) {
  const std::string name = RecordName(d);
  const TResultTarget target = d.indexA ? TResultTarget(TObjRef{d.kind, *d.indexA}) : TResultTarget(std::monostate{});
  switch (d.change) {
    case TRecordDiff::Change::Removed: out.push_back({name + ": нет в файле", std::nullopt, target}); return;
    case TRecordDiff::Change::Added:
      out.push_back({name + ": есть только в файле, место " + std::to_string(*d.indexB + 1) + " в списке",
                     std::nullopt, target});
      return;
    case TRecordDiff::Change::Changed: break;
  }
  if (d.moved)
    out.push_back({name + ": в файле стоит на месте " + std::to_string(*d.indexB + 1) + " в списке, в зоне — на " +
                       std::to_string(*d.indexA + 1),
                   std::nullopt, target});
  for (const TFieldChange& f : d.fields)
    out.push_back({name + ": " + f.field + ": в зоне " + Cp1251ToUtf8(FieldValueText(f.a)) + ", в файле " +
                       Cp1251ToUtf8(FieldValueText(f.b)),
                   std::nullopt, target});
}

void ScriptEntries(const TScriptDiff& s, std::vector<TResultEntry>& out) {
  if (s.presentA != s.presentB) {
    out.push_back({s.presentA ? "Скрипт: есть только в зоне" : "Скрипт: есть только в файле", std::nullopt,
                   std::monostate{}});
    return;
  }
  if (s.keyA != s.keyB)
    out.push_back({"Ключ скрипта: в зоне " + std::to_string(s.keyA) + ", в файле " + std::to_string(s.keyB),
                   std::nullopt, std::monostate{}});
  for (const TDiffHunk& h : s.hunks) {
    // Line numbers as the hunk runs; an empty side starts after the line it names.
    std::size_t a = h.aCount > 0 ? h.aStart : h.aStart + 1, b = h.bCount > 0 ? h.bStart : h.bStart + 1;
    for (std::size_t k = 0; k < h.lines.size();) {
      if (h.lines[k].op == ' ') {
        ++a, ++b, ++k;
        continue;
      }
      // One change: the lines only the zone holds, then those only the file holds.
      std::size_t removed = k, added = k;
      while (added < h.lines.size() && h.lines[added].op == '-') ++added;
      std::size_t end = added;
      while (end < h.lines.size() && h.lines[end].op == '+') ++end;
      for (std::size_t i = removed; i < added; ++i, ++a) {
        const std::string_view text = LineWithoutEnd(h.lines[i].text);
        const std::size_t pair = added + (i - removed);
        if (pair < end && LineWithoutEnd(h.lines[pair].text) == text)
          out.push_back({"Скрипт, строка " + std::to_string(a) + ": различается только конец строки: в зоне " +
                             EndName(h.lines[i].text) + ", в файле " + EndName(h.lines[pair].text),
                         std::nullopt, TScriptPlace{a, 1}});
        else
          out.push_back({"Скрипт, строка " + std::to_string(a) + ": только в зоне: " + Cp1251ToUtf8(text),
                         std::nullopt, TScriptPlace{a, 1}});
      }
      for (std::size_t i = added; i < end; ++i, ++b) {
        const std::string_view text = LineWithoutEnd(h.lines[i].text);
        const std::size_t pair = removed + (i - added);
        if (pair < added && LineWithoutEnd(h.lines[pair].text) == text) continue;  // told above
        out.push_back({"Скрипт, строка " + std::to_string(b) + " файла: только в файле: " + Cp1251ToUtf8(text),
                       std::nullopt, TScriptPlace{a, 1}});
      }
      k = end;
    }
  }
}

}  // namespace

std::vector<TResultEntry> DiffResultEntries(const TZoneDiff& diff) {
  std::vector<TResultEntry> entries;
  for (const TBlockDiff& d : diff.blocks) entries.push_back({BlockText(d), std::nullopt, std::monostate{}});
  for (const TRecordDiff& d : diff.records) RecordEntries(d, entries);
  ScriptEntries(diff.script, entries);
  return entries;
}

TFileComparison CompareWithFile(const TMob& zone, const std::string& editedScript, const std::string& path) {
  TFileComparison comparison;
  const std::string name = FileNameOf(path);
  TMob file;
  file.RecordsStayInImage = true;
  if (!file.Load(path)) {
    comparison.log = file.LogText;
    comparison.title = "Не удалось прочитать для сравнения файл " + name;
    return comparison;
  }
  const TZoneDiff diff = DiffZones(zone, file, editedScript);
  if (!file.KeptImageIntact()) {
    comparison.title = "Файл " + name + " изменился, пока его читали; сравнение прервано";
    return comparison;
  }
  comparison.loaded = true;
  comparison.entries = DiffResultEntries(diff);
  comparison.title = comparison.entries.empty() ? "Зона не отличается от файла " + name
                                                : "Отличия от файла " + name + ": " + std::to_string(comparison.entries.size());
  return comparison;
}

}  // namespace kelvarin
