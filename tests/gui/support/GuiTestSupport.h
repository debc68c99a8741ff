// Helpers shared by the window tests.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace q4t::test {

// The repository's root, where DefTable.q4t lies.
QString sourceDir();

// While it lives, presses the given button in every message box that opens
// and keeps the boxes' texts and icons in order.
class MessageBoxAnswerer : public QObject {
 public:
  explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok);
  void setButton(QMessageBox::StandardButton button) { button_ = button; }
  const QStringList& texts() const { return texts_; }
  const QList<QMessageBox::Icon>& icons() const { return icons_; }
  const QStringList& titles() const { return titles_; }

 private:
  void answer();

  QMessageBox::StandardButton button_;
  QTimer timer_;
  QStringList texts_;
  QList<QMessageBox::Icon> icons_;
  QStringList titles_;
};

}  // namespace q4t::test
