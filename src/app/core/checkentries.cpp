#include "app/core/checkentries.h"

namespace kelvarin {

std::vector<TResultEntry> CheckResultEntries(const std::vector<TCheckFinding>& findings) {
  std::vector<TResultEntry> entries;
  entries.reserve(findings.size());
  for (const TCheckFinding& f : findings) {
    std::string text;
    if (const auto* place = std::get_if<TScriptPlace>(&f.place))
      text = "Строка " + std::to_string(place->line) + ", столбец " + std::to_string(place->column) + ": ";
    text += f.message + " [" + std::string(f.code) + "]";
    const TSeverity severity = f.severity == TCheckSeverity::Error ? TSeverity::Error : TSeverity::Warning;
    TResultTarget target;
    if (const auto* place = std::get_if<TScriptPlace>(&f.place)) target = *place;
    else target = std::get<ObjRef>(f.place);
    entries.push_back({std::move(text), severity, target});
  }
  return entries;
}

std::string CheckSummaryText(const std::vector<TCheckFinding>& findings) {
  if (findings.empty()) return "Проверка зоны: ошибок не найдено";
  return "Проверка зоны: ошибок " + std::to_string(CountFindings(findings, TCheckSeverity::Error)) +
         ", предупреждений " + std::to_string(CountFindings(findings, TCheckSeverity::Warning));
}

}  // namespace kelvarin
