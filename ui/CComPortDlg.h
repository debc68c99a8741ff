// "Connect to COM Port": the user names the serial port the keyboard hangs on.
// It proposes COM1 at every opening and takes the field's text unchecked.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;

namespace q4t {

class CComPortDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kConfirmed = 1;
  static constexpr int kCancelled = 2;
  static constexpr int kPortCount = 256;

  explicit CComPortDlg(QWidget* parent = nullptr);

  // Shows the dialog modally: kConfirmed with portName set to the field's
  // text, or kCancelled with portName as proposed at the opening.
  int DoModal();

  QComboBox* portBox() const { return portBox_; }
  QPushButton* connectButton() const { return connectButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

  void accept() override;

  QString portName;

 private:
  void loadPorts();
  void limitListHeight();

  QPushButton* connectButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QComboBox* portBox_ = nullptr;
};

}  // namespace q4t
