// The About box: the program's name and version, copyright, project and web
// address beside the logo; closed by OK, Escape or the close box.
#pragma once

#include <QDialog>

namespace q4t {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // Shows the box modally; 1 after OK, 2 after Escape or the close box.
  int DoModal();
};

}  // namespace q4t
