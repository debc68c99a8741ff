// "Keyboard History": the tables kept of each keyboard before and after its
// Downloads, under its serial number, oldest first. A kept table opens in a
// key layout window of its own, is compared with the active one, or is
// restored: opened and downloaded. The rows are listed by their file names at
// once; what reading each file tells (source file, changed keys, unreadable)
// fills in while the window is open, a few rows at a time.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <vector>

#include "model/SnapshotStore.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace q4t {

struct HistoryActions {
  const KeyTable* activeTable = nullptr;  // the active key layout window's; none greys Compare
  QString activeTitle;
  // A kept table in a key layout window of its own, under the title given;
  // false when no window opened.
  std::function<bool(const KeyTable&, const QString&)> open;
  // The Download of the window just opened.
  std::function<void()> download;
};

class KeyboardHistoryDlg : public QDialog {
  Q_OBJECT
 public:
  KeyboardHistoryDlg(const SnapshotStore& store, HistoryActions actions, QWidget* parent = nullptr);

  // Reads what is still unread at once.
  void readAll();

  QTreeWidget& list() const { return *list_; }
  QPushButton& openButton() const { return *openButton_; }
  QPushButton& compareButton() const { return *compareButton_; }
  QPushButton& restoreButton() const { return *restoreButton_; }

  // "12345 2026-12-08 10:31:07 before", the title of a kept table's window.
  static QString tableTitle(const std::string& serial, const SnapshotName& name);

 private:
  struct Row {
    std::string serial;
    SnapshotInfo info;
    QTreeWidgetItem* item = nullptr;
    std::size_t reader = 0;  // the keyboard's
    bool read = false;
  };

  void listKeyboards(const SnapshotStore& store);
  void addButtons();
  void readSome(std::size_t count);
  void showRead(const Row& row);
  const Row* selectedRow() const;
  bool readSelected(KeyTable& table, QString& title);
  void followSelection();
  void openSelected();
  void compareSelected();
  void restoreSelected();

  HistoryActions actions_;
  QTreeWidget* list_;
  QPushButton* openButton_ = nullptr;
  QPushButton* compareButton_ = nullptr;
  QPushButton* restoreButton_ = nullptr;
  std::vector<Row> rows_;
  std::vector<SnapshotReader> readers_;
  std::size_t nextUnread_ = 0;
  QTimer reading_;
};

}  // namespace q4t
