#include "ui/KeyboardHistoryDlg.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "docview/DialogButton.h"
#include "docview/DialogUnits.h"
#include "model/KeyTableFile.h"
#include "ui/ListDialog.h"
#include "ui/ProgramMessage.h"
#include "ui/TableCompareDlg.h"

namespace q4t {

namespace {

enum Column { kDate, kKind, kChanged, kSource, kColumnCount };
constexpr int kRowRole = Qt::UserRole;
constexpr std::size_t kRowsPerPass = 25;  // a few milliseconds of reading between two looks at the events
constexpr int kOpenId = 3;
constexpr int kCompareId = 4;
constexpr int kRestoreId = 5;

// The keyboard's bytes are Latin-1 like every text it reports; control characters show as "?".
QString serialText(const std::string& serial) {
  if (serial.empty()) return KeyboardHistoryDlg::tr("(serial number not set)");
  QString text = QString::fromLatin1(serial.data(), static_cast<qsizetype>(serial.size()));
  for (QChar& c : text)
    if (c.category() == QChar::Other_Control) c = QLatin1Char('?');
  return text;
}

QString dateText(const SnapshotName& name) {
  const QString date = QString::fromStdString(stampDateText(name.stamp));
  return name.sequence > 1 ? QStringLiteral("%1 (%2)").arg(date).arg(name.sequence) : date;
}

}  // namespace

KeyboardHistoryDlg::KeyboardHistoryDlg(const SnapshotStore& store, HistoryActions actions, QWidget* parent)
    : QDialog(parent), actions_(std::move(actions)), list_(new QTreeWidget(this)) {
  QBoxLayout& layout = setUpListDialog(*this, tr("Keyboard History"), 330, 220);
  auto* where = new QLabel(tr("Tables kept in %1:").arg(QString::fromStdString(store.root().string())), this);
  where->setTextFormat(Qt::PlainText);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout.addWidget(where);
  list_->setColumnCount(kColumnCount);
  list_->setHeaderLabels({tr("Date"), tr("Kind"), tr("Changed keys"), tr("Source file")});
  list_->setUniformRowHeights(true);
  list_->setColumnWidth(kDate, docview::dialogUnitsToPixelsX(100));
  list_->setColumnWidth(kKind, docview::dialogUnitsToPixelsX(35));
  list_->setColumnWidth(kChanged, docview::dialogUnitsToPixelsX(50));
  layout.addWidget(list_);
  addButtons();
  listKeyboards(store);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &KeyboardHistoryDlg::followSelection);
  connect(list_, &QTreeWidget::itemActivated, this, [this] {
    if (openButton_->isEnabled()) openSelected();
  });
  connect(&reading_, &QTimer::timeout, this, [this] { readSome(kRowsPerPass); });
  reading_.start(0);
  followSelection();
}

