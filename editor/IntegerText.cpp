#include "editor/IntegerText.h"

#include <algorithm>
#include <limits>

namespace q4t {

namespace {

constexpr qsizetype kReadLimit = 31;
constexpr std::int64_t kMagnitudeLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isSpace(QChar c) { return isBlank(c) || (c >= u'\n' && c <= u'\r'); }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

qsizetype skip(QStringView text, qsizetype at, bool (*skipped)(QChar)) {
  while (at < text.size() && skipped(text[at])) ++at;
  return at;
}

// The digits from `at` as a magnitude held at most one past 2^31, so any
// number too large for 32 bits stays too large; `at` ends after the digits.
std::int64_t readMagnitude(QStringView text, qsizetype& at) {
  std::int64_t magnitude = 0;
  for (; at < text.size() && isDigit(text[at]); ++at) {
    magnitude = std::min(magnitude * 10 + (text[at].unicode() - u'0'), kMagnitudeLimit + 1);
  }
  return magnitude;
}

bool readSign(QStringView text, qsizetype& at) {
  if (at >= text.size() || (text[at] != u'-' && text[at] != u'+')) return false;
  return text[at++] == u'-';
}

}  // namespace

std::optional<std::int32_t> strictInteger(QStringView text) {
  text = text.left(kReadLimit);
  qsizetype at = skip(text, 0, isBlank);
  const qsizetype numberStart = at;
  const bool negative = readSign(text, at);
  const qsizetype digitsStart = at;
  const std::int64_t magnitude = readMagnitude(text, at);
  if (at == digitsStart || skip(text, at, isBlank) != text.size()) return std::nullopt;
  if (magnitude == 0 && text[numberStart] != u'0') return std::nullopt;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::int32_t leadingInteger(QStringView text) {
  qsizetype at = skip(text, 0, isSpace);
  const bool negative = readSign(text, at);
  const std::int64_t magnitude = readMagnitude(text, at);
  if (negative) return static_cast<std::int32_t>(std::max(-magnitude, -kMagnitudeLimit));
  return static_cast<std::int32_t>(std::min(magnitude, kMagnitudeLimit - 1));
}

}  // namespace q4t
