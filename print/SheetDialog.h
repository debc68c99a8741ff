// Asks which sheet to print or export, and the size of the legend inserts;
// the choice is kept in the settings for the next time.
#pragma once

#include <QDialog>

#include "print/SheetOptions.h"

class QDoubleSpinBox;
class QRadioButton;

namespace q4t {

class SheetDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SheetDialog(QWidget* parent = nullptr);

  SheetOptions options() const;
  // The settings' choice, or the defaults.
  static SheetOptions savedOptions();

  void accept() override;

 private:
  QRadioButton* layoutChoice_;
  QRadioButton* legendsChoice_;
  QDoubleSpinBox* capMm_;
  QDoubleSpinBox* gapMm_;
};

}  // namespace q4t
