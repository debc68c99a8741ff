#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUndoGroup>
#include <QUndoView>
#include <algorithm>
#include <iterator>

#include "ui/CommandIds.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/Document.h"
#include "docview/FileNames.h"
#include "docview/MdiChildFrame.h"

namespace q4t {

namespace {
constexpr int kRecentShown = 4;
constexpr int kGlyphWidth = 16;
constexpr int kGlyphHeight = 15;

struct ToolButton {
  int id;
  int glyph;
  const char* toolTip;
};
// Left to right, with the glyph's place in the strip.
const ToolButton kToolButtons[] = {
    {cmd::kFileOpen, 0, "Open Keytable"},         {cmd::kFileSave, 1, "Save Keytable"},
    {0, -1, nullptr},                              {cmd::kDownload, 2, "Download to Keyboard"},
    {cmd::kUpload, 3, "Upload from Keyboard"},     {cmd::kReadTco, 4, "Read TCO values"},
    {cmd::kPort, 5, "Connect with Keyboard"},
};
// The cut and pane keys of the accelerator table: no command of them is handled.
const QKeyCombination kUnhandledKeys[] = {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete,
                                          QKeyCombination(Qt::Key_F6), Qt::SHIFT | Qt::Key_F6};

struct EditKey {
  QKeyCombination keys;
  int id;
};
// The Edit menu's keys, the accelerator table's older ones among them.
const EditKey kEditKeys[] = {
    {Qt::CTRL | Qt::Key_Z, cmd::kEditUndo},  {Qt::ALT | Qt::Key_Backspace, cmd::kEditUndo},
    {Qt::CTRL | Qt::Key_Y, cmd::kEditRedo},  {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, cmd::kEditRedo},
    {Qt::CTRL | Qt::Key_C, cmd::kEditCopy},  {Qt::CTRL | Qt::Key_Insert, cmd::kEditCopy},
    {Qt::CTRL | Qt::Key_V, cmd::kEditPaste}, {Qt::SHIFT | Qt::Key_Insert, cmd::kEditPaste}};

// Shift+F10 asks the focused control for its context menu, as the Menu key does.
bool openContextMenuByKey(QWidget* control) {
  const QPoint pos = control->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent request(QContextMenuEvent::Keyboard, pos, control->mapToGlobal(pos));
  QCoreApplication::sendEvent(control, &request);
  return true;
}

// The keys the main window takes before any control of a child window.
bool isWindowKey(const QKeyEvent& key) {
  const QKeyCombination keys = key.keyCombination();
  return std::find(std::begin(kUnhandledKeys), std::end(kUnhandledKeys), keys) != std::end(kUnhandledKeys) ||
         std::any_of(std::begin(kEditKeys), std::end(kEditKeys), [keys](const EditKey& edit) { return edit.keys == keys; });
}

QString undoItemText(const QString& action) {
  return action.isEmpty() ? CMainFrame::tr("&Undo\tCtrl+Z") : CMainFrame::tr("&Undo %1\tCtrl+Z").arg(action);
}

QString redoItemText(const QString& action) {
  return action.isEmpty() ? CMainFrame::tr("&Redo\tCtrl+Y") : CMainFrame::tr("&Redo %1\tCtrl+Y").arg(action);
}
}  // namespace

CMainFrame::CMainFrame(docview::CommandRouter& router) : router_(router), workspace_(new QMdiArea(this)) {
  setWindowTitle(QGuiApplication::applicationDisplayName());
  resize(kWidth, kHeight);
  setCentralWidget(workspace_);
  connect(workspace_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* child) {
    // The caption follows a title that changes later too (a save under a new name).
    if (child) connect(child, &QWidget::windowTitleChanged, this, &CMainFrame::followActiveChild,
                       Qt::UniqueConnection);
    followActiveChild();
    emit activeChildChanged();
  });
  createActions();
  createMenus();
  createToolBar();
  createStatusBar();
  createAccelerators();
  createKeyLabelsDock();
  createUndoHistory();
  qApp->installEventFilter(this);
  followActiveChild();
}

