#include "app/core/checkentries.h"

#include <gtest/gtest.h>

namespace kelvarin {
namespace {

TEST(CheckEntries, EachFindingLeadsToItsPlaceWithItsSeverityAndCode) {
  const std::vector<TCheckFinding> findings = {
      {TCheckSeverity::Error, check_code::UnbalancedBrace, "Нет закрывающей скобки", TScriptPlace{12, 5}},
      {TCheckSeverity::Warning, check_code::ZeroRotation, "Поворот записи «a» - нулевой",
       ObjRef{ObjKind::Trap, 3}},
  };
  const auto entries = CheckResultEntries(findings);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].text, "Строка 12, столбец 5: Нет закрывающей скобки [unbalanced-brace]");
  EXPECT_EQ(entries[0].severity, TSeverity::Error);
  EXPECT_EQ(std::get<TScriptPlace>(entries[0].target), (TScriptPlace{12, 5}));
  EXPECT_EQ(entries[1].text, "Поворот записи «a» - нулевой [zero-rotation]");
  EXPECT_EQ(entries[1].severity, TSeverity::Warning);
  EXPECT_EQ(std::get<ObjRef>(entries[1].target), (ObjRef{ObjKind::Trap, 3}));

  EXPECT_EQ(CheckSummaryText(findings), "Проверка зоны: ошибок 1, предупреждений 1");
  EXPECT_EQ(CheckSummaryText({}), "Проверка зоны: ошибок не найдено");
}

}  // namespace
}  // namespace kelvarin
