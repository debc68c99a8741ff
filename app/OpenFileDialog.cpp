#include "app/OpenFileDialog.h"

#include <QFileSystemModel>
#include <QLineEdit>

namespace q4t {

OpenFileDialog::OpenFileDialog(QWidget* parent) : QFileDialog(parent, tr("Open")) {
  // Qt's own dialog everywhere, so that the All Files entry behaves the same
  // under every desktop.
  setOption(QFileDialog::DontUseNativeDialog);
  setFileMode(QFileDialog::ExistingFile);
  setNameFilters({tr("Q4T Dateien (*.q4t)"), tr("All Files (*.*)")});
  setDefaultSuffix(QStringLiteral("q4t"));
  connect(this, &QFileDialog::filterSelected, this, &OpenFileDialog::filterChosen);
}

void OpenFileDialog::filterChosen(const QString& filter) {
  // The dialog has just given its file list the entry's patterns; "*.*"
  // would hide names without a dot.
  if (filter != nameFilters().value(1)) return;
  if (auto* files = findChild<QFileSystemModel*>()) files->setNameFilters({QStringLiteral("*")});
}

void OpenFileDialog::accept() {
  const auto* nameField = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  const QFileInfo typed(directory(), nameField ? nameField->text() : QString());
  const bool takenAsTyped = !typed.fileName().isEmpty() && typed.exists() && !typed.isDir();
  setDefaultSuffix(takenAsTyped ? QString() : QStringLiteral("q4t"));
  QFileDialog::accept();
}

QString OpenFileDialog::choose() {
  selectNameFilter(nameFilters().value(0));  // the key tables first at every opening
  return exec() == QDialog::Accepted ? selectedFiles().value(0) : QString();
}

}  // namespace q4t
