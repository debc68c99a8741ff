// Every window test program runs with one DialogWatchdog. A modal dialog that
// nobody answers is reported, closed and fails the running test, so that a
// test meeting a dialog it did not expect ends at once instead of waiting for
// CTest's time limit. The answerers of GuiTestSupport.h and ProgramFixture.h
// take an expected dialog within a few event loop passes; a dialog still open
// and unchanged after kLooksBeforeFailing looks was not expected.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

namespace q4t::test {

class DialogWatchdog : public QObject {
 public:
  static constexpr int kLookIntervalMs = 100;
  static constexpr int kLooksBeforeFailing = 20;

  explicit DialogWatchdog(QObject* parent);

 private:
  void look();
  void failOn(QWidget* dialog);

  QTimer timer_;
  QPointer<QWidget> watched_;
  int looks_ = 0;
};

}  // namespace q4t::test
