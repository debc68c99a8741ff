#include "editor/KeyButton.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <qdrawutil.h>

namespace q4t {

KeyButton::KeyButton(int index, FacePainter facePainter, QWidget* parent)
    : QPushButton(parent), index_(index), facePainter_(std::move(facePainter)) {
  setFocusPolicy(Qt::StrongFocus);
}

void KeyButton::setCaption(int value, const QString& label) {
  const QString caption = QString::number(value);
  setText(caption);
  setAccessibleName(caption);
  // As rich text holding the label escaped, since a tool tip that looks like
  // HTML is taken as HTML; on one line, spaces as typed.
  setToolTip(label.isEmpty() ? QString() : QStringLiteral("<p style='white-space:pre'>%1</p>").arg(label.toHtmlEscaped()));
  setAccessibleDescription(label);
}

void KeyButton::setOwnerDrawn(bool ownerDrawn) {
  if (ownerDrawn_ == ownerDrawn) return;
  ownerDrawn_ = ownerDrawn;
  update();
}

void KeyButton::setMarkedCurrent(bool marked) {
  if (markedCurrent_ == marked) return;
  markedCurrent_ = marked;
  update();
}

void KeyButton::paintEvent(QPaintEvent* event) {
  if (ownerDrawn_) {
    paintOwnerDrawn();
  } else {
    QPushButton::paintEvent(event);
  }
  if (markedCurrent_) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
}

void KeyButton::paintOwnerDrawn() {
  QPainter painter(this);
  // The raised frame is the button's border, not part of the drawn face.
  qDrawWinPanel(&painter, rect(), palette(), false);
  painter.fillRect(rect().adjusted(2, 2, -2, -2), palette().button());
  const QRect itemRect = rect().adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
  painter.setClipRect(itemRect);
  painter.translate(itemRect.topLeft());
  facePainter_(index_, painter, QRect(QPoint(0, 0), itemRect.size()));
}

void KeyButton::contextMenuEvent(QContextMenuEvent* event) {
  emit contextMenuRequested(index_, event->globalPos());
}

}  // namespace q4t
