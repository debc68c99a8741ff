// Keeps a label field within the length a label keeps, counted as the model
// and the file count it: in characters, so that no character is ever split.
#pragma once

#include <QValidator>

namespace q4t {

class LabelLengthValidator : public QValidator {
 public:
  using QValidator::QValidator;

  // Text over the limit loses what was just typed or pasted before the
  // cursor, as far as needed; the rest of the label stays.
  State validate(QString& input, int& position) const override;
};

}  // namespace q4t
