// The two ways the key dialogs read an integer from the text of a field.
#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

namespace q4t {

// The whole text must be one decimal integer: blanks and tabs around it, an
// optional sign, at least one digit. Only the first 31 characters are read.
// A number that reads as 0 must begin with the digit 0, so a signed zero is
// refused. Nothing when the text is no integer or lies outside 32 bits.
std::optional<std::int32_t> strictInteger(QStringView text);

// The integer the text begins with: leading white space skipped, an optional
// sign and the digits after it, reading stops at the first other character.
// Text without digits reads as 0; a number beyond 32 bits saturates, so a long
// number never wraps into a small one.
std::int32_t leadingInteger(QStringView text);

}  // namespace q4t
