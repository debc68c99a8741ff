#include "support/GuiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>

namespace q4t::test {

QString sourceDir() {
  const QByteArray dir = qgetenv("Q4T_SOURCE_DIR");
  return dir.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(dir);
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton button) : button_(button) {
  connect(&timer_, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
  timer_.start(10);
}

void MessageBoxAnswerer::answer() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible()) return;
  QAbstractButton* button = box->button(button_);
  if (!button) return;
  texts_.append(box->text());
  icons_.append(box->icon());
  titles_.append(box->windowTitle());
  button->click();
}

}  // namespace q4t::test
