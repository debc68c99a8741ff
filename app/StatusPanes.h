// The status bar's panes: pane 0, a label that prompts, "Ready" and the link's
// status texts write into (its tool tip keeps the recent texts with their
// times and the cause of the last failure), then "CAP", "NUM" and "SCRL".
#pragma once

#include <QDateTime>
#include <QObject>
#include <QStringList>

class QLabel;
class QStatusBar;

namespace q4t {

class StatusPanes : public QObject {
  Q_OBJECT
 public:
  explicit StatusPanes(QStatusBar& statusBar);

  QLabel& messagePane() const { return *message_; }
  QString text() const;
  // A status text of the link: replaces the pane's text, painted at once.
  void showStatus(const QString& text);
  void showPrompt(const QString& prompt);
  // After a menu or toolbar prompt: the last status text again, else "Ready".
  void endPrompt();
  void noteCause(const QString& cause);
  void refreshLockKeys();

  static constexpr int kHistorySize = 12;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setText(const QString& text);
  void updateToolTip();

  QLabel* message_;
  QLabel* caps_;
  QLabel* num_;
  QLabel* scroll_;
  QString lastStatus_;
  QStringList history_;
  QString cause_;
};

}  // namespace q4t
