#include "print/SheetDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

#include "print/InsertLegends.h"

namespace q4t {

namespace {
const char* const kKindKey = "Sheets/kind";
const char* const kCapKey = "Sheets/legendCapMm";
const char* const kGapKey = "Sheets/legendGapMm";
const char* const kOneTextSizeKey = "Sheets/oneTextSize";
const char* const kAsKeyboardKey = "Sheets/asKeyboard";

QDoubleSpinBox* millimetres(double minimum, double maximum, double value, QWidget* parent) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(minimum, maximum);
  box->setDecimals(1);
  box->setSingleStep(0.5);
  box->setSuffix(QStringLiteral(" mm"));
  box->setValue(value);
  return box;
}

QCheckBox* checkBox(const QString& text, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setChecked(checked);
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
  options.oneTextSize = settings.value(QLatin1String(kOneTextSizeKey), options.oneTextSize).toBool();
  options.asKeyboard = settings.value(QLatin1String(kAsKeyboardKey), options.asKeyboard).toBool();
  return options;
}

SheetDialog::SheetDialog(const KeyTable& table, QWidget* parent) : QDialog(parent), table_(table) {
  setWindowTitle(tr("Sheet"));
  const SheetOptions saved = savedOptions();
  layoutChoice_ = new QRadioButton(tr("&Layout sheet: the keyboard with values, labels and counters"), this);
  legendsChoice_ = new QRadioButton(tr("Legend &inserts: one box per key, to cut out"), this);
  (saved.kind == SheetKind::Legends ? legendsChoice_ : layoutChoice_)->setChecked(true);
  capMm_ = millimetres(kMinCapMm, kMaxCapMm, saved.capMm, this);
  gapMm_ = millimetres(0, kMaxGapMm, saved.gapMm, this);
  oneTextSize_ = checkBox(tr("&One text size for all inserts"), saved.oneTextSize, this);
  asKeyboard_ = checkBox(tr("&Arrange as on the keyboard"), saved.asKeyboard, this);
  auto* sizes = new QFormLayout;
  sizes->addRow(tr("&Key cap (single key):"), capMm_);
  sizes->addRow(tr("&Gap between caps:"), gapMm_);
  sizes->addRow(oneTextSize_);
  sizes->addRow(asKeyboard_);
  notFitting_ = new QListWidget(this);
  notFitting_->setSelectionMode(QAbstractItemView::NoSelection);
  notFitting_->setMaximumHeight(notFitting_->fontMetrics().height() * 6);
  notFittingTitle_ = new QLabel(tr("These labels do not fit their inserts and are shown cut:"), this);
  auto* note = new QLabel(tr("Print at 100 %: switch off any scaling (\"Fit to page\") in the print "
                             "dialog, so that the inserts measure what is set here."), this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(legendsChoice_, &QRadioButton::toggled, this, &SheetDialog::followChoice);
  for (QDoubleSpinBox* size : {capMm_, gapMm_})
    connect(size, &QDoubleSpinBox::valueChanged, this, &SheetDialog::followChoice);
  auto* column = new QVBoxLayout(this);
  column->addWidget(layoutChoice_);
  column->addWidget(legendsChoice_);
  column->addLayout(sizes);
  column->addWidget(notFittingTitle_);
  column->addWidget(notFitting_);
  column->addWidget(note);
  column->addWidget(buttons);
  followChoice();
}

// The insert settings serve the inserts only; the labels that do not fit
// depend on the sizes alone.
void SheetDialog::followChoice() {
  const bool legends = legendsChoice_->isChecked();
  for (QWidget* setting : std::initializer_list<QWidget*>{capMm_, gapMm_, oneTextSize_, asKeyboard_})
    setting->setEnabled(legends);
  const QStringList cut = legends ? InsertLegends(table_, options()).notFitting() : QStringList{};
  notFitting_->clear();
  notFitting_->addItems(cut);
  notFitting_->setVisible(!cut.isEmpty());
  notFittingTitle_->setVisible(!cut.isEmpty());
}

SheetOptions SheetDialog::options() const {
  return {legendsChoice_->isChecked() ? SheetKind::Legends : SheetKind::Layout, capMm_->value(), gapMm_->value(),
          oneTextSize_->isChecked(), asKeyboard_->isChecked()};
}

void SheetDialog::accept() {
  QSettings settings;
  const SheetOptions chosen = options();
  settings.setValue(QLatin1String(kKindKey), chosen.kind == SheetKind::Legends ? "legends" : "layout");
  settings.setValue(QLatin1String(kCapKey), chosen.capMm);
  settings.setValue(QLatin1String(kGapKey), chosen.gapMm);
  settings.setValue(QLatin1String(kOneTextSizeKey), chosen.oneTextSize);
  settings.setValue(QLatin1String(kAsKeyboardKey), chosen.asKeyboard);
  QDialog::accept();
}

}  // namespace q4t
