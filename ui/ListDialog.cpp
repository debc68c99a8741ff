#include "ui/ListDialog.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "docview/DialogUnits.h"

namespace q4t {

QBoxLayout& setUpListDialog(QDialog& dialog, const QString& caption, int widthDu, int heightDu) {
  dialog.setWindowTitle(caption);
  dialog.setFont(docview::formFont());
  dialog.resize(docview::dialogUnitSize(widthDu, heightDu));
  auto* layout = new QVBoxLayout(&dialog);
  const int margin = docview::dialogUnitsToPixelsX(7);
  layout->setContentsMargins(margin, margin, margin, margin);
  return *layout;
}

QHBoxLayout& addButtonRow(QBoxLayout& layout) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  layout.addLayout(row);
  return *row;
}

QPushButton* addRowButton(QHBoxLayout& row, const QString& text, int id) {
  auto* button = new QPushButton(text);
  button->setObjectName(QString::number(id));
  button->setFixedSize(docview::dialogUnitSize(50, 14));
  button->setAutoDefault(false);
  row.addWidget(button);
  return button;
}

}  // namespace q4t
