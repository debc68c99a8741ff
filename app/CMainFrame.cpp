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
// The edit and pane keys of the accelerator table: no command of them is handled.
const QKeyCombination kUnhandledKeys[] = {
    Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert,  Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert,
    Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete, Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace,
    QKeyCombination(Qt::Key_F6), Qt::SHIFT | Qt::Key_F6};

// Shift+F10 asks the focused control for its context menu, as the Menu key does.
bool openContextMenuByKey(QWidget* control) {
  const QPoint pos = control->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent request(QContextMenuEvent::Keyboard, pos, control->mapToGlobal(pos));
  QCoreApplication::sendEvent(control, &request);
  return true;
}

bool isUnhandledKey(const QKeyEvent& key) {
  return std::find(std::begin(kUnhandledKeys), std::end(kUnhandledKeys), key.keyCombination()) !=
         std::end(kUnhandledKeys);
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
  for (int i = 0; i < kRecentShown; ++i) add(cmd::kFirstRecentFile + i, "Recent File", "Open this document");
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
  noChildMenus_ = {createFileMenu(false), createMenu(tr("&View"), {cmd::kViewToolbar, cmd::kViewStatusBar, cmd::kViewKeyLabels}),
                   createMenu(tr("&Help"), {cmd::kAbout})};
  childMenus_ = {createFileMenu(true), createMenu(tr("&KeyTable"), {cmd::kUpload, cmd::kDownload, cmd::kRollOut}),
                 createMenu(tr("&Interface"), {cmd::kPort}),
                 createMenu(tr("&View"), {cmd::kViewToolbar, cmd::kViewStatusBar, cmd::kViewKeyLabels}),
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
  // Edit and pane keys: taken by the main window, handled by nobody.
  for (const QKeyCombination keys : kUnhandledKeys) new QShortcut(QKeySequence(keys), this);
}

void CMainFrame::createKeyLabelsDock() {
  keyLabelsDock_ = new QDockWidget(tr("Key Labels"), this);
  keyLabelsDock_->setObjectName(QStringLiteral("keyLabelsDock"));
  addDockWidget(Qt::BottomDockWidgetArea, keyLabelsDock_);
  keyLabelsDock_->hide();
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
  return std::nullopt;
}

void CMainFrame::runCommand(int id) {
  if (id == cmd::kViewToolbar) toolBar_->setVisible(!toolBar_->isVisible());
  if (id == cmd::kViewStatusBar) statusBar()->setVisible(!statusBar()->isVisible());
  if (id == cmd::kViewKeyLabels) keyLabelsDock_->setVisible(!keyLabelsDock_->isVisible());
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
  // The accelerators come before the focused control: a text field of a
  // child window must not copy, cut, paste or undo with them.
  if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
      workspace_->isAncestorOf(static_cast<QWidget*>(watched)) && isUnhandledKey(*static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (exitHandler_ && !exitHandler_()) event->ignore();
}

}  // namespace q4t
