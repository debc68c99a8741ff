// The shown keys of one key layout view as table rows in grid order, top row
// first: key (its section number), value and label, the label editable.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace q4t {

class CQ4TForm;

class KeyLabelsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { KeyColumn, ValueColumn, LabelColumn, ColumnCount };

  explicit KeyLabelsModel(QObject* parent = nullptr);

  // Shows form's keys; null empties the table.
  void setForm(CQ4TForm* form);
  CQ4TForm* form() const { return form_; }
  // Follows the view's table: rows anew when the shown keys changed, else the texts.
  void refresh();

  int keyAt(int row) const { return keys_.at(static_cast<std::size_t>(row)); }
  int rowOf(int k) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  std::vector<int> shownKeysOfForm() const;

  QPointer<CQ4TForm> form_;
  std::vector<int> keys_;
};

}  // namespace q4t
