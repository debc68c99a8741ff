#include "editor/DownloadKeeping.h"

#include <QGuiApplication>
#include <QMessageBox>

#include "ui/DownloadPreviewDlg.h"
#include "ui/ProgramMessage.h"

namespace q4t {

DownloadKeeping::DownloadKeeping(KeyboardLink& link, const KeyTable& table, QWidget* dialogParent)
    : link_(link), table_(table), dialogParent_(dialogParent) {}

// The store's folder is looked up afresh, as XDG_DATA_HOME is now.
void DownloadKeeping::start(const std::string& sourceFile) {
  store_ = SnapshotStore();
  link_.ReadBeforeDownload(&store_, sourceFile);
}

void DownloadKeeping::tableKept(const KeyboardReading& reading, const SavedSnapshot& kept) {
  QMetaObject::invokeMethod(this, [this, reading, kept] { decide(reading, kept); }, Qt::QueuedConnection);
}

void DownloadKeeping::tableNotRead(const QString& lastStatus) {
  QMetaObject::invokeMethod(this, [this, lastStatus] { decideUnread(lastStatus); }, Qt::QueuedConnection);
}

void DownloadKeeping::writtenKept(const SavedSnapshot& kept) {
  if (kept.result) return;
  const QString reason = QString::fromStdString(kept.result.reason);
  QMetaObject::invokeMethod(
      this,
      [this, reason] {
        showProgramMessage(dialogParent_, QMessageBox::Warning,
                           tr("The keyboard holds the table now, but its copy could not be kept:\n%1").arg(reason));
      },
      Qt::QueuedConnection);
}

void DownloadKeeping::decide(const KeyboardReading& reading, const SavedSnapshot& kept) {
  const bool mayWrite = kept.result || downloadWithoutKeeping(tr("The keyboard's table could not be kept:\n%1")
                                                                  .arg(QString::fromStdString(kept.result.reason)));
  if (mayWrite && confirmDownload(reading.table, table_, dialogParent_)) startDownload();
  emit decided();
}

void DownloadKeeping::decideUnread(const QString& lastStatus) {
  if (downloadWithoutKeeping(tr("The keyboard's table could not be read (%1).").arg(lastStatus))) startDownload();
  emit decided();
}

bool DownloadKeeping::downloadWithoutKeeping(const QString& why) {
  QMessageBox question(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                       why + tr("\nNothing was written to the keyboard.\n\nDownload without keeping the "
                                "keyboard's table? It cannot be restored afterwards."),
                       QMessageBox::Yes | QMessageBox::No, dialogParent_);
  question.setDefaultButton(QMessageBox::No);
  return question.exec() == QMessageBox::Yes;
}

// The link may have moved on while a dialog was up (the window went, the
// port changed): only an idle link starts the write.
void DownloadKeeping::startDownload() {
  if (link_.phase() == LinkPhase::Idle || link_.phase() == LinkPhase::Unlinked) link_.Download();
}

}  // namespace q4t
