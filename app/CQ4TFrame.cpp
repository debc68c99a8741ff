#include "app/CQ4TFrame.h"

#include <QEvent>
#include <QResizeEvent>

namespace q4t {

CQ4TFrame::CQ4TFrame() : MdiChildFrame(QRect(0, 0, 620, 225)) {}

void CQ4TFrame::snapBack() {
  if (isMaximized() || isMinimized()) showNormal();
  if (size() != creationRect().size()) resize(creationRect().size());
}

void CQ4TFrame::resizeEvent(QResizeEvent* event) {
  MdiChildFrame::resizeEvent(event);
  if (event->size() != creationRect().size()) snapBack();
}

void CQ4TFrame::changeEvent(QEvent* event) {
  MdiChildFrame::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && (isMaximized() || isMinimized())) snapBack();
}

}  // namespace q4t
