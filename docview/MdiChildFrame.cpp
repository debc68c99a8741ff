#include "docview/MdiChildFrame.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "docview/Document.h"
#include "docview/View.h"

namespace docview {

MdiChildFrame::MdiChildFrame(const QRect& creationRect) : creationRect_(creationRect) {
  // A caption and a sizing border, but no system menu and so no buttons.
  setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setSystemMenu(nullptr);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

void MdiChildFrame::attach(Document* document, View* view) {
  document_ = document;
  view_ = view;
  setWidget(view);
  document->addView(view);
  setWindowTitle(document->title());
  connect(document, &Document::titleChanged, this, &QWidget::setWindowTitle);
}

void MdiChildFrame::destroyFrame() {
  destroying_ = true;
  if (mdiArea()) mdiArea()->removeSubWindow(this);
  delete this;
}

void MdiChildFrame::closeEvent(QCloseEvent* event) {
  // Only File > Close, exit and the window rules close a child window, all
  // through its document.
  if (!destroying_) event->ignore();
}

}  // namespace docview
