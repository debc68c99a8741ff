// A modal message box of the program's windows, titled with the program's name.
#pragma once

#include <QMessageBox>

namespace q4t {

void showProgramMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text);

}  // namespace q4t
