#include "print/SheetDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

namespace q4t {

namespace {
const char* const kKindKey = "Sheets/kind";
const char* const kCapKey = "Sheets/legendCapMm";
const char* const kGapKey = "Sheets/legendGapMm";

QDoubleSpinBox* millimetres(double minimum, double maximum, double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(minimum, maximum);
  box->setDecimals(1);
  box->setSingleStep(0.5);
  box->setSuffix(QStringLiteral(" mm"));
  box->setValue(value);
  return box;
}
}  // namespace

SheetOptions SheetDialog::savedOptions() {
  const QSettings settings;
  SheetOptions options;
  if (settings.value(QLatin1String(kKindKey)).toString() == QLatin1String("legends")) options.kind = SheetKind::Legends;
  // Settings edited by hand must not give boxes of no size or larger than a page.
  options.capMm = std::clamp(settings.value(QLatin1String(kCapKey), options.capMm).toDouble(), kMinCapMm, kMaxCapMm);
  options.gapMm = std::clamp(settings.value(QLatin1String(kGapKey), options.gapMm).toDouble(), 0.0, kMaxGapMm);
  return options;
}

SheetDialog::SheetDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Sheet"));
  const SheetOptions saved = savedOptions();
  layoutChoice_ = new QRadioButton(tr("&Layout sheet: the keyboard with values, labels and counters"), this);
  legendsChoice_ = new QRadioButton(tr("Legend &inserts: one box per key, to cut out"), this);
  (saved.kind == SheetKind::Legends ? legendsChoice_ : layoutChoice_)->setChecked(true);
  capMm_ = millimetres(kMinCapMm, kMaxCapMm, saved.capMm, this);
  gapMm_ = millimetres(0, kMaxGapMm, saved.gapMm, this);
  auto* sizes = new QFormLayout;
  sizes->addRow(tr("&Key cap (single key):"), capMm_);
  sizes->addRow(tr("&Gap between caps:"), gapMm_);
  auto* note = new QLabel(tr("Print at 100 %: switch off any scaling (\"Fit to page\") in the print "
                             "dialog, so that the inserts measure what is set here."), this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  const auto followChoice = [this] {
    capMm_->setEnabled(legendsChoice_->isChecked());
    gapMm_->setEnabled(legendsChoice_->isChecked());
  };
  connect(legendsChoice_, &QRadioButton::toggled, this, followChoice);
  followChoice();
  auto* column = new QVBoxLayout(this);
  column->addWidget(layoutChoice_);
  column->addWidget(legendsChoice_);
  column->addLayout(sizes);
  column->addWidget(note);
  column->addWidget(buttons);
}

SheetOptions SheetDialog::options() const {
  return {legendsChoice_->isChecked() ? SheetKind::Legends : SheetKind::Layout, capMm_->value(), gapMm_->value()};
}

void SheetDialog::accept() {
  QSettings settings;
  const SheetOptions chosen = options();
  settings.setValue(QLatin1String(kKindKey), chosen.kind == SheetKind::Legends ? "legends" : "layout");
  settings.setValue(QLatin1String(kCapKey), chosen.capMm);
  settings.setValue(QLatin1String(kGapKey), chosen.gapMm);
  QDialog::accept();
}

}  // namespace q4t
