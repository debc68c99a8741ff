#include "app/StatusPanes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

#include "app/LockKeyState.h"

namespace q4t {

namespace {
QLabel* lockPane(QStatusBar& statusBar, const QString& longestText) {
  auto* pane = new QLabel(&statusBar);
  pane->setFrameShape(QFrame::Panel);
  pane->setFrameShadow(QFrame::Sunken);
  pane->setAlignment(Qt::AlignCenter);
  pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(longestText) + 8);
  pane->setAccessibleDescription(longestText);
  statusBar.addPermanentWidget(pane);
  return pane;
}
}  // namespace

StatusPanes::StatusPanes(QStatusBar& statusBar) : QObject(&statusBar), message_(new QLabel(&statusBar)) {
  message_->setObjectName(QStringLiteral("pane0"));
  // No accessible name: screen readers then read the pane's current text.
  message_->setAccessibleDescription(tr("Status"));
  message_->setTextFormat(Qt::PlainText);
  statusBar.addWidget(message_, 1);
  caps_ = lockPane(statusBar, QStringLiteral("CAP"));
  num_ = lockPane(statusBar, QStringLiteral("NUM"));
  scroll_ = lockPane(statusBar, QStringLiteral("SCRL"));
  endPrompt();
  refreshLockKeys();
  // The lock keys change with a key press, or in another program while this one is inactive.
  qApp->installEventFilter(this);
}

QString StatusPanes::text() const { return message_->text(); }

void StatusPanes::setText(const QString& text) {
  message_->setText(text);
  message_->repaint();
}

void StatusPanes::showStatus(const QString& text) {
  history_.append(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz ")) + text);
  while (history_.size() > kHistorySize) history_.removeFirst();
  updateToolTip();
  lastStatus_ = text;
  setText(text);
}

void StatusPanes::showPrompt(const QString& prompt) { setText(prompt); }

void StatusPanes::endPrompt() { setText(lastStatus_.isEmpty() ? tr("Ready") : lastStatus_); }

void StatusPanes::noteCause(const QString& cause) {
  cause_ = cause;
  updateToolTip();
}

void StatusPanes::updateToolTip() {
  QStringList lines;
  if (!cause_.isEmpty()) lines << tr("Last failure: %1").arg(cause_) << QString();
  lines << history_;
  message_->setToolTip(lines.join(QLatin1Char('\n')));
}

void StatusPanes::refreshLockKeys() {
  const LockKeys keys = readLockKeys();
  caps_->setText(keys.caps ? QStringLiteral("CAP") : QString());
  num_->setText(keys.num ? QStringLiteral("NUM") : QString());
  scroll_->setText(keys.scroll ? QStringLiteral("SCRL") : QString());
}

bool StatusPanes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ApplicationActivate) refreshLockKeys();
  if (event->type() == QEvent::KeyRelease && watched->isWidgetType()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) refreshLockKeys();
  }
  return false;
}

}  // namespace q4t