void KeyboardHistoryDlg::addButtons() {
  QHBoxLayout& buttons = addButtonRow(*static_cast<QBoxLayout*>(layout()));
  openButton_ = addRowButton(buttons, tr("&Open"), kOpenId);
  compareButton_ = addRowButton(buttons, tr("&Compare"), kCompareId);
  restoreButton_ = addRowButton(buttons, tr("&Restore"), kRestoreId);
  QPushButton* close = addRowButton(buttons, tr("Close"), docview::kCancelButtonId);
  connect(openButton_, &QPushButton::clicked, this, &KeyboardHistoryDlg::openSelected);
  connect(compareButton_, &QPushButton::clicked, this, &KeyboardHistoryDlg::compareSelected);
  connect(restoreButton_, &QPushButton::clicked, this, &KeyboardHistoryDlg::restoreSelected);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void KeyboardHistoryDlg::listKeyboards(const SnapshotStore& store) {
  for (const KeyboardFolder& keyboard : store.keyboards()) {
    std::vector<SnapshotInfo> kept = store.listSnapshots(keyboard.serial);
    auto* heading = new QTreeWidgetItem(list_, {tr("Keyboard %1").arg(serialText(keyboard.serial))});
    heading->setFirstColumnSpanned(true);
    for (SnapshotInfo& info : kept) {
      auto* item = new QTreeWidgetItem(heading, {dateText(info.name), QString::fromLatin1(kindName(info.name.kind)),
                                                 QStringLiteral("..."), QString()});
      item->setData(kDate, kRowRole, static_cast<int>(rows_.size()));
      item->setTextAlignment(kChanged, Qt::AlignRight | Qt::AlignVCenter);
      rows_.push_back({keyboard.serial, std::move(info), item, readers_.size()});
    }
    readers_.emplace_back();
    heading->setExpanded(true);
  }
  if (list_->topLevelItemCount() == 0)
    new QTreeWidgetItem(list_, {tr("No keyboard tables kept yet: every Download keeps the keyboard's table first.")});
}

void KeyboardHistoryDlg::readAll() { readSome(rows_.size()); }

void KeyboardHistoryDlg::readSome(std::size_t count) {
  for (; count > 0 && nextUnread_ < rows_.size(); --count, ++nextUnread_) {
    Row& row = rows_[nextUnread_];
    readers_[row.reader].read(row.info);
    row.read = true;
    showRead(row);
  }
  if (nextUnread_ == rows_.size()) reading_.stop();
  followSelection();
}

void KeyboardHistoryDlg::showRead(const Row& row) {
  const SnapshotInfo& info = row.info;
  row.item->setText(kChanged, info.keysChanged < 0 ? QStringLiteral("-") : QString::number(info.keysChanged));
  if (info.readable) {
    row.item->setText(kSource, QString::fromStdString(info.sourceFile));
    return;
  }
  row.item->setText(kSource, tr("unreadable: %1").arg(QString::fromStdString(info.readable.reason)));
  for (int column = 0; column < kColumnCount; ++column) row.item->setForeground(column, palette().placeholderText());
}

const KeyboardHistoryDlg::Row* KeyboardHistoryDlg::selectedRow() const {
  const QList<QTreeWidgetItem*> selected = list_->selectedItems();
  const QVariant index = selected.isEmpty() ? QVariant() : selected.first()->data(kDate, kRowRole);
  return index.isValid() ? &rows_[static_cast<std::size_t>(index.toInt())] : nullptr;
}

void KeyboardHistoryDlg::followSelection() {
  const Row* row = selectedRow();
  const bool usable = row && (!row->read || row->info.readable);
  openButton_->setEnabled(usable);
  restoreButton_->setEnabled(usable);
  compareButton_->setEnabled(usable && actions_.activeTable);
}

// The file is read again: it may have changed since it was listed.
bool KeyboardHistoryDlg::readSelected(KeyTable& table, QString& title) {
  const Row* row = selectedRow();
  if (!row) return false;
  const FileResult read = readKeyTable(row->info.path.string(), table);
  if (!read) {
    showProgramMessage(this, QMessageBox::Warning,
                       tr("%1 cannot be read as a key table:\n%2.")
                           .arg(QString::fromStdString(row->info.path.string()), QString::fromStdString(read.reason)));
    return false;
  }
  title = tableTitle(row->serial, row->info.name);
  return true;
}

void KeyboardHistoryDlg::openSelected() {
  KeyTable table;
  QString title;
  if (readSelected(table, title) && actions_.open(table, title)) accept();
}

void KeyboardHistoryDlg::compareSelected() {
  KeyTable table;
  QString title;
  if (!actions_.activeTable || !readSelected(table, title)) return;
  TableCompareDlg(table, title, *actions_.activeTable, actions_.activeTitle, this).exec();
}

void KeyboardHistoryDlg::restoreSelected() {
  KeyTable table;
  QString title;
  if (!readSelected(table, title) || !actions_.open(table, title)) return;
  accept();
  actions_.download();
}

QString KeyboardHistoryDlg::tableTitle(const std::string& serial, const SnapshotName& name) {
  return QStringLiteral("%1 %2 %3").arg(serialText(serial), dateText(name), QString::fromLatin1(kindName(name.kind)));
}

}  // namespace q4t
