#include "masschange/ui/cp1251validator.h"

#include "common/qt/qtext.h"

namespace kelvarin {

QValidator::State TCp1251Validator::validate(QString& input, int&) const {
  return ToCp1251(input) ? Acceptable : Invalid;
}

}  // namespace kelvarin
