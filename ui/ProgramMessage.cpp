#include "ui/ProgramMessage.h"

#include <QGuiApplication>

namespace q4t {

void showProgramMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace q4t