void CMainFrame::createActions() {
  const auto add = [this](int id, const char* text, const char* prompt) {
    return router_.addCommand(id, QString::fromUtf8(text), QString::fromUtf8(prompt));
  };
  add(cmd::kFileNew, "&New\tCtrl+N", "Create a new document");
  add(cmd::kFileOpen, "&Open...\tCtrl+O", "Open an existing document");
  add(cmd::kFileClose, "&Close", "Close the active document");
  add(cmd::kFileSave, "&Save\tCtrl+S", "Save the active document");
  add(cmd::kFileSaveAs, "Save &As...", "Save the active document with a new name");
  add(cmd::kExit, "E&xit", "Display program information, version number and copyright");
  add(cmd::kUpload, "&Upload", "Read Keytable from Keyboard, don't press any key while upload");
  add(cmd::kDownload, "&Download", "Write Keytable to Keyboard, don't press any key while download");
  add(cmd::kPort, "&Port", "Connect to COM-Port");
  add(cmd::kReadTco, "Read TCO values", "Show TCO, don't press any key while read TCO");
  add(cmd::kViewToolbar, "&Toolbar", "Show or hide the toolbar")->setCheckable(true);
  add(cmd::kViewStatusBar, "&Status Bar", "Show or hide the status bar")->setCheckable(true);
  add(cmd::kViewKeyLabels, "&Key Labels", "Show or hide the list of the keys with their labels")->setCheckable(true);
  add(cmd::kFilePrint, "&Print...\tCtrl+P", "Print the layout sheet or the legend inserts");
  add(cmd::kFilePrintPreview, "Print Pre&view...", "Show the layout sheet or the legend inserts as printed");
  add(cmd::kFileExport, "&Export...", "Write the layout sheet or the legend inserts to a PDF, SVG or PNG file");
  add(cmd::kHelpDevIzured, "Dev Izured", "start Dev izured help");
  add(cmd::kAbout, "&About Q4TProgrammer...", "");
  add(cmd::kCompareWith, "&Compare With...", "Show what differs between a Keytable file and this window's Keytable");
  add(cmd::kKeyboardHistory, "Keyboard &History...", "Show the Keytables kept of each keyboard before and after download");
  for (int i = 0; i < kRecentShown; ++i) add(cmd::kFirstRecentFile + i, "Recent File", "Open this document");
  add(cmd::kEditUndo, "&Undo\tCtrl+Z", "Undo the last action");
  add(cmd::kEditRedo, "&Redo\tCtrl+Y", "Redo the previously undone action");
  add(cmd::kEditCopy, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard");
  add(cmd::kEditPaste, "&Paste\tCtrl+V", "Insert Clipboard contents");
  add(cmd::kViewUndoHistory, "&Undo History", "Show or hide the list of the edits that can be undone")
      ->setCheckable(true);
  add(cmd::kExportCounters, "Export &Counters...", "Save the counter readings of the TCO window as a CSV file");
  add(cmd::kRollOut, "&Roll Out to Keyboards...", "Write this table to one keyboard after another, on several ports at once");
}

QMenu* CMainFrame::createMenu(const QString& title, std::initializer_list<int> ids) {
  auto* menu = new QMenu(title, this);
  // Each entry an action of its own: one action in two menus is reported
  // invisible to screen readers in one of them.
  for (int id : ids) {
    if (id == 0) {
      menu->addSeparator();
    } else {
      menu->addAction(router_.addEntry(id));
    }
  }
  return menu;
}

QMenu* CMainFrame::createFileMenu(bool withDocumentItems) {
  const int r = cmd::kFirstRecentFile;
  if (!withDocumentItems)
    return createMenu(tr("&File"), {cmd::kFileNew, cmd::kFileOpen, 0, r, r + 1, r + 2, r + 3, 0, cmd::kExit});
  return createMenu(tr("&File"), {cmd::kFileNew, cmd::kFileOpen, cmd::kFileClose, cmd::kFileSave, cmd::kFileSaveAs, 0,
                                  cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kFileExport, 0, r, r + 1, r + 2, r + 3,
                                  0, cmd::kExit, 0, cmd::kExportCounters});
}

void CMainFrame::createMenus() {
  const auto viewMenu = [this] {
    return createMenu(tr("&View"), {cmd::kViewToolbar, cmd::kViewStatusBar, cmd::kViewKeyLabels, cmd::kViewUndoHistory});
  };
  noChildMenus_ = {createFileMenu(false), viewMenu(), createMenu(tr("&Help"), {cmd::kAbout})};
  childMenus_ = {createFileMenu(true),
                 createMenu(tr("&Edit"), {cmd::kEditUndo, cmd::kEditRedo, 0, cmd::kEditCopy, cmd::kEditPaste}),
                 createMenu(tr("&KeyTable"), {cmd::kUpload, cmd::kDownload, cmd::kCompareWith, cmd::kRollOut}),
                 createMenu(tr("&Interface"), {cmd::kPort, cmd::kKeyboardHistory}), viewMenu(),
                 createMenu(tr("&Help"), {cmd::kHelpDevIzured, cmd::kAbout})};

  for (QMenu* menu : noChildMenus_ + childMenus_) {
    // Enabled states are derived afresh before a menu opens.
    connect(menu, &QMenu::aboutToShow, &router_, &docview::CommandRouter::updateActions);
    connect(menu, &QMenu::aboutToHide, this, [this] { panes_->endPrompt(); });
  }
}

void CMainFrame::createToolBar() {
  toolBar_ = new QToolBar(tr("Toolbar"), this);
  toolBar_->setObjectName(QStringLiteral("toolbar59392"));
  toolBar_->setIconSize(QSize(kGlyphWidth, kGlyphHeight));
  toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
  toolBar_->setFloatable(true);
  toolBar_->setMovable(true);
  const QPixmap strip(QStringLiteral(":/resources/toolbar.png"));
  for (const ToolButton& button : kToolButtons) {
    if (button.id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* action = router_.action(button.id);
    action->setIcon(QIcon(strip.copy(button.glyph * kGlyphWidth, 0, kGlyphWidth, kGlyphHeight)));
    action->setToolTip(QString::fromUtf8(button.toolTip));
    toolBar_->addAction(action);
  }
  addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CMainFrame::createStatusBar() {
  statusBar()->setObjectName(QStringLiteral("statusbar59393"));
  panes_ = new StatusPanes(*statusBar());
}

void CMainFrame::createAccelerators() {
  const auto routed = [this](QKeySequence keys, int id) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, [this, id] { router_.run(id); });
  };
  routed(QKeySequence(Qt::CTRL | Qt::Key_N), cmd::kFileNew);
  routed(QKeySequence(Qt::CTRL | Qt::Key_O), cmd::kFileOpen);
  routed(QKeySequence(Qt::CTRL | Qt::Key_S), cmd::kFileSave);
  routed(QKeySequence(Qt::CTRL | Qt::Key_P), cmd::kFilePrint);
  for (const EditKey& edit : kEditKeys) routed(QKeySequence(edit.keys), edit.id);
  // Cut and pane keys: taken by the main window, handled by nobody.
  for (const QKeyCombination keys : kUnhandledKeys) new QShortcut(QKeySequence(keys), this);
}

void CMainFrame::createKeyLabelsDock() {
  keyLabelsDock_ = new QDockWidget(tr("Key Labels"), this);
  keyLabelsDock_->setObjectName(QStringLiteral("keyLabelsDock"));
  addDockWidget(Qt::BottomDockWidgetArea, keyLabelsDock_);
  keyLabelsDock_->hide();
}

void CMainFrame::createUndoHistory() {
  undoGroup_ = new QUndoGroup(this);
  undoHistoryDock_ = new QDockWidget(tr("Undo History"), this);
  undoHistoryDock_->setObjectName(QStringLiteral("undoHistoryDock"));
  auto* history = new QUndoView(undoGroup_, undoHistoryDock_);
  history->setEmptyLabel(tr("Window opened"));
  // The entry the file holds.
  history->setCleanIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  undoHistoryDock_->setWidget(history);
  // A tab beside the Key Labels window: the key layout window keeps its width
  // and the labels theirs.
  addDockWidget(Qt::BottomDockWidgetArea, undoHistoryDock_);
  tabifyDockWidget(keyLabelsDock_, undoHistoryDock_);
  undoHistoryDock_->hide();
  connect(undoGroup_, &QUndoGroup::undoTextChanged, this, [this](const QString& action) {
    for (QAction* item : router_.actions(cmd::kEditUndo)) item->setText(undoItemText(action));
  });
  connect(undoGroup_, &QUndoGroup::redoTextChanged, this, [this](const QString& action) {
    for (QAction* item : router_.actions(cmd::kEditRedo)) item->setText(redoItemText(action));
  });
  // The group's own actions change their enabled state only when the active
  // stack's does (an edit, undo or redo by any way, a click in the list among
  // them); the routed items follow then, greyed also while a transfer runs.
  for (QAction* stackAction : {undoGroup_->createUndoAction(this), undoGroup_->createRedoAction(this)})
    connect(stackAction, &QAction::enabledChanged, &router_, &docview::CommandRouter::updateActions);
  // A click in the list undoes or redoes too: not while Undo and Redo are greyed (a transfer runs).
  const auto followEnabled = [this, history] {
    history->setEnabled(router_.action(cmd::kEditUndo)->isEnabled() || router_.action(cmd::kEditRedo)->isEnabled());
  };
  for (int id : {cmd::kEditUndo, cmd::kEditRedo}) connect(router_.action(id), &QAction::enabledChanged, this, followEnabled);
}

void CMainFrame::followUndoStack(QUndoStack* stack) {
  if (stack) undoGroup_->addStack(stack);
  undoGroup_->setActiveStack(stack);
}

docview::MdiChildFrame* CMainFrame::activeChild() const {
  return qobject_cast<docview::MdiChildFrame*>(workspace_->currentSubWindow());
}

void CMainFrame::followActiveChild() {
  const docview::MdiChildFrame* child = activeChild();
  menuBar()->clear();
  for (QMenu* menu : child ? childMenus_ : noChildMenus_) menuBar()->addMenu(menu);
  QString caption = QGuiApplication::applicationDisplayName();
  if (child && child->document()) caption += QStringLiteral(" - ") + child->document()->title();
  setWindowTitle(caption);
}

void CMainFrame::showRecentFiles(const QStringList& paths) {
  for (int i = 0; i < kRecentShown; ++i) {
    const bool used = i < paths.size();
    for (QAction* action : router_.actions(cmd::kFirstRecentFile + i)) {
      action->setText(used ? QStringLiteral("&%1 %2").arg(i + 1).arg(docview::shownName(paths[i]))
                           : tr("Recent File"));
      action->setToolTip(used ? docview::shownPath(paths[i]) : QString());
      // Without entries the first place shows the greyed placeholder.
      action->setVisible(used || i == 0);
    }
  }
}

std::optional<docview::CommandState> CMainFrame::commandState(int id) const {
  if (id == cmd::kViewToolbar) return docview::CommandState{true, toolBar_->isVisible()};
  if (id == cmd::kViewStatusBar) return docview::CommandState{true, statusBar()->isVisible()};
  if (id == cmd::kViewKeyLabels) return docview::CommandState{true, keyLabelsDock_->isVisible()};
  if (id == cmd::kViewUndoHistory) return docview::CommandState{true, undoHistoryDock_->isVisible()};
  return std::nullopt;
}

void CMainFrame::runCommand(int id) {
  if (id == cmd::kViewToolbar) toolBar_->setVisible(!toolBar_->isVisible());
  if (id == cmd::kViewStatusBar) statusBar()->setVisible(!statusBar()->isVisible());
  if (id == cmd::kViewKeyLabels) showOrHide(*keyLabelsDock_);
  if (id == cmd::kViewUndoHistory) showOrHide(*undoHistoryDock_);
}

// Shown as the front tab when the other one is shown too.
void CMainFrame::showOrHide(QDockWidget& dock) {
  dock.setVisible(!dock.isVisible());
  if (dock.isVisible()) dock.raise();
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    // An item without a prompt empties the pane while its menu is open.
    if (!tip.isEmpty() || QApplication::activePopupWidget()) {
      panes_->showPrompt(tip);
    } else {
      panes_->endPrompt();
    }
    return true;
  }
  return QMainWindow::event(event);
}

bool CMainFrame::handleHelpKey(QKeyEvent* key) {
  // With a menu open F1 does nothing; in a modal dialog it asks for a general
  // help nobody gives, unless Shift, Ctrl or Alt pass it on to the main window.
  if (QApplication::activePopupWidget()) return true;
  const bool passedOn = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && !passedOn) return true;
  QWidget* active = QApplication::activeWindow();
  if (active != this && active != modal) return false;
  QWidget* owner = QApplication::focusWidget() ? QApplication::focusWidget() : active;
  return helpHandler_ && helpHandler_(owner);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1) return handleHelpKey(key);
    if (key->keyCombination() == (Qt::SHIFT | Qt::Key_F10) && !QApplication::activePopupWidget())
      return openContextMenuByKey(static_cast<QWidget*>(watched));
  }
  // The accelerators come before the focused control: in a child window the
  // Edit menu's commands copy, paste and undo, never a text field by itself.
  if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
      workspace_->isAncestorOf(static_cast<QWidget*>(watched)) && isWindowKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (exitHandler_ && !exitHandler_()) event->ignore();
}

}  // namespace q4t
