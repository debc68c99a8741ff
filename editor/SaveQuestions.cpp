#include "editor/SaveQuestions.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>

#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/FileNames.h"

namespace q4t {

namespace {

// Yes under its own name, or Cancel, the default: the safe answer is one Enter away.
bool confirmed(QWidget* owner, const QString& text, const QString& yesText) {
  QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Yes | QMessageBox::Cancel, owner);
  box.button(QMessageBox::Yes)->setText(yesText);
  box.setDefaultButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

bool mayOverwriteFile(QWidget* owner, const QString& path, const FileContent& lastSeen) {
  // A file removed since holds nothing to lose.
  const FileContent current = currentContent(docview::nativePath(path));
  if (!current || current == lastSeen) return true;
  return confirmed(owner,
                   QObject::tr("%1 has been changed by another program since it was opened or last saved.\n"
                               "Overwrite those changes with this table?").arg(docview::shownPath(path)),
                   QObject::tr("&Overwrite"));
}

bool closeOtherWindowOf(QWidget* owner, docview::DocTemplate& windows, const docview::Document* saving,
                        const QString& path) {
  docview::Document* other = windows.documentOf(path);
  if (other == nullptr || other == saving) return true;
  if (!confirmed(owner,
                 QObject::tr("%1 is open in another window.\nClose that window and save this table over the file?")
                     .arg(docview::shownPath(path)),
                 QObject::tr("&Close It and Save")))
    return false;
  if (!other->queryClose()) return false;
  other->closeDocument();
  return true;
}

}  // namespace q4t
