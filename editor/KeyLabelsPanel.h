// The content of the "Key Labels" window: the shown keys of the active key
// layout view with their labels, editable in place. The key of the current
// row is marked on its button while the list is shown; the keyboard focus
// stays where it is. A key button that gets the focus makes its row current.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QTableView;

namespace q4t {

class CQ4TForm;
class KeyButton;
class KeyLabelsModel;
class KeyLabelsView;

class KeyLabelsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit KeyLabelsPanel(QWidget* parent = nullptr);

  // The view whose keys are listed; null empties the list.
  void follow(CQ4TForm* form);
  // A label being typed is taken, before a command acts on the table.
  void commitEdit();

  QTableView& table() const;
  KeyLabelsModel& model() const { return *model_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void markCurrentKey();
  void showLabelSource();
  void selectRowOfKey(QWidget* focused);

  KeyLabelsModel* model_;
  KeyLabelsView* view_;
  QLabel* sourceNote_;
  QPointer<KeyButton> marked_;
  QMetaObject::Connection keysChanged_;
  QMetaObject::Connection labelSourceChanged_;
  QMetaObject::Connection formGone_;
};

}  // namespace q4t
