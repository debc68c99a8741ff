// The closing buttons of a modal dialog: id 1 confirms (the default button,
// Enter), id 2 cancels; each placed from its dialog-unit row.
#pragma once

#include <QString>

class QDialog;
class QPushButton;

namespace docview {

constexpr int kConfirmButtonId = 1;
constexpr int kCancelButtonId = 2;

// The button's object name is its id, as tests and screen readers find it.
QPushButton* addDialogButton(QDialog& dialog, int id, const QString& text, int x, int y, int width,
                             int height);

}  // namespace docview
