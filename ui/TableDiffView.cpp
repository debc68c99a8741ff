#include "ui/TableDiffView.h"

#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "docview/DialogUnits.h"

namespace q4t {

namespace {

enum Column { kNumber, kLabel, kOld, kNew, kChange, kColumnCount };

QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

QString shapeChange(const KeyChange& change) {
  if (change.oldSize == change.newSize)
    return change.partOf >= 0 ? TableDiffView::tr("under key %1").arg(change.partOf) : QString();
  const QString shapes = text(shapeName(change.oldSize) + " -> " + shapeName(change.newSize));
  if (change.newSize == KeySize::Single) return TableDiffView::tr("split: %1").arg(shapes);
  if (change.oldSize == KeySize::Single) return TableDiffView::tr("merged: %1").arg(shapes);
  return shapes;
}

QString keyOrNone(int key) { return key < 0 ? TableDiffView::tr("none") : TableDiffView::tr("key %1").arg(key); }

// A group's heading spans the row; the group is open.
QTreeWidgetItem* addGroup(QTreeWidget& list, const QString& heading) {
  auto* group = new QTreeWidgetItem(&list, {heading});
  group->setFirstColumnSpanned(true);
  QFont bold = list.font();
  bold.setBold(true);
  group->setFont(0, bold);
  group->setExpanded(true);
  return group;
}

// Numbers line up on the right.
void addRow(QTreeWidgetItem* group, const QStringList& texts, std::initializer_list<int> numbers) {
  auto* row = new QTreeWidgetItem(group, texts);
  for (const int column : numbers) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

TableDiffView::TableDiffView(QWidget* parent)
    : QWidget(parent), summary_(new QLabel(this)), list_(new QTreeWidget(this)) {
  summary_->setWordWrap(true);
  QFont bold = summary_->font();
  bold.setBold(true);
  summary_->setFont(bold);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  list_->setColumnCount(kColumnCount);
  list_->setHeaderLabels({tr("No."), tr("Label"), tr("Old"), tr("New"), tr("Change")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setUniformRowHeights(true);
  const int widths[] = {28, 90, 40, 40};
  for (int column = 0; column < kChange; ++column)
    list_->setColumnWidth(column, docview::dialogUnitsToPixelsX(widths[column]));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(summary_);
  layout->addWidget(list_);
}

void TableDiffView::showDiff(const TableDiff& diff, const QString& sameText) {
  summary_->setText(diff.keyboardSame() && !sameText.isEmpty() ? sameText : text(diffSummary(diff)));
  list_->clear();
  if (!diff.keys.empty()) addKeys(diff);
  if (!diff.counters.empty()) addCounters(diff);
  if (!diff.labels.empty()) addLabels(diff);
}

void TableDiffView::addKeys(const TableDiff& diff) {
  QTreeWidgetItem* group = addGroup(*list_, tr("Keys"));
  for (const KeyChange& change : diff.keys)
    addRow(group, {QString::number(change.key), text(change.label), QString::number(change.oldValue),
                   QString::number(change.newValue), shapeChange(change)},
           {kNumber, kOld, kNew});
}

void TableDiffView::addCounters(const TableDiff& diff) {
  QTreeWidgetItem* group = addGroup(*list_, tr("TCO counters"));
  for (const CounterChange& change : diff.counters)
    addRow(group, {QString::number(change.counter), QString(), keyOrNone(change.oldKey), keyOrNone(change.newKey),
                   QString::fromLatin1(moveName(change.move()))},
           {kNumber});
}

void TableDiffView::addLabels(const TableDiff& diff) {
  QTreeWidgetItem* group = addGroup(*list_, tr("Labels (kept in the files, they never reach the keyboard)"));
  for (const LabelChange& change : diff.labels)
    addRow(group, {QString::number(change.key), QString(), text(change.oldLabel), text(change.newLabel),
                   tr("label")},
           {kNumber});
}

}  // namespace q4t
