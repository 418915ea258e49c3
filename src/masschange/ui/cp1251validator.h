// Refuses text that code page 1251 cannot hold, so an edit never holds a
// character that would be lost on its way into a record or the settings file.
#pragma once

#include <QValidator>

namespace kelvarin {

class TCp1251Validator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace kelvarin
