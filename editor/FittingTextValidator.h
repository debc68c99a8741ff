// Lets into a line edit only text that fits its visible width, so the text
// never scrolls sideways and typing stops at the field's edge; optionally
// only the digits 0 to 9.
#pragma once

#include <QValidator>

class QLineEdit;

namespace q4t {

class FittingTextValidator : public QValidator {
 public:
  enum class Characters { Any, DigitsOnly };

  FittingTextValidator(QLineEdit* field, Characters allowed);

  State validate(QString& input, int& position) const override;
  // True when the text shows whole in the field without scrolling.
  bool fits(const QString& text) const;

 private:
  QLineEdit* field_;
  Characters allowed_;
};

}  // namespace q4t
