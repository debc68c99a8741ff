#include "editor/KeyLabelsPanel.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "editor/CQ4TForm.h"
#include "editor/KeyLabelsModel.h"
#include "editor/KeyLabelsView.h"
#include "editor/LabelLengthValidator.h"

namespace q4t {

namespace {
// The editor takes no more characters than a label keeps.
class LabelDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setValidator(new LabelLengthValidator(line));
    return editor;
  }
};
}  // namespace

KeyLabelsPanel::KeyLabelsPanel(QWidget* parent)
    : QWidget(parent), model_(new KeyLabelsModel(this)), view_(new KeyLabelsView(KeyLabelsModel::LabelColumn, this)),
      sourceNote_(new QLabel(this)) {
  view_->setObjectName(QStringLiteral("keyLabels"));
  view_->setModel(model_);
  view_->setItemDelegateForColumn(KeyLabelsModel::LabelColumn, new LabelDelegate(view_));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  view_->horizontalHeader()->setStretchLastSection(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  sourceNote_->setWordWrap(true);
  sourceNote_->setObjectName(QStringLiteral("labelSource"));
  sourceNote_->hide();
  layout->addWidget(sourceNote_);
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &KeyLabelsPanel::markCurrentKey);
  // A reset forgets the current row without a word.
  connect(model_, &QAbstractItemModel::modelReset, this, &KeyLabelsPanel::markCurrentKey);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { selectRowOfKey(now); });
}

QTableView& KeyLabelsPanel::table() const { return *view_; }

void KeyLabelsPanel::follow(CQ4TForm* form) {
  if (form == model_->form()) return;
  disconnect(keysChanged_);
  disconnect(formGone_);
  disconnect(labelSourceChanged_);
  model_->setForm(form);
  showLabelSource();
  if (!form) return;
  keysChanged_ = connect(form, &CQ4TForm::keysChanged, model_, &KeyLabelsModel::refresh);
  labelSourceChanged_ = connect(form, &CQ4TForm::labelSourceChanged, this, &KeyLabelsPanel::showLabelSource);
  formGone_ = connect(form, &QObject::destroyed, this, [this] { follow(nullptr); });
}

// Where an Upload's labels came from, under the list while it holds them.
void KeyLabelsPanel::showLabelSource() {
  const QString source = model_->form() ? model_->form()->labelSource() : QString();
  sourceNote_->setText(source);
  sourceNote_->setVisible(!source.isEmpty());
}

void KeyLabelsPanel::commitEdit() { view_->commitOpenEditor(); }

void KeyLabelsPanel::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  markCurrentKey();
}

void KeyLabelsPanel::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  markCurrentKey();
}

void KeyLabelsPanel::markCurrentKey() {
  const QModelIndex current = view_->currentIndex();
  CQ4TForm* form = model_->form();
  KeyButton* now =
      form && current.isValid() && isVisible() ? form->layout().button(model_->keyAt(current.row())) : nullptr;
  if (now == marked_) return;
  if (marked_) marked_->setMarkedCurrent(false);
  marked_ = now;
  if (marked_) marked_->setMarkedCurrent(true);
}

void KeyLabelsPanel::selectRowOfKey(QWidget* focused) {
  CQ4TForm* form = model_->form();
  auto* button = qobject_cast<KeyButton*>(focused);
  if (!form || !button || button->parentWidget() != form) return;
  const int row = model_->rowOf(button->index());
  if (row < 0) return;
  view_->setCurrentIndex(model_->index(row, KeyLabelsModel::LabelColumn));
  view_->scrollTo(view_->currentIndex());
}

}  // namespace q4t
