#include "editor/CChangeKeyValueDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "docview/DialogButton.h"
#include "docview/DialogUnits.h"
#include "editor/FittingTextValidator.h"
#include "editor/IntegerText.h"

namespace q4t {

namespace {
constexpr int kNewValueId = 1004;
constexpr int kActuationPointId = 1003;
constexpr int kOldValueId = 1011;
constexpr std::int32_t kHighestValue = 92;
constexpr std::int32_t kHighestKeyIndex = 91;
}  // namespace

CChangeKeyValueDlg::CChangeKeyValueDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(tr("Change Key Value"));
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(123, 92));

  // Created in tab order; the read-only fields take the focus only when a
  // refused entry sends it there.
  newValueField_ = addField(kNewValueId, tr("new Value:"), 57, 48, false);
  newValueField_->setValidator(
      new FittingTextValidator(newValueField_, FittingTextValidator::Characters::DigitsOnly));
  docview::addDialogButton(*this, docview::kConfirmButtonId, tr("OK"), 7, 71, 50, 14);
  docview::addDialogButton(*this, docview::kCancelButtonId, tr("Cancel"), 66, 71, 50, 14);
  addLabel(tr("actuation"), 11, 8, 30);
  actuationPointField_ = addField(kActuationPointId, tr("actuation point:"), 58, 9, true);
  addLabel(tr("new Value:"), 11, 52, 36);
  addLabel(tr("old Value:"), 11, 32, 32);
  oldValueField_ = addField(kOldValueId, tr("old Value:"), 58, 29, true);
  addLabel(tr("point:"), 11, 15, 18);
}

void CChangeKeyValueDlg::addLabel(const QString& text, int x, int y, int width) {
  auto* label = new QLabel(text, this);
  docview::placeControl(label, x, y, width, 8);
}

QLineEdit* CChangeKeyValueDlg::addField(int id, const QString& accessibleName, int x, int y, bool readOnly) {
  auto* field = new QLineEdit(this);
  field->setObjectName(QString::number(id));
  field->setAccessibleName(accessibleName);
  field->setReadOnly(readOnly);
  if (readOnly) field->setFocusPolicy(Qt::ClickFocus);
  docview::placeControl(field, x, y, 40, 14);
  return field;
}

int CChangeKeyValueDlg::DoModal() {
  if (isVisible()) return -1;
  newValueField_->setText(QString::number(newValue));
  actuationPointField_->setText(QString::number(actuationPoint));
  oldValueField_->setText(QString::number(oldValue));
  newValueField_->setFocus();
  newValueField_->selectAll();
  return exec() == QDialog::Accepted ? 1 : 2;
}

void CChangeKeyValueDlg::accept() {
  // The members change only when every field passed, so a refused entry
  // leaves nothing half read.
  const auto value = readField(newValueField_, Range{0, kHighestValue});
  if (!value) return;
  const auto point = readField(actuationPointField_, Range{0, kHighestKeyIndex});
  if (!point) return;
  const auto old = readField(oldValueField_, std::nullopt);
  if (!old) return;
  newValue = *value;
  actuationPoint = *point;
  oldValue = *old;
  QDialog::accept();
}

CChangeKeyValueDlg::Reading CChangeKeyValueDlg::readNewValue(QStringView text) {
  return read(text, Range{0, kHighestValue});
}

CChangeKeyValueDlg::Reading CChangeKeyValueDlg::read(QStringView text, std::optional<Range> range) {
  const std::optional<std::int32_t> number = strictInteger(text);
  if (!number) return {std::nullopt, tr("Please enter an integer."), false};
  if (range && (*number < range->lowest || *number > range->highest))
    return {std::nullopt, tr("Please enter an integer between %1 and %2.").arg(range->lowest).arg(range->highest), true};
  return {number, {}, false};
}

std::optional<std::int32_t> CChangeKeyValueDlg::readField(QLineEdit* field, std::optional<Range> range) {
  const Reading reading = read(field->text(), range);
  if (!reading.number) refuse(field, reading.refusal, reading.warning);
  return reading.number;
}

void CChangeKeyValueDlg::refuse(QLineEdit* field, const QString& message, bool withIcon) {
  QMessageBox box(withIcon ? QMessageBox::Warning : QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                  message, QMessageBox::Ok, this);
  box.exec();
  field->setFocus();
  field->selectAll();
}

}  // namespace q4t
