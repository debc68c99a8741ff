#include "ui/DownloadPreviewDlg.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include "docview/DialogButton.h"
#include "ui/ListDialog.h"
#include "ui/TableDiffView.h"

namespace q4t {

namespace {
const char* const kShowChangesKey = "Download/showChanges";
}

DownloadPreviewDlg::DownloadPreviewDlg(const KeyTable& keyboard, const KeyTable& window, QWidget* parent)
    : QDialog(parent) {
  QBoxLayout& layout = setUpListDialog(*this, tr("Download to Keyboard"), 330, 210);
  layout.addWidget(new QLabel(tr("The Download changes the keyboard's table (old) into this window's (new):"), this));
  changes_ = new TableDiffView(this);
  changes_->showDiff(diffTables(keyboard, window), tr("The keyboard already holds this table."));
  layout.addWidget(changes_);
  showEachTime_ = new QCheckBox(tr("&Show the changes before each Download"), this);
  showEachTime_->setChecked(previewWanted());
  connect(showEachTime_, &QCheckBox::toggled, this,
          [](bool on) { QSettings().setValue(QLatin1String(kShowChangesKey), on); });
  layout.addWidget(showEachTime_);
  QHBoxLayout& buttons = addButtonRow(layout);
  downloadButton_ = addRowButton(buttons, tr("Download"), docview::kConfirmButtonId);
  cancelButton_ = addRowButton(buttons, tr("Cancel"), docview::kCancelButtonId);
  downloadButton_->setDefault(true);
  connect(downloadButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  downloadButton_->setFocus();
}

bool DownloadPreviewDlg::previewWanted() { return QSettings().value(QLatin1String(kShowChangesKey), true).toBool(); }

bool confirmDownload(const KeyTable& keyboard, const KeyTable& window, QWidget* parent) {
  if (!DownloadPreviewDlg::previewWanted()) return true;
  DownloadPreviewDlg dialog(keyboard, window, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace q4t
