#include "editor/KeyLabelsModel.h"

#include <algorithm>

#include "editor/CQ4TForm.h"
#include "model/ShownKeys.h"

namespace q4t {

KeyLabelsModel::KeyLabelsModel(QObject* parent) : QAbstractTableModel(parent) {}

std::vector<int> KeyLabelsModel::shownKeysOfForm() const {
  std::vector<int> keys;
  if (form_)
    for (const ShownKey& key : shownKeys(form_->table())) keys.push_back(key.key);
  return keys;
}

void KeyLabelsModel::setForm(CQ4TForm* form) {
  beginResetModel();
  form_ = form;
  keys_ = shownKeysOfForm();
  endResetModel();
}

void KeyLabelsModel::refresh() {
  std::vector<int> keys = shownKeysOfForm();
  if (keys != keys_) {
    beginResetModel();
    keys_ = std::move(keys);
    endResetModel();
  } else if (!keys_.empty()) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
  }
}

int KeyLabelsModel::rowOf(int k) const {
  const auto found = std::find(keys_.begin(), keys_.end(), k);
  return found == keys_.end() ? -1 : static_cast<int>(found - keys_.begin());
}

int KeyLabelsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(keys_.size());
}

int KeyLabelsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant KeyLabelsModel::data(const QModelIndex& index, int role) const {
  // The view may be gone before the rows follow.
  if (!form_ || !index.isValid() || index.row() >= rowCount()) return {};
  const int k = keyAt(index.row());
  if (role == Qt::TextAlignmentRole && index.column() != LabelColumn)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  switch (index.column()) {
    case KeyColumn: return k;
    case ValueColumn: return form_->table().entry(k).value;
    default: return QString::fromStdString(form_->table().label(k));
  }
}

QVariant KeyLabelsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case KeyColumn: return tr("Key");
    case ValueColumn: return tr("Value");
    default: return tr("Label");
  }
}

Qt::ItemFlags KeyLabelsModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  return index.column() == LabelColumn ? flags | Qt::ItemIsEditable : flags;
}

bool KeyLabelsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!form_ || role != Qt::EditRole || index.column() != LabelColumn || index.row() >= rowCount()) return false;
  form_->setKeyLabel(keyAt(index.row()), value.toString());
  return true;
}

}  // namespace q4t
