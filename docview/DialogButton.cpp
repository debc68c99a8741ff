#include "docview/DialogButton.h"

#include <QDialog>
#include <QPushButton>

#include "docview/DialogUnits.h"

namespace docview {

QPushButton* addDialogButton(QDialog& dialog, int id, const QString& text, int x, int y, int width,
                             int height) {
  auto* button = new QPushButton(text, &dialog);
  button->setObjectName(QString::number(id));
  placeControl(button, x, y, width, height);
  const bool confirms = id == kConfirmButtonId;
  button->setDefault(confirms);
  // accept and reject are virtual: a dialog's own checks run.
  QObject::connect(button, &QPushButton::clicked, &dialog, confirms ? &QDialog::accept : &QDialog::reject);
  return button;
}

}  // namespace docview
