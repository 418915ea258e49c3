#include "app/core/checkentries.h"

#include <gtest/gtest.h>

#include "mob/tmob.h"

namespace kelvarin {
namespace {

TEST(CheckEntries, EachFindingLeadsToItsPlaceWithItsSeverityAndCode) {
  TMob mob;
  mob.Traps.resize(4);
  for (std::size_t i = 0; i < mob.Traps.size(); ++i) {
    mob.Traps[i].ObjectID = std::int32_t(i + 1);
    mob.Traps[i].RotationW = 1;
    mob.Traps[i].Name2 = "trap";
  }
  mob.Traps[3].RotationW = 0;
  const TCheckResults results = CheckResults(mob, "Script A\n\n\n\n\n\n\n\n\n\n\n    {\n");
  ASSERT_EQ(results.entries.size(), 2u);
  EXPECT_EQ(results.entries[0].text, "Строка 12, столбец 5: Фигурная скобка «{» не закрыта [unbalanced-brace]");
  EXPECT_EQ(results.entries[0].severity, TSeverity::Error);
  EXPECT_EQ(std::get<TScriptPlace>(results.entries[0].target), (TScriptPlace{12, 5}));
  EXPECT_EQ(results.entries[1].text,
            "Поворот записи «trap» (Ловушки, индекс 3) - нулевой кватернион (0, 0, 0, 0) [zero-rotation]");
  EXPECT_EQ(results.entries[1].severity, TSeverity::Warning);
  EXPECT_EQ(std::get<TObjRef>(results.entries[1].target), (TObjRef{ObjKind::Trap, 3}));
  EXPECT_EQ(results.summary, "Проверка зоны: ошибок 1, предупреждений 1");

  EXPECT_EQ(CheckResults(TMob(), "").summary, "Проверка зоны: ошибок не найдено");
}

}  // namespace
}  // namespace kelvarin
