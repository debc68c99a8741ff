#include "editor/LabelLengthValidator.h"

#include "model/KeyTable.h"
#include "model/Utf8.h"

namespace q4t {

namespace {

// Where the character ending at position starts: a surrogate pair is one character.
int characterStartBefore(const QString& text, int position) {
  const bool pair = position >= 2 && text.at(position - 1).isLowSurrogate() && text.at(position - 2).isHighSurrogate();
  return position - (pair ? 2 : 1);
}

}  // namespace

QValidator::State LabelLengthValidator::validate(QString& input, int& position) const {
  auto excess = static_cast<int>(codePointCount(input.toStdString())) - kMaxLabelLength;
  int cut = position;
  for (; excess > 0 && cut > 0; --excess) cut = characterStartBefore(input, cut);
  if (excess > 0) return Invalid;
  input.remove(cut, position - cut);
  position = cut;
  return Acceptable;
}

}  // namespace q4t
