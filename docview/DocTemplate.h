// A window type: makes a document with its child frame and view, keeps its
// documents and closes them all.
#pragma once

#include <QList>
#include <QObject>
#include <functional>

class QMdiArea;

namespace docview {

class Document;
class MdiChildFrame;
class View;

class DocTemplate : public QObject {
  Q_OBJECT
 public:
  struct Factories {
    std::function<Document*(DocTemplate&)> document;
    std::function<MdiChildFrame*()> frame;
    std::function<View*()> view;
  };

  DocTemplate(QMdiArea& workspace, QString documentName, Factories factories, QObject* parent);

  // A new document with its window, path empty for a new table; the view's
  // initial update runs before the window shows. Null when it was abandoned.
  Document* openDocument(const QString& path);
  const QList<Document*>& documents() const { return documents_; }
  // The document of the file the path names, or null.
  Document* documentOf(const QString& path) const;
  void closeAllDocuments();
  void removeDocument(Document* document);

 private:
  QMdiArea& workspace_;
  QString documentName_;
  Factories factories_;
  QList<Document*> documents_;
  int untitledCount_ = 0;
};

}  // namespace docview
