#include "ui/RolloutWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "docview/FileNames.h"
#include "ui/CComPortDlg.h"
#include "ui/ProgramMessage.h"

namespace q4t {

namespace {

constexpr int kFollowMs = 500;
const QColor kFailedColor(200, 0, 0);

QString fromKeyboard(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

RolloutWindow::RolloutWindow(const KeyTable& table, const QString& tableFile, QWidget* parent)
    : QDialog(parent), table_(table), tableFile_(tableFile) {
  setWindowTitle(tr("Roll Out to Keyboards"));
  setWindowFlags(Qt::Window);
  setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Table: %1").arg(docview::shownPath(tableFile)), this));
  layout->addWidget(new QLabel(tr("Ports:"), this));
  layout->addWidget(createPortList());
  layout->addWidget(createLogRow());
  note_ = new QLabel(tr("Tick the ports, then Start; plug in one keyboard after another."), this);
  note_->setWordWrap(true);
  layout->addWidget(note_);
  layout->addWidget(createDoneList(), 1);
  totalsText_ = new QLabel(this);
  layout->addWidget(totalsText_);
  resize(760, 520);
  following_.setInterval(kFollowMs);
  connect(&following_, &QTimer::timeout, this, &RolloutWindow::followRollout);
  updateControls();
}

RolloutWindow::~RolloutWindow() { stop(); }

// The port dialog's names, a check box each.
QWidget* RolloutWindow::createPortList() {
  ports_ = new QListWidget(this);
  ports_->setFlow(QListView::LeftToRight);
  ports_->setWrapping(true);
  ports_->setResizeMode(QListView::Adjust);
  const QFontMetrics metrics = ports_->fontMetrics();
  ports_->setGridSize(QSize(metrics.horizontalAdvance(QStringLiteral("COM256")) + 3 * metrics.height(),
                            metrics.height() + 4));  // the boxes in columns
  ports_->setFixedHeight((metrics.height() + 4) * 5);
  ports_->setAccessibleName(tr("Ports"));
  for (int port = 1; port <= CComPortDlg::kPortCount; ++port) {
    auto* item = new QListWidgetItem(QStringLiteral("COM%1").arg(port), ports_);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
  }
  return ports_;
}

// The log beside the table by default: shop.q4t logs to shop-rollout.csv.
QWidget* RolloutWindow::createLogRow() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(tr("Log file:"), row));
  const QFileInfo table(tableFile_);
  logField_ = new QLineEdit(table.dir().filePath(table.completeBaseName() + QStringLiteral("-rollout.csv")), row);
  logField_->setAccessibleName(tr("Log file"));
  layout->addWidget(logField_, 1);
  browseButton_ = new QPushButton(tr("&Browse..."), row);
  connect(browseButton_, &QPushButton::clicked, this, &RolloutWindow::chooseLog);
  layout->addWidget(browseButton_);
  startButton_ = new QPushButton(tr("&Start"), row);
  stopButton_ = new QPushButton(tr("S&top"), row);
  connect(startButton_, &QPushButton::clicked, this, &RolloutWindow::start);
  connect(stopButton_, &QPushButton::clicked, this, &RolloutWindow::stop);
  layout->addWidget(startButton_);
  layout->addWidget(stopButton_);
  return row;
}

QWidget* RolloutWindow::createDoneList() {
  doneList_ = new QTreeWidget(this);
  doneList_->setRootIsDecorated(false);
  doneList_->setHeaderLabels({tr("Port"), tr("Serial number"), tr("Time"), tr("Seconds"), tr("Result")});
  doneList_->setAccessibleName(tr("Keyboards done"));
  doneList_->header()->setStretchLastSection(true);
  const int digit = doneList_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  for (const auto& [column, digits] : {std::pair{PortColumn, 8}, {SerialColumn, 16}, {TimeColumn, 10}, {SecondsColumn, 8}})
    doneList_->setColumnWidth(column, digits * digit);
  return doneList_;
}

void RolloutWindow::chooseLog() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Log file"), logField_->text(),
                                                    tr("CSV files (*.csv);;All Files (*.*)"), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);  // a log is added to
  if (!path.isEmpty()) logField_->setText(path);
}

