// A view: the widget inside a child frame that shows its document and is the
// first target of the commands while its window is active.
#pragma once

#include <QWidget>

#include "docview/CommandTarget.h"

namespace docview {

class Document;

class View : public QWidget, public CommandTarget {
  Q_OBJECT
 public:
  explicit View(QWidget* parent = nullptr) : QWidget(parent) {}

  Document* document() const { return document_; }
  void attach(Document* document) { document_ = document; }

  // Runs once after the view is attached to its document, before its window
  // shows; false abandons the new document.
  virtual bool initialUpdate() { return true; }
  // The view's window became the active one.
  virtual void activated() {}

  std::optional<CommandState> commandState(int) const override { return std::nullopt; }
  void runCommand(int) override {}

 private:
  Document* document_ = nullptr;
};

}  // namespace docview
