// The main window: the workspace of child windows, the two menus, the
// toolbar, the accelerators, the status bar and F1.
#pragma once

#include <QMainWindow>
#include <functional>

#include "docview/CommandTarget.h"

class QDockWidget;
class QMdiArea;
class QMenu;
class QToolBar;
class QUndoGroup;
class QUndoStack;

namespace docview {
class CommandRouter;
class MdiChildFrame;
}  // namespace docview

namespace q4t {

class StatusPanes;

class CMainFrame : public QMainWindow, public docview::CommandTarget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 632;
  static constexpr int kHeight = 565;

  explicit CMainFrame(docview::CommandRouter& router);

  QMdiArea& workspace() const { return *workspace_; }
  StatusPanes& statusPanes() const { return *panes_; }
  QToolBar& toolBar() const { return *toolBar_; }
  // "Key Labels", at the bottom, hidden until View > Key Labels shows it.
  QDockWidget& keyLabelsDock() const { return *keyLabelsDock_; }
  // "Undo History", a tab beside Key Labels, hidden until View > Undo History shows it:
  // the active key layout window's undo stack.
  QDockWidget& undoHistoryDock() const { return *undoHistoryDock_; }
  QUndoGroup& undoGroup() const { return *undoGroup_; }
  // Undo, Redo and the Undo History follow the stack; null for none.
  void followUndoStack(QUndoStack* stack);
  // The child window that commands go to; null when there is none.
  docview::MdiChildFrame* activeChild() const;
  void showRecentFiles(const QStringList& paths);
  // Menu 129 and the document's title while a child window exists, else menu
  // 128 and the application title alone.
  void followActiveChild();

  // Asked when the user closes the main window; false keeps it open.
  void setExitHandler(std::function<bool()> exitHandler) { exitHandler_ = std::move(exitHandler); }
  // Opens the help for F1; false when there is none.
  void setHelpHandler(std::function<bool(QWidget*)> helpHandler) { helpHandler_ = std::move(helpHandler); }

  std::optional<docview::CommandState> commandState(int id) const override;
  void runCommand(int id) override;

 signals:
  void activeChildChanged();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createStatusBar();
  void createAccelerators();
  // A menu of the commands, 0 a separator.
  QMenu* createMenu(const QString& title, std::initializer_list<int> ids);
  void createKeyLabelsDock();
  void createUndoHistory();
  void showOrHide(QDockWidget& dock);
  QMenu* createFileMenu(bool withDocumentItems);
  bool handleHelpKey(QKeyEvent* key);

  docview::CommandRouter& router_;
  QMdiArea* workspace_;
  QToolBar* toolBar_ = nullptr;
  QDockWidget* keyLabelsDock_ = nullptr;
  QDockWidget* undoHistoryDock_ = nullptr;
  QUndoGroup* undoGroup_ = nullptr;
  StatusPanes* panes_ = nullptr;
  QList<QMenu*> noChildMenus_;
  QList<QMenu*> childMenus_;
  std::function<bool()> exitHandler_;
  std::function<bool(QWidget*)> helpHandler_;
};

}  // namespace q4t
