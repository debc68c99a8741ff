// Asks which sheet to print or export, the size of the legend inserts and
// how they are set, and lists the labels that do not fit their inserts; the
// choice is kept in the settings for the next time.
#pragma once

#include <QDialog>

#include "print/SheetOptions.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QRadioButton;

namespace q4t {

class SheetDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SheetDialog(const KeyTable& table, QWidget* parent = nullptr);

  SheetOptions options() const;
  // The settings' choice, or the defaults.
  static SheetOptions savedOptions();

  void accept() override;

 private:
  void followChoice();

  const KeyTable& table_;
  QRadioButton* layoutChoice_;
  QRadioButton* legendsChoice_;
  QDoubleSpinBox* capMm_;
  QDoubleSpinBox* gapMm_;
  QCheckBox* oneTextSize_;
  QCheckBox* asKeyboard_;
  QLabel* notFittingTitle_;
  QListWidget* notFitting_;
};

}  // namespace q4t
