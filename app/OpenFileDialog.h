// The Open dialog: one existing file, "Q4T Dateien (*.q4t)" preselected, then
// "All Files (*.*)", which lists every file, names without a dot too (what
// "*.*" means on the keyboard's original platform). A typed name gets ".q4t"
// only when no file has the name as typed.
#pragma once

#include <QFileDialog>

namespace q4t {

class OpenFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit OpenFileDialog(QWidget* parent = nullptr);

  // The chosen file; empty when cancelled.
  QString choose();

 protected:
  void accept() override;

 private:
  void filterChosen(const QString& filter);
};

}  // namespace q4t
