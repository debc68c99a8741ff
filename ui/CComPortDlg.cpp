#include "ui/CComPortDlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "docview/DialogButton.h"
#include "docview/DialogUnits.h"

namespace q4t {

namespace {

const char* const kProposedPort = "COM1";

// Turns typed letters to upper case and refuses text wider than the field,
// which does not scroll sideways.
class PortNameValidator : public QValidator {
 public:
  explicit PortNameValidator(QLineEdit* field) : QValidator(field), field_(field) {}

  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return fits(input) ? Acceptable : Invalid;
  }

 private:
  bool fits(const QString& text) const {
    // QLineEdit keeps two pixels each side and one for the cursor.
    const QMargins margins = field_->textMargins();
    const int usable = field_->contentsRect().width() - margins.left() - margins.right() - 5;
    return field_->fontMetrics().horizontalAdvance(text) <= usable;
  }

  QLineEdit* field_;
};

}  // namespace

CComPortDlg::CComPortDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Connect to COM Port"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(120, 55));

  // Created in tab order.
  connectButton_ = docview::addDialogButton(*this, docview::kConfirmButtonId, tr("Connect"), 7, 34, 50, 14);
  cancelButton_ = docview::addDialogButton(*this, docview::kCancelButtonId, tr("Cancel"), 63, 34, 50, 14);

  auto* label = new QLabel(tr("COM Port:"), this);
  docview::placeControl(label, 15, 16, 34, 8);

  portBox_ = new QComboBox(this);
  // The 55 dialog units include the dropped-down list; the closed box is as
  // high as its font needs.
  docview::placeControl(portBox_, 62, 14, 51, 55);
  portBox_->resize(portBox_->width(), portBox_->sizeHint().height());
  portBox_->setEditable(true);
  portBox_->setInsertPolicy(QComboBox::NoInsert);
  portBox_->setCompleter(nullptr);  // the field holds what was typed, nothing more
  portBox_->setValidator(new PortNameValidator(portBox_->lineEdit()));
  portBox_->setAccessibleName(label->text());
  label->setBuddy(portBox_);
}

int CComPortDlg::DoModal() {
  portName = QString::fromLatin1(kProposedPort);
  loadPorts();
  connectButton_->setFocus();
  return exec() == QDialog::Accepted ? kConfirmed : kCancelled;
}

void CComPortDlg::loadPorts() {
  portBox_->clear();
  QStringList names;
  for (int port = 1; port <= kPortCount; ++port) names.append(QStringLiteral("COM%1").arg(port));
  portBox_->addItems(names);
  limitListHeight();
  const int proposed = portBox_->findText(portName, Qt::MatchStartsWith);
  if (proposed >= 0) {
    portBox_->setCurrentIndex(proposed);
  } else {
    portBox_->setEditText(portName);
  }
}

// The dropped-down list fills what the box's 55 dialog units leave below it.
void CComPortDlg::limitListHeight() {
  const int listHeight = docview::dialogUnitsToPixelsY(55) - portBox_->height();
  const int rowHeight = qMax(1, portBox_->view()->sizeHintForRow(0));
  portBox_->setMaxVisibleItems(qMax(1, listHeight / rowHeight));
}

void CComPortDlg::accept() {
  portName = portBox_->currentText();
  QDialog::accept();
}

}  // namespace q4t
