#include "editor/KeyLayout.h"

#include <QPainter>

#include "docview/DialogUnits.h"
#include "model/ShownKeys.h"

namespace q4t {

namespace {
constexpr int kStripeWidth = 5;
const QColor kStripeYellow(255, 255, 0);
const QColor kChangedRed(255, 0, 0);
}  // namespace

QRect KeyLayout::gridRect(int k) {
  const FormRect home = homeFormRect(k);
  return docview::dialogUnitRect(home.x, home.y, home.width, home.height);
}

KeyLayout::KeyLayout(const KeyTable& table, QWidget* form) : table_(table) {
  const auto painter = [this](int k, QPainter& p, const QRect& r) { paintFace(k, p, r); };
  for (int k = 0; k < kKeyCount; ++k) {
    auto* button = new KeyButton(k, painter, form);
    button->setObjectName(QStringLiteral("key%1").arg(1100 + k));
    button->setGeometry(gridRect(k));
    buttons_[static_cast<std::size_t>(k)] = button;
    // The outer rectangle as laid out on the form is the home rectangle.
    homeRects_[static_cast<std::size_t>(k)] = button->geometry();
  }
}

void KeyLayout::moveHome(int k) { button(k)->setGeometry(homeRect(k)); }

void KeyLayout::applyShapeGeometry(int k) {
  const auto [columns, rows] = spanOf(table_, k);
  if (columns == 1 && rows == 1) return;
  if (columns == 2) button(table_.rightOf(k))->hide();
  if (rows == 2) button(table_.downOf(k))->hide();
  if (columns == 2 && rows == 2) button(table_.downRightOf(k))->hide();
  const QRect& home = homeRect(k);
  button(k)->setGeometry(home.x(), home.y(), columns * home.width(), rows * home.height());
}

void KeyLayout::showAll() {
  for (KeyButton* button : buttons_) button->show();
}

void KeyLayout::refreshCaption(int k) {
  button(k)->setCaption(table_.entry(k).value, QString::fromStdString(table_.label(k)));
}

void KeyLayout::refreshCaptions() {
  for (int k = 0; k < kKeyCount; ++k) refreshCaption(k);
}

void KeyLayout::setOwnerDrawn(int k, bool ownerDrawn) { button(k)->setOwnerDrawn(ownerDrawn); }

void KeyLayout::makeGroupPlain(int k) {
  for (int position : table_.groupOf(k)) setOwnerDrawn(position, false);
}

void KeyLayout::refreshStyles() {
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry& key = table_.entry(k);
    const bool valueChanged = key.value != key.previousValue;
    if (valueChanged) setOwnerDrawn(k, true);
    switch (key.size) {
      case KeySize::Single:
        setOwnerDrawn(k, table_.isCounterOn(k) || valueChanged);
        break;
      case KeySize::DoubleRight:
      case KeySize::DoubleDown:
      case KeySize::Quadruple:
        if (table_.groupHasCounter(k)) {
          setOwnerDrawn(k, true);
        } else {
          for (int position : table_.groupOf(k)) {
            if (position != k) setOwnerDrawn(position, false);
          }
          if (!valueChanged) setOwnerDrawn(k, false);
        }
        break;
      default:
        break;
    }
  }
}

void KeyLayout::restoreChangedMarks() {
  for (int k = 0; k < kKeyCount; ++k) {
    if (table_.entry(k).changed) setOwnerDrawn(k, true);
  }
}

KeyFaces KeyLayout::faces() const {
  KeyFaces faces;
  for (int k = 0; k < kKeyCount; ++k)
    faces[static_cast<std::size_t>(k)] = {button(k)->geometry(), button(k)->isHidden(), button(k)->isOwnerDrawn()};
  return faces;
}

void KeyLayout::showFace(int k, const KeyFace& face) {
  button(k)->setGeometry(face.geometry);
  button(k)->setHidden(face.hidden);
  setOwnerDrawn(k, face.ownerDrawn);
}

void KeyLayout::layOutFromTable() {
  for (int k = 0; k < kKeyCount; ++k) {
    button(k)->show();
    moveHome(k);
    setOwnerDrawn(k, false);
  }
  for (int k = 0; k < kKeyCount; ++k) applyShapeGeometry(k);
  refreshCaptions();
  refreshStyles();
  restoreChangedMarks();
}

void KeyLayout::paintFace(int k, QPainter& painter, const QRect& itemRect) const {
  if (k < 0 || k >= kKeyCount) return;
  const KeyEntry& key = table_.entry(k);
  switch (key.size) {
    case KeySize::Single:
    case KeySize::DoubleRight:
    case KeySize::DoubleDown:
    case KeySize::Quadruple: {
      QRect stripe = itemRect;
      stripe.setRight(kStripeWidth - 1);
      if (table_.groupHasCounter(k)) {
        painter.fillRect(stripe, kStripeYellow);
        if (key.changed) painter.fillRect(itemRect.adjusted(kStripeWidth, 0, 0, 0), kChangedRed);
      } else if (key.changed) {
        painter.fillRect(itemRect, kChangedRed);
      }
      break;
    }
    default:
      break;
  }
  painter.drawText(itemRect, Qt::AlignCenter | Qt::TextSingleLine, QString::number(key.value));
}

}  // namespace q4t
