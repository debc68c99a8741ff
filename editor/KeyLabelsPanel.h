// The content of the "Key Labels" window: the shown keys of the active key
// layout view with their labels, editable in place. A selected row gives its
// key button the focus; a key button that gets the focus selects its row.
#pragma once

#include <QWidget>

class QTableView;

namespace q4t {

class CQ4TForm;
class KeyLabelsModel;

class KeyLabelsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit KeyLabelsPanel(QWidget* parent = nullptr);

  // The view whose keys are listed; null empties the list.
  void follow(CQ4TForm* form);

  QTableView& table() const { return *view_; }
  KeyLabelsModel& model() const { return *model_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void focusKeyOfRow(const QModelIndex& current);
  void selectRowOfKey(QWidget* focused);

  KeyLabelsModel* model_;
  QTableView* view_;
  QMetaObject::Connection keysChanged_;
  QMetaObject::Connection formGone_;
  bool selectingFromFocus_ = false;
};

}  // namespace q4t
