#include "tco/CTCOView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>

#include "ui/CommandIds.h"
#include "docview/CommandTarget.h"
#include "docview/DialogUnits.h"
#include "docview/Document.h"
#include "docview/FileNames.h"
#include "model/FileAccess.h"
#include "model/SnapshotNames.h"
#include "ui/ProgramMessage.h"

namespace q4t {

namespace {

constexpr int kCounterColumn = 0;
constexpr int kKeyLocationColumn = 1;
constexpr int kValueColumn = 2;

// The meanings of the counters the keyboard keeps for itself.
const char* const kFixedCounterNames[kFirstKeyCounter] = {
    "All keys", "Minutes", "MSR good read", "MSR bad read", "Keylock changes", "MSR total read"};

bool isForwardedCommand(int id) {
  return id == cmd::kReadTco || id == cmd::kHelpDevIzured || id == cmd::kDownload ||
         id == cmd::kUpload || id == cmd::kFileSave || id == cmd::kFileSaveAs;
}

QString keyLocationText(int counter, const TcoCounterSlot& slot) {
  if (counter < kFirstKeyCounter) return QString::fromLatin1(kFixedCounterNames[counter]);
  if (slot.ownerKey == kFreeSlot) return QStringLiteral("not used");
  return QString::number(slot.ownerKey);
}

// The keyboard's bytes, one character each, as they arrived.
QString fromKeyboard(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The chosen rows (every row when none is chosen) under the column titles, a
// tab between columns, ready to paste into a spreadsheet or a service record.
QString counterRowsText(const QTreeWidget& list) {
  QList<QTreeWidgetItem*> rows = list.selectedItems();
  if (rows.isEmpty()) {
    for (int i = 0; i < list.topLevelItemCount(); ++i) rows.append(list.topLevelItem(i));
  }
  std::sort(rows.begin(), rows.end(), [&list](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    return list.indexOfTopLevelItem(a) < list.indexOfTopLevelItem(b);
  });
  const QTreeWidgetItem* header = list.headerItem();
  QString text = QStringList{header->text(kCounterColumn), header->text(kKeyLocationColumn),
                             header->text(kValueColumn)}.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (const QTreeWidgetItem* row : rows) {
    text += QStringList{row->text(kCounterColumn), row->text(kKeyLocationColumn), row->text(kValueColumn)}
                .join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  return text;
}

// Shows a text from its beginning, as a fresh field does.
void showText(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

}  // namespace

CTCOView::CTCOView(LinkShared& shared, QWidget* parent) : View(parent), shared_(shared) {
  setFont(docview::formFont());
  resize(docview::dialogUnitSize(378, 132));

  // Created in tab order.
  serialNumberField_ = addTextField(tr("serial number"), 2, 140, 25, 11);
  manufactureDateField_ = addTextField(tr("date of manufacture"), 28, 139, 26, 38);
  programmingDateField_ = addTextField(tr("date of programming"), 54, 139, 26, 64);

  auto* detailsGroup = new QGroupBox(tr("device details"), this);
  docview::placeControl(detailsGroup, 3, 80, 139, 39);
  deviceDetailsField_ = new QPlainTextEdit(this);
  docview::placeControl(deviceDetailsField_, 5, 89, 135, 26);
  deviceDetailsField_->setReadOnly(true);
  deviceDetailsField_->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                               Qt::TextSelectableByKeyboard);
  deviceDetailsField_->setLineWrapMode(QPlainTextEdit::NoWrap);
  deviceDetailsField_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  deviceDetailsField_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  deviceDetailsField_->setTabChangesFocus(true);
  deviceDetailsField_->setFocusPolicy(Qt::StrongFocus);
  deviceDetailsField_->setAccessibleName(detailsGroup->title());

  licenseBox_ = new QCheckBox(tr("California driver license"), this);
  docview::placeControl(licenseBox_, 3, 122, 88, 10);
  // Only a user's click reports; SetCaliforniaLicense emits no clicked.
  connect(licenseBox_, &QCheckBox::clicked, this, &CTCOView::onLicenseClicked);

  counterList_ = new QTreeWidget(this);
  docview::placeControl(counterList_, 164, 8, 194, 117);
  counterList_->setRootIsDecorated(false);
  counterList_->setItemsExpandable(false);
  counterList_->setUniformRowHeights(true);
  counterList_->setSortingEnabled(false);
  counterList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  counterList_->setAccessibleName(tr("TCO counters"));
  addCounterListMenu();
}

// The list's context menu copies as Edit > Copy does.
void CTCOView::addCounterListMenu() {
  auto* copy = new QAction(tr("&Copy"), counterList_);
  connect(copy, &QAction::triggered, this, &CTCOView::copyCounterRows);
  auto* selectAll = new QAction(tr("Select &All"), counterList_);
  connect(selectAll, &QAction::triggered, counterList_, &QTreeWidget::selectAll);
  counterList_->addActions({copy, selectAll});
  counterList_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

CTCOView::~CTCOView() { emit displayDestroyed(this); }

void CTCOView::copyCounterRows() { QApplication::clipboard()->setText(counterRowsText(*counterList_)); }

QLineEdit* CTCOView::addTextField(const QString& label, int groupY, int groupWidth,
                                  int groupHeight, int fieldY) {
  auto* group = new QGroupBox(label, this);
  docview::placeControl(group, 3, groupY, groupWidth, groupHeight);
  auto* field = new QLineEdit(this);
  docview::placeControl(field, 5, fieldY, 135, 12);
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::ClickFocus);  // no tab stop
  field->setAccessibleName(label);
  return field;
}

bool CTCOView::initialUpdate() {
  if (document()) document()->setTitle(tr("TCO functions"));
  shared_.tcoOwnerForm = nullptr;
  setUpCounterList();
  return true;
}

void CTCOView::setUpCounterList() {
  counterList_->setHeaderLabels({tr("Counter"), tr("Key Location"), tr("Value")});
  QHeaderView* header = counterList_->header();
  header->setDefaultAlignment(Qt::AlignCenter);
  header->setStretchLastSection(false);
  header->setSectionsMovable(false);
  counterList_->setColumnWidth(kCounterColumn, 50);
  counterList_->setColumnWidth(kKeyLocationColumn, 120);
  counterList_->setColumnWidth(kValueColumn, 100);
}

std::optional<docview::CommandState> CTCOView::commandState(int id) const {
  if (isForwardedCommand(id) || id == cmd::kEditCopy) return docview::CommandState{};
  // Nothing here is edited: the key table's undo belongs to its own window.
  if (id == cmd::kEditUndo || id == cmd::kEditRedo || id == cmd::kEditPaste) return docview::CommandState{false};
  if (id == cmd::kExportCounters) return docview::CommandState{countersRead_};
  return std::nullopt;
}

void CTCOView::runCommand(int id) {
  if (id == cmd::kEditCopy) {
    copyCounterRows();
    return;
  }
  if (id == cmd::kExportCounters && countersRead_) {
    const QString suggested = QString::fromStdString(serialFolderName(readings_.serialNumber)) + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(this, tr("Export Counters"), suggested,
                                                      tr("CSV files (*.csv);;All Files (*.*)"));
    if (!path.isEmpty()) exportCounters(path);
    return;
  }
  if (!isForwardedCommand(id) || !shared_.tcoOwnerForm) return;
  auto* owner = dynamic_cast<docview::CommandTarget*>(shared_.tcoOwnerForm);
  if (!owner) return;
  // Carried out as in the owner's own window, where a command it shows
  // disabled (a transfer already running, say) cannot be issued.
  const std::optional<docview::CommandState> ownerState = owner->commandState(id);
  if (ownerState && !ownerState->enabled) return;
  // The owner may close this window; nothing of it is touched afterwards.
  owner->runCommand(id);
}

bool CTCOView::exportCounters(const QString& path) {
  const FileResult written = replaceFileContents(docview::nativePath(path), counterCsv(readings_, &labels_));
  if (!written)
    showProgramMessage(window(), QMessageBox::Warning,
                       tr("The counter readings could not be written to %1:\n%2")
                           .arg(docview::shownPath(path), QString::fromStdString(written.reason)));
  return written.ok;
}

void CTCOView::ShowCounters(const TcoCounterTable& counters) {
  readings_.counters = counters;
  countersRead_ = true;
  counterList_->clear();
  QList<QTreeWidgetItem*> rows;
  for (int counter = 0; counter < kCounterSlotCount; ++counter) {
    const TcoCounterSlot& slot = counters[static_cast<std::size_t>(counter)];
    auto* row = new QTreeWidgetItem(
        {QString::number(counter), keyLocationText(counter, slot), QString::number(slot.count)});
    for (int column = kCounterColumn; column <= kValueColumn; ++column) {
      row->setTextAlignment(column, Qt::AlignCenter);
    }
    rows.append(row);
  }
  counterList_->addTopLevelItems(rows);
}

void CTCOView::SetSerialNumber(const std::string& text) {
  readings_.serialNumber = text;
  serialNumber_ = fromKeyboard(text);
  showText(serialNumberField_, serialNumber_);
}

void CTCOView::SetManufactureDate(const std::string& text) {
  readings_.manufactureDate = text;
  showText(manufactureDateField_, fromKeyboard(text));
}

void CTCOView::SetProgrammingDate(const std::string& text) {
  readings_.programmingDate = text;
  showText(programmingDateField_, fromKeyboard(text));
}

void CTCOView::SetDeviceDetails(const std::string& text) {
  QString details = fromKeyboard(text);
  details.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  deviceDetailsField_->setPlainText(details);
}

void CTCOView::SetCaliforniaLicense(bool on) { licenseBox_->setChecked(on); }

void CTCOView::onLicenseClicked(bool checked) {
  if (!shared_.tcoOwnerForm) return;
  LinkPost post;
  post.message = LinkMessage{LinkEvent::CaliforniaLicenseChanged, checked ? 1 : 0, 0};
  shared_.tcoOwnerForm->PostToWindow(post);
}

}  // namespace q4t
