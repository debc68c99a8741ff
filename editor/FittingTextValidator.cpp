#include "editor/FittingTextValidator.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace q4t {

namespace {

// The gap a line edit keeps on each side of its text, and the cursor's width.
constexpr int kLineEditSideMargin = 2;
constexpr int kCursorWidth = 1;

bool allDigits(const QString& text) {
  return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The width a line edit gives its text, measured as the line edit lays it out.
int textRoom(const QLineEdit& field) {
  QStyleOptionFrame option;
  option.initFrom(&field);
  option.rect = field.contentsRect();
  option.lineWidth = field.hasFrame() ? field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field) : 0;
  option.state |= QStyle::State_Sunken;
  const QRect contents = field.style()->subElementRect(QStyle::SE_LineEditContents, &option, &field);
  return contents.marginsRemoved(field.textMargins()).width() - 2 * kLineEditSideMargin;
}

}  // namespace

FittingTextValidator::FittingTextValidator(QLineEdit* field, Characters allowed)
    : QValidator(field), field_(field), allowed_(allowed) {}

QValidator::State FittingTextValidator::validate(QString& input, int&) const {
  if (allowed_ == Characters::DigitsOnly && !allDigits(input)) return Invalid;
  return fits(input) ? Acceptable : Invalid;
}

bool FittingTextValidator::fits(const QString& text) const {
  return field_->fontMetrics().horizontalAdvance(text) + kCursorWidth <= textRoom(*field_);
}

}  // namespace q4t
