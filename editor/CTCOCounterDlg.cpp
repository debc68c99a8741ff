#include "editor/CTCOCounterDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <qdrawutil.h>

#include "docview/DialogButton.h"
#include "docview/DialogUnits.h"
#include "editor/FittingTextValidator.h"
#include "editor/IntegerText.h"
#include "model/KeyTable.h"

namespace q4t {

namespace {

constexpr int kCounterBoxId = 1027;
// The box's height when closed and with its list dropped down.
constexpr int kClosedBoxHeight = 14;
constexpr int kDroppedBoxHeight = 57;
// The width of the raised edge around a chosen point.
constexpr int kRaisedEdge = 2;
constexpr QColor kChosenPointColour{255, 0, 0};

constexpr int bit(KeyPosition position) { return static_cast<int>(position); }

// The points a key of the given shape covers, as KeyPosition bits.
int pointsOfShape(std::uint16_t shape) {
  switch (static_cast<KeySize>(shape)) {
    case KeySize::Single: return bit(KeyPosition::TopLeft);
    case KeySize::DoubleRight: return bit(KeyPosition::TopLeft) | bit(KeyPosition::TopRight);
    case KeySize::DoubleDown: return bit(KeyPosition::TopLeft) | bit(KeyPosition::BottomLeft);
    case KeySize::Quadruple:
      return bit(KeyPosition::TopLeft) | bit(KeyPosition::TopRight) | bit(KeyPosition::BottomLeft) |
             bit(KeyPosition::BottomRight);
    default: return 0;
  }
}

std::array<std::int32_t, 24> allCountersFree() {
  std::array<std::int32_t, 24> owners{};
  owners.fill(kFreeSlot);
  return owners;
}

}  // namespace

CTCOCounterDlg::CTCOCounterDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      counterOwners(allCountersFree()) {
  setWindowTitle(tr("TCO counter parameter"));
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(122, 108));

  ok_ = docview::addDialogButton(*this, docview::kConfirmButtonId, tr("OK"), 7, 87, 50, 14);
  docview::addDialogButton(*this, docview::kCancelButtonId, tr("Cancel"), 65, 87, 50, 14);
  docview::placeControl(new QLabel(tr("Actuation point:"), this), 35, 6, 50, 8);

  points_ = new QButtonGroup(this);
  addPointButton(1022, bit(KeyPosition::TopLeft), tr("top left"), 38, 17);
  addPointButton(1023, bit(KeyPosition::TopRight), tr("top right"), 60, 17);
  addPointButton(1024, bit(KeyPosition::BottomLeft), tr("bottom left"), 38, 35);
  addPointButton(1025, bit(KeyPosition::BottomRight), tr("bottom right"), 60, 35);
  connect(points_, &QButtonGroup::idClicked, this, [this](int position) { selectedPoint = std::uint8_t(position); });

  docview::placeControl(new QLabel(tr("Counter:"), this), 19, 67, 28, 8);
  counterBox_ = new QComboBox(this);
  counterBox_->setObjectName(QString::number(kCounterBoxId));
  counterBox_->setAccessibleName(tr("Counter:"));
  counterBox_->setEditable(true);
  // Typed text is only read, never added to the list or completed from it.
  counterBox_->setInsertPolicy(QComboBox::NoInsert);
  counterBox_->setCompleter(nullptr);
  counterBox_->lineEdit()->setValidator(
      new FittingTextValidator(counterBox_->lineEdit(), FittingTextValidator::Characters::Any));
  docview::placeControl(counterBox_, 54, 65, 48, kClosedBoxHeight);
  const int listHeight = docview::dialogUnitsToPixelsY(kDroppedBoxHeight - kClosedBoxHeight);
  counterBox_->setMaxVisibleItems(std::max(1, listHeight / counterBox_->fontMetrics().height()));
}

void CTCOCounterDlg::addPointButton(int id, int position, const QString& accessibleName, int x, int y) {
  auto* button = new QPushButton(this);
  button->setObjectName(QString::number(id));
  button->setAccessibleName(tr("Actuation point %1").arg(accessibleName));
  button->setCheckable(true);
  button->hide();
  button->installEventFilter(this);
  docview::placeControl(button, x, y, 22, 18);
  points_->addButton(button, position);
}

int CTCOCounterDlg::DoModal() {
  if (isVisible()) return -1;
  showPointsOfShape();
  fillFreeCounters();
  ok_->setFocus();
  return exec() == QDialog::Accepted ? 1 : 2;
}

void CTCOCounterDlg::showPointsOfShape() {
  const int shown = pointsOfShape(keyShape);
  // A single key has only one point, so it is chosen from the start.
  selectedPoint = shown == bit(KeyPosition::TopLeft) ? std::uint8_t(shown) : 0;
  points_->setExclusive(false);
  for (QAbstractButton* button : points_->buttons()) {
    const int position = points_->id(button);
    button->setVisible((shown & position) != 0);
    button->setChecked(position == selectedPoint);
  }
  points_->setExclusive(true);
}

void CTCOCounterDlg::fillFreeCounters() {
  counterBox_->clear();
  for (std::size_t i = 0; i < counterOwners.size(); ++i) {
    if (counterOwners[i] > kKeyCount) counterBox_->addItem(QString::number(int(i) + kFirstKeyCounter));
  }
  // Adding the first item makes it current, and text typed in an earlier run
  // may still stand; the box opens with nothing chosen and empty.
  counterBox_->setCurrentIndex(-1);
  counterBox_->clearEditText();
}

int CTCOCounterDlg::counterNumber() const { return leadingInteger(counterText); }

void CTCOCounterDlg::accept() {
  if (selectedPoint == 0) return tell(tr("Select actuation point"));
  const QString text = counterBox_->currentText();
  if (text.isEmpty()) return tell(tr("Select TCO counter"));
  const std::int32_t number = leadingInteger(text);
  if (number < kFirstKeyCounter || number > kLastKeyCounter) {
    return tell(tr("No valid TCO counter.\nMust be in the range 6 ... 29"));
  }
  counterText = text;
  QDialog::accept();
}

void CTCOCounterDlg::tell(const QString& message) {
  QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), message, QMessageBox::Ok, this);
  box.exec();
}

bool CTCOCounterDlg::eventFilter(QObject* watched, QEvent* event) {
  auto* button = qobject_cast<QPushButton*>(watched);
  if (event->type() != QEvent::Paint || !button || !button->isChecked()) return QDialog::eventFilter(watched, event);
  // The chosen point: its raised edge with a plain red inside, no text and
  // no focus mark.
  QPainter painter(button);
  qDrawWinPanel(&painter, button->rect(), button->palette(), false);
  painter.fillRect(button->rect().adjusted(kRaisedEdge, kRaisedEdge, -kRaisedEdge, -kRaisedEdge), kChosenPointColour);
  return true;
}

}  // namespace q4t
