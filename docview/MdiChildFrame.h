// A child window of the workspace without system menu: no close, minimise or
// maximise buttons. Its caption is its document's title. It closes only when
// its document closes.
#pragma once

#include <QMdiSubWindow>

#include "docview/CommandTarget.h"

namespace docview {

class Document;
class View;

class MdiChildFrame : public QMdiSubWindow, public CommandTarget {
  Q_OBJECT
 public:
  explicit MdiChildFrame(const QRect& creationRect);

  const QRect& creationRect() const { return creationRect_; }
  void attach(Document* document, View* view);
  View* view() const { return view_; }
  Document* document() const { return document_; }

  // Destroys the window; only its document does this.
  void destroyFrame();

  std::optional<CommandState> commandState(int) const override { return std::nullopt; }
  void runCommand(int) override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QRect creationRect_;
  Document* document_ = nullptr;
  View* view_ = nullptr;
  bool destroying_ = false;
};

}  // namespace docview
