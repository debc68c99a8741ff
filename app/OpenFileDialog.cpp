#include "app/OpenFileDialog.h"

#include <QFileSystemModel>

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

QString OpenFileDialog::choose() { return exec() == QDialog::Accepted ? selectedFiles().value(0) : QString(); }

}  // namespace q4t
