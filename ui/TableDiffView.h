// The difference of two key tables as a list: the summary line, then a group
// each for the keys, the counters and the labels that change, one row per
// change, as `q4t diff` prints them.
#pragma once

#include <QWidget>

#include "model/TableDiff.h"

class QLabel;
class QTreeWidget;

namespace q4t {

class TableDiffView : public QWidget {
  Q_OBJECT
 public:
  explicit TableDiffView(QWidget* parent = nullptr);

  // sameText replaces the summary when the keyboard would hold the same
  // table from both; label changes are listed all the same.
  void showDiff(const TableDiff& diff, const QString& sameText);

  QLabel& summary() const { return *summary_; }
  QTreeWidget& list() const { return *list_; }

 private:
  void addKeys(const TableDiff& diff);
  void addCounters(const TableDiff& diff);
  void addLabels(const TableDiff& diff);

  QLabel* summary_;
  QTreeWidget* list_;
};

}  // namespace q4t
