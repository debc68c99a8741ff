#include "docview/Document.h"

#include <QGuiApplication>
#include <QMessageBox>

#include "docview/DocTemplate.h"
#include "docview/FileNames.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"

namespace docview {

namespace {
constexpr int kCloseCommand = 57602;
}

Document::Document(DocTemplate& docTemplate) : docTemplate_(docTemplate) {}

void Document::setTitle(const QString& title) {
  title_ = title;
  emit titleChanged(title_);
}

void Document::setPathName(const QString& path) {
  pathName_ = path;
  if (!path.isEmpty()) setTitle(shownName(path));
}

void Document::setModified(bool modified) { modified_ = modified; }

void Document::addView(View* view) {
  views_.append(view);
  view->attach(this);
}

void Document::removeView(View* view) { views_.removeAll(view); }

bool Document::saveModified() {
  if (!modified_) return true;
  const QString name = pathName_.isEmpty() ? title_ : shownName(pathName_);
  const auto answer = QMessageBox::question(
      firstView() ? firstView()->window() : nullptr, QGuiApplication::applicationDisplayName(), tr("Save changes to %1?").arg(name),
      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
  if (answer == QMessageBox::Cancel) return false;
  if (answer == QMessageBox::No) return true;
  return saveDocument();
}

void Document::closeDocument() {
  if (closing_) return;
  closing_ = true;
  const QList<View*> views = views_;
  views_.clear();
  for (View* view : views) {
    if (auto* frame = qobject_cast<MdiChildFrame*>(view->parentWidget())) frame->destroyFrame();
  }
  docTemplate_.removeDocument(this);
  // A command handler of this document may still be on the stack.
  deleteLater();
}

std::optional<CommandState> Document::commandState(int id) const {
  if (id == kCloseCommand) return CommandState{};
  return std::nullopt;
}

void Document::runCommand(int id) {
  if (id == kCloseCommand && queryClose()) closeDocument();
}

}  // namespace docview
