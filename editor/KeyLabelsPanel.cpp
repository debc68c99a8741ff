#include "editor/KeyLabelsPanel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include "editor/CQ4TForm.h"
#include "editor/KeyLabelsModel.h"
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
    : QWidget(parent), model_(new KeyLabelsModel(this)), view_(new QTableView(this)) {
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
  connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { focusKeyOfRow(current); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { selectRowOfKey(now); });
  view_->installEventFilter(this);
}

// Entering the list by the keyboard makes its first row current on its own:
// no choice of the user's, so the focus stays in the list.
bool KeyLabelsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::FocusIn && !view_->currentIndex().isValid() &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason && model_->rowCount() > 0) {
    selectingFromFocus_ = true;
    view_->setCurrentIndex(model_->index(0, KeyLabelsModel::LabelColumn));
    selectingFromFocus_ = false;
  }
  return QWidget::eventFilter(watched, event);
}

void KeyLabelsPanel::follow(CQ4TForm* form) {
  if (form == model_->form()) return;
  disconnect(keysChanged_);
  disconnect(formGone_);
  model_->setForm(form);
  if (!form) return;
  keysChanged_ = connect(form, &CQ4TForm::keysChanged, model_, &KeyLabelsModel::refresh);
  formGone_ = connect(form, &QObject::destroyed, this, [this] { follow(nullptr); });
}

void KeyLabelsPanel::focusKeyOfRow(const QModelIndex& current) {
  CQ4TForm* form = model_->form();
  if (selectingFromFocus_ || !form || !current.isValid()) return;
  form->layout().button(model_->keyAt(current.row()))->setFocus(Qt::OtherFocusReason);
}

void KeyLabelsPanel::selectRowOfKey(QWidget* focused) {
  CQ4TForm* form = model_->form();
  auto* button = qobject_cast<KeyButton*>(focused);
  if (!form || !button || button->parentWidget() != form) return;
  const int row = model_->rowOf(button->index());
  if (row < 0) return;
  selectingFromFocus_ = true;
  // The label's cell is current, so that typing there starts a new label.
  view_->setCurrentIndex(model_->index(row, KeyLabelsModel::LabelColumn));
  view_->scrollTo(view_->currentIndex());
  selectingFromFocus_ = false;
}

}  // namespace q4t
