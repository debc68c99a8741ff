#include "ui/TableCompareDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "docview/DialogButton.h"
#include "ui/ListDialog.h"
#include "ui/TableDiffView.h"

namespace q4t {

TableCompareDlg::TableCompareDlg(const KeyTable& oldTable, const QString& oldName, const KeyTable& newTable,
                                 const QString& newName, QWidget* parent)
    : QDialog(parent) {
  QBoxLayout& layout = setUpListDialog(*this, tr("Compare Key Tables"), 330, 200);
  auto* names = new QLabel(tr("Old: %1\nNew: %2").arg(oldName, newName), this);
  names->setTextFormat(Qt::PlainText);
  layout.addWidget(names);
  changes_ = new TableDiffView(this);
  changes_->showDiff(diffTables(oldTable, newTable), tr("A Download of either table gives the keyboard the same table."));
  layout.addWidget(changes_);
  closeButton_ = addRowButton(addButtonRow(layout), tr("Close"), docview::kCancelButtonId);
  closeButton_->setDefault(true);
  connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace q4t
