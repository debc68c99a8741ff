// The frame shared by the dialogs built around a list (the Download preview,
// the comparison and the keyboard history): the form font, a first size in
// dialog units, and a row of 50 x 14 dialog-unit buttons at the bottom right.
#pragma once

#include <QString>

class QBoxLayout;
class QDialog;
class QHBoxLayout;
class QPushButton;

namespace q4t {

// The dialog's caption, font and size; its layout, to be filled top down.
QBoxLayout& setUpListDialog(QDialog& dialog, const QString& caption, int widthDu, int heightDu);

// The row of closing buttons, added at the bottom of the layout.
QHBoxLayout& addButtonRow(QBoxLayout& layout);

// A button named by its id as docview's dialog buttons are (1 confirms, 2 cancels).
QPushButton* addRowButton(QHBoxLayout& row, const QString& text, int id);

}  // namespace q4t
