// A document: title, path name and modified flag, its views and the window
// type that made it.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

#include "docview/CommandTarget.h"

namespace docview {

class DocTemplate;
class View;

class Document : public QObject, public CommandTarget {
  Q_OBJECT
 public:
  explicit Document(DocTemplate& docTemplate);

  DocTemplate& docTemplate() const { return docTemplate_; }
  QString title() const { return title_; }
  void setTitle(const QString& title);
  QString pathName() const { return pathName_; }
  void setPathName(const QString& path);
  bool isModified() const { return modified_; }
  void setModified(bool modified);

  const QList<View*>& views() const { return views_; }
  View* firstView() const { return views_.isEmpty() ? nullptr : views_.first(); }
  void addView(View* view);
  void removeView(View* view);

  // Asked before the save prompt when the document is to close; false keeps it.
  virtual bool mayClose() { return true; }
  // Asks "Save changes to ...?" when modified; false when the close must stop.
  bool saveModified();
  // Every question before a close, in order: mayClose, then the save prompt.
  bool queryClose() { return mayClose() && saveModified(); }
  // Closes the document's windows and deletes it.
  virtual void closeDocument();

  // File > Close.
  std::optional<CommandState> commandState(int id) const override;
  void runCommand(int id) override;

 signals:
  void titleChanged(const QString& title);

 protected:
  // Saves through the document's view; false when nothing was saved.
  virtual bool saveDocument() { return false; }

 private:
  DocTemplate& docTemplate_;
  QString title_;
  QString pathName_;
  bool modified_ = false;
  bool closing_ = false;
  QList<View*> views_;
};

}  // namespace docview