std::vector<std::string> RolloutWindow::tickedPorts() const {
  std::vector<std::string> names;
  for (int row = 0; row < ports_->count(); ++row)
    if (ports_->item(row)->checkState() == Qt::Checked) names.push_back(ports_->item(row)->text().toStdString());
  return names;
}

bool RolloutWindow::start() {
  if (rollout_) return true;
  RolloutSettings settings;
  settings.ports = tickedPorts();
  settings.table = table_;
  settings.tableFile = docview::nativePath(tableFile_);
  settings.logPath = docview::nativePath(logField_->text());
  if (settings.ports.empty()) {
    showProgramMessage(this, QMessageBox::Warning, tr("Tick the ports the keyboards are plugged into."));
    return false;
  }
  // Called on the ports' threads: the window takes them on its own.
  auto rollout = std::make_unique<Rollout>(
      [this](const KeyboardDone& done) {
        QMetaObject::invokeMethod(this, [this, done] { showDone(done); }, Qt::QueuedConnection);
      },
      [this](const std::string& port, const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, p = QString::fromStdString(port), t = QString::fromStdString(text)] { showNote(p, t); },
            Qt::QueuedConnection);
      });
  if (const FileResult started = rollout->Start(settings); !started) {
    showProgramMessage(this, QMessageBox::Warning,
                       tr("The roll-out did not start; no keyboard was touched:\n%1")
                           .arg(QString::fromStdString(started.reason)));
    return false;
  }
  rollout_ = std::move(rollout);
  QStringList ports;
  for (const std::string& port : settings.ports) ports << QString::fromStdString(port);
  note_->setText(tr("Waiting for keyboards on %1.").arg(ports.join(QStringLiteral(", "))));
  updateControls();
  following_.start();
  return true;
}

// A keyboard in the middle of a download is taken out of transfer mode first.
void RolloutWindow::stop() {
  following_.stop();
  if (!rollout_) return;
  rollout_->Stop();
  const std::string failure = rollout_->failure();
  rollout_.reset();
  QCoreApplication::sendPostedEvents(this);  // the last keyboards reported before the word "stopped"
  note_->setText(failure.empty() ? tr("Stopped.") : QString::fromStdString(failure));
  updateControls();
}

// The settings can be changed only while no roll-out runs.
void RolloutWindow::updateControls() {
  startButton_->setEnabled(!running());
  stopButton_->setEnabled(running());
  ports_->setEnabled(!running());
  logField_->setEnabled(!running());
  browseButton_->setEnabled(!running());
}

void RolloutWindow::followRollout() {
  if (rollout_ && rollout_->finished()) stop();
}

void RolloutWindow::showDone(const KeyboardDone& done) {
  const QString serial = done.serialNumber.empty() ? tr("none") : fromKeyboard(done.serialNumber);
  auto* row = new QTreeWidgetItem(doneList_, {QString::fromStdString(done.port), serial,
                                              QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
                                              QString::number(done.seconds, 'f', 1), QString::fromStdString(done.result)});
  if (!done.verified)
    for (int column = PortColumn; column <= ResultColumn; ++column) row->setForeground(column, kFailedColor);
  doneList_->scrollToItem(row);
  ++totals_.done;
  if (done.verified) ++totals_.verified;
  const QString keyboards = totals_.done == 1 ? tr("1 keyboard") : tr("%1 keyboards").arg(totals_.done);
  totalsText_->setText(tr("%1: %2 verified, %3 failed").arg(keyboards).arg(totals_.verified).arg(totals_.failed()));
  QApplication::beep();
  QApplication::alert(this);
}

void RolloutWindow::showNote(const QString& port, const QString& text) { note_->setText(port + QStringLiteral(": ") + text); }

void RolloutWindow::closeEvent(QCloseEvent* event) {
  stop();
  QDialog::closeEvent(event);
}

}  // namespace q4t
