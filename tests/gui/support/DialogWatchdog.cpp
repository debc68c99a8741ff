#include "support/DialogWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>

namespace q4t::test {

namespace {

QString describe(QWidget* dialog) {
  QString text = QStringLiteral("%1 \"%2\"").arg(QLatin1String(dialog->metaObject()->className()),
                                                 dialog->windowTitle());
  if (auto* box = qobject_cast<QMessageBox*>(dialog)) text += QStringLiteral(" saying \"%1\"").arg(box->text());
  return text;
}

// Installed while the test program's QApplication is being built.
void startWatchdog() { new DialogWatchdog(QCoreApplication::instance()); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startWatchdog)

DialogWatchdog::DialogWatchdog(QObject* parent) : QObject(parent) {
  connect(&timer_, &QTimer::timeout, this, &DialogWatchdog::look);
  timer_.start(kLookIntervalMs);
}

// Counts looks, not time, so a test that keeps the thread busy is never
// blamed for a dialog that its answerer had no chance to take yet.
void DialogWatchdog::look() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || !modal->isVisible()) {
    watched_ = nullptr;
    looks_ = 0;
    return;
  }
  if (modal != watched_) {
    watched_ = modal;
    looks_ = 1;
    return;
  }
  if (++looks_ < kLooksBeforeFailing) return;
  watched_ = nullptr;
  looks_ = 0;
  failOn(modal);
}

void DialogWatchdog::failOn(QWidget* dialog) {
  const QByteArray message = QStringLiteral("unexpected modal dialog, closed: %1").arg(describe(dialog)).toUtf8();
  if (auto* modalDialog = qobject_cast<QDialog*>(dialog)) {
    modalDialog->reject();
  } else {
    dialog->close();
  }
  QTest::qFail(message.constData(), __FILE__, __LINE__);
}

}  // namespace q4t::test
