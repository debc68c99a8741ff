// "Download to Keyboard": what a Download will change on the keyboard, its
// table against the window's, before anything is written. The user goes on
// with Download or stops with Cancel; a check box turns the preview off for
// the Downloads to come.
#pragma once

#include <QDialog>

#include "model/KeyTable.h"

class QCheckBox;
class QPushButton;

namespace q4t {

class TableDiffView;

class DownloadPreviewDlg : public QDialog {
  Q_OBJECT
 public:
  DownloadPreviewDlg(const KeyTable& keyboard, const KeyTable& window, QWidget* parent = nullptr);

  // "Show the changes before each Download", kept in the settings; on until turned off.
  static bool previewWanted();

  TableDiffView& changes() const { return *changes_; }
  QCheckBox& showEachTime() const { return *showEachTime_; }
  QPushButton& downloadButton() const { return *downloadButton_; }
  QPushButton& cancelButton() const { return *cancelButton_; }

 private:
  TableDiffView* changes_;
  QCheckBox* showEachTime_;
  QPushButton* downloadButton_;
  QPushButton* cancelButton_;
};

// True when the user chose Download; true at once when the preview is turned off.
bool confirmDownload(const q4t::KeyTable& keyboard, const q4t::KeyTable& window, QWidget* parent);

}  // namespace q4t
