// KeyTable > Roll Out to Keyboards...: the active window's table written to
// one keyboard after another on the ports ticked, each logged; a live list of
// the keyboards done (failures in red) with the totals. The work is Rollout's;
// this window only starts, stops and shows it.
#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

#include "link/Rollout.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace q4t {

class RolloutWindow : public QDialog {
  Q_OBJECT
 public:
  // The columns of the list of keyboards done.
  enum Column { PortColumn, SerialColumn, TimeColumn, SecondsColumn, ResultColumn };

  RolloutWindow(const KeyTable& table, const QString& tableFile, QWidget* parent = nullptr);
  ~RolloutWindow() override;

  // Start and Stop; false, after a message naming the cause, when nothing started.
  bool start();
  void stop();
  bool running() const { return rollout_ != nullptr; }

  QListWidget* portList() const { return ports_; }
  QLineEdit* logField() const { return logField_; }
  QPushButton* startButton() const { return startButton_; }
  QPushButton* stopButton() const { return stopButton_; }
  QTreeWidget* doneList() const { return doneList_; }
  QLabel* totalsLabel() const { return totalsText_; }
  QLabel* noteLabel() const { return note_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override { close(); }  // Esc closes, and so stops, as the frame's close box does

 private:
  void updateControls();
  QWidget* createPortList();
  QWidget* createLogRow();
  QWidget* createDoneList();
  std::vector<std::string> tickedPorts() const;
  void chooseLog();
  void showDone(const KeyboardDone& done);
  void showNote(const QString& port, const QString& text);
  void followRollout();

  KeyTable table_;
  QString tableFile_;
  std::unique_ptr<Rollout> rollout_;
  RolloutTotals totals_;
  QTimer following_;  // notices a roll-out that stopped by itself
  QListWidget* ports_ = nullptr;
  QLineEdit* logField_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QTreeWidget* doneList_ = nullptr;
  QLabel* totalsText_ = nullptr;
  QLabel* note_ = nullptr;
};

}  // namespace q4t
