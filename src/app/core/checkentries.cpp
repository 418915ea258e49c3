#include "app/core/checkentries.h"

namespace kelvarin {
namespace {

std::string SummaryText(const TCheckTotals& totals) {
  if (totals == TCheckTotals{}) return "Проверка зоны: ошибок не найдено";
  return "Проверка зоны: ошибок " + std::to_string(totals.errors) + ", предупреждений " +
         std::to_string(totals.warnings);
}

}  // namespace

TCheckResults CheckResults(const TMob& mob, std::string_view script) {
  const TZoneCheck check(mob, script);
  TCheckResults results;
  TCheckTotals totals;
  check.Run([&](const TCheckFinding& f) {
    totals.Add(f);
    std::string text;
    if (const auto* place = std::get_if<TScriptPlace>(&f.place))
      text = "Строка " + std::to_string(place->line) + ", столбец " + std::to_string(place->column) + ": ";
    text += check.Message(f) + " [" + std::string(f.Code()) + "]";
    const TSeverity severity = f.Severity() == TCheckSeverity::Error ? TSeverity::Error : TSeverity::Warning;
    TResultTarget target;
    if (const auto* place = std::get_if<TScriptPlace>(&f.place)) target = *place;
    else target = std::get<TObjRef>(f.place);
    results.entries.push_back({std::move(text), severity, target});
  });
  results.summary = SummaryText(totals);
  return results;
}

}  // namespace kelvarin
