// The window's side of a Download that first keeps what the keyboard holds:
// the read is started here; when the table could not be read or kept the
// user is asked whether to download without keeping it (No by default);
// the preview shows what will change; a table written that could not be
// kept is reported.
#pragma once

#include <QObject>
#include <QString>

#include "link/KeyboardLink.h"
#include "model/SnapshotStore.h"

class QWidget;

namespace q4t {

class DownloadKeeping : public QObject {
  Q_OBJECT
 public:
  DownloadKeeping(KeyboardLink& link, const KeyTable& table, QWidget* dialogParent);

  const SnapshotStore& store() const { return store_; }

  // Reads the keyboard's table; the link goes on with one of the three below.
  void start(const std::string& sourceFile);
  // Each is called by the link from its event handling, so the dialogs are
  // shown once that has returned.
  void tableKept(const KeyboardReading& reading, const SavedSnapshot& kept);
  void tableNotRead(const QString& lastStatus);
  void writtenKept(const SavedSnapshot& kept);

 signals:
  // A Download was started or the link was left idle: menus follow.
  void decided();

 private:
  void decide(const KeyboardReading& reading, const SavedSnapshot& kept);
  void decideUnread(const QString& lastStatus);
  bool downloadWithoutKeeping(const QString& why);
  void startDownload();

  KeyboardLink& link_;
  const KeyTable& table_;
  QWidget* dialogParent_;
  SnapshotStore store_;
};

}  // namespace q4t
