// A modal message box of the key layout view, titled with the program's name.
#pragma once

#include <QMessageBox>

namespace q4t {

void showFormMessage(QWidget* owner, QMessageBox::Icon icon, const QString& text);

}  // namespace q4t
