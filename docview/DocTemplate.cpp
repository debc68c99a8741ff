#include "docview/DocTemplate.h"

#include <QMdiArea>

#include "docview/Document.h"
#include "docview/MdiChildFrame.h"
#include "docview/SameFile.h"
#include "docview/View.h"

namespace docview {

DocTemplate::DocTemplate(QMdiArea& workspace, QString documentName, Factories factories, QObject* parent)
    : QObject(parent), workspace_(workspace), documentName_(std::move(documentName)),
      factories_(std::move(factories)) {}

Document* DocTemplate::openDocument(const QString& path) {
  Document* document = factories_.document(*this);
  documents_.append(document);
  if (path.isEmpty()) {
    document->setTitle(documentName_ + QString::number(++untitledCount_));
  } else {
    document->setPathName(path);
  }
  MdiChildFrame* frame = factories_.frame();
  View* view = factories_.view();
  frame->attach(document, view);
  workspace_.addSubWindow(frame);
  frame->setGeometry(frame->creationRect());
  if (!view->initialUpdate()) {
    // The window goes first, so the document closes without a view: the
    // abandoned view never linked, and the other windows stay as they were.
    document->removeView(view);
    frame->destroyFrame();
    document->closeDocument();
    return nullptr;
  }
  frame->show();
  workspace_.setActiveSubWindow(frame);
  return document;
}

Document* DocTemplate::documentOf(const QString& path) const {
  for (Document* document : documents_) {
    if (!document->pathName().isEmpty() && isSameFile(document->pathName(), path)) return document;
  }
  return nullptr;
}

void DocTemplate::closeAllDocuments() {
  const QList<Document*> documents = documents_;
  for (Document* document : documents) document->closeDocument();
}

void DocTemplate::removeDocument(Document* document) { documents_.removeAll(document); }

}  // namespace docview
