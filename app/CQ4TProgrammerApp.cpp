#include "app/CQ4TProgrammerApp.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QFileDialog>
#include <QIcon>
#include <QMdiArea>
#include <QMessageBox>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CMyQ4TProgrammerDoc.h"
#include "app/CQ4TFrame.h"
#include "ui/CommandIds.h"
#include "app/HelpLauncher.h"
#include "app/OpenFileDialog.h"
#include "app/SheetCommands.h"
#include "app/TableHistoryCommands.h"
#include "app/StatusPanes.h"
#include "app/UiTranslator.h"
#include "ui/ProgramMessage.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/FileNames.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "editor/CQ4TForm.h"
#include "editor/KeyLabelsPanel.h"
#include "link/LinkShared.h"
#include "model/KeyTableFile.h"
#include "tco/CTCOFrame.h"
#include "tco/CTCOView.h"

namespace q4t {

namespace {
const char* const kOpenPortError = "ERROR: Open COM Port";
const char* const kDocumentName = "Q4T Layout";

bool isMissing(const QString& path) {
  std::error_code error;
  return std::filesystem::status(docview::nativePath(path), error).type() ==
         std::filesystem::file_type::not_found;
}

// The program's drawing at each size the desktop asks for; every window shows it.
QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1x%1/org.q4t.programmer.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

CQ4TProgrammerApp::CQ4TProgrammerApp(LinkShared& shared)
    : shared_(shared),
      router_(new docview::CommandRouter([this] { return routingChain(); }, this)),
      help_(std::make_unique<HelpLauncher>()),
      sheets_(std::make_unique<SheetCommands>([this] { return activeForm(); }, [this] { return mainWindow(); })),
      history_(std::make_unique<TableHistoryCommands>(*this)) {
  // Keeps the last port made, to name the cause when it cannot be opened.
  shared_.makePort = [this, make = shared_.makePort] {
    lastMadePort_ = make ? make() : nullptr;
    return lastMadePort_;
  };
}

CQ4TProgrammerApp::~CQ4TProgrammerApp() = default;

void CQ4TProgrammerApp::setUpNames() {
  QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QCoreApplication::setApplicationName(QStringLiteral("Dev Izured for Q4T Keyboard"));
  QCoreApplication::setApplicationVersion(QStringLiteral(Q4T_VERSION_TEXT));
  // The menu entry's name, so that the desktop puts the windows under its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.q4t.programmer"));
}

std::vector<docview::CommandTarget*> CQ4TProgrammerApp::routingChain() {
  std::vector<docview::CommandTarget*> chain;
  if (!mainFrame_) return {this};
  if (docview::MdiChildFrame* child = mainFrame_->activeChild()) {
    chain = {child->view(), child->document(), child};
  }
  chain.push_back(sheets_.get());
  chain.push_back(history_.get());
  chain.push_back(mainFrame_.get());
  chain.push_back(this);
  return chain;
}

void CQ4TProgrammerApp::registerTemplates() {
  QMdiArea& workspace = mainFrame_->workspace();
  keyLayoutTemplate_ = new docview::DocTemplate(
      workspace, QString::fromLatin1(kDocumentName),
      {[](docview::DocTemplate& t) { return new CMyQ4TProgrammerDoc(t); },
       [] { return new CQ4TFrame(); }, [this] { return new CQ4TForm(*this, std::exchange(copyToOpen_, nullptr)); }},
      this);
  // One TCO window type serves the whole run; Read TCO is its only way in.
  tcoTemplate_ = new docview::DocTemplate(
      workspace, QString::fromLatin1(kDocumentName),
      {[](docview::DocTemplate& t) { return new CMyQ4TProgrammerDoc(t); },
       [] { return new CTCOFrame(); }, [this] { return new CTCOView(shared_); }},
      this);
}

bool CQ4TProgrammerApp::initInstance(const QStringList& arguments) {
  translator_ = std::make_unique<UiTranslator>();
  recentFiles_.load();
  QGuiApplication::setWindowIcon(programIcon());
  mainFrame_ = std::make_unique<CMainFrame>(*router_);
  mainFrame_->setExitHandler([this] { return exitInstance(); });
  mainFrame_->setHelpHandler([this](QWidget* owner) { return help_->showDefaultTopic(owner); });
  keyLabels_ = new KeyLabelsPanel(&mainFrame_->keyLabelsDock());
  mainFrame_->keyLabelsDock().setWidget(keyLabels_);
  // Save, Close, Print, Download and the others act on the label being typed too.
  connect(router_, &docview::CommandRouter::aboutToRun, keyLabels_, &KeyLabelsPanel::commitEdit);
  connect(mainFrame_.get(), &CMainFrame::activeChildChanged, this, &CQ4TProgrammerApp::followActiveChild);
  registerTemplates();
  mainFrame_->showRecentFiles(recentFiles_.paths());
  shared_.port.reset();
  const QStringList files = arguments.mid(1);
  if (!(files.isEmpty() ? newDocument() : openDocumentFile(files.first()))) return false;
  mainFrame_->show();
  mainFrame_->repaint();
  updateActions();
  return true;
}

CQ4TForm* CQ4TProgrammerApp::activeForm() const {
  docview::MdiChildFrame* child = mainFrame_ ? mainFrame_->activeChild() : nullptr;
  return child ? qobject_cast<CQ4TForm*>(child->view()) : nullptr;
}

void CQ4TProgrammerApp::followActiveChild() {
  docview::MdiChildFrame* child = mainFrame_->activeChild();
  if (child && child->view()) child->view()->activated();
  keyLabels_->follow(activeForm());
  mainFrame_->followUndoStack(activeForm() ? &activeForm()->undoStack() : nullptr);
  updateActions();
}

bool CQ4TProgrammerApp::newDocument() { return keyLayoutTemplate_->openDocument({}) != nullptr; }

bool CQ4TProgrammerApp::openDocumentFile(const QString& path) {
  const QString absolute = docview::absolutePath(path);
  if (docview::Document* open = keyLayoutTemplate_->documentOf(absolute)) {
    auto* frame = qobject_cast<docview::MdiChildFrame*>(open->firstView()->parentWidget());
    mainFrame_->workspace().setActiveSubWindow(frame);
    return true;
  }
  // Checked before a window is made: what is no key table never opens.
  KeyTable table;
  if (const FileResult read = readKeyTable(docview::nativePath(absolute), table); !read)
    return openFailed(absolute, QString::fromStdString(read.reason));
  if (!keyLayoutTemplate_->openDocument(absolute)) return false;
  recentFiles_.add(absolute);
  mainFrame_->showRecentFiles(recentFiles_.paths());
  return true;
}

bool CQ4TProgrammerApp::openTableCopy(const KeyTable& table, const QString& title) {
  const TableCopy copy{table, title};
  copyToOpen_ = &copy;
  const bool opened = keyLayoutTemplate_->openDocument({}) != nullptr;
  copyToOpen_ = nullptr;
  return opened;
}

bool CQ4TProgrammerApp::openFailed(const QString& path, const QString& reason) {
  if (isMissing(path)) {
    showProgramMessage(mainWindow(), QMessageBox::Warning, tr("%1\nCannot find this file.\nPlease verify that the correct path "
                                     "and file name are given.").arg(docview::shownPath(path)));
  } else {
    showProgramMessage(mainWindow(), QMessageBox::Warning, tr("Unable to open %1 as a key table:\n%2.").arg(docview::shownPath(path), reason));
  }
  recentFiles_.remove(path);
  mainFrame_->showRecentFiles(recentFiles_.paths());
  return false;
}

void CQ4TProgrammerApp::openFileDialog() {
  const QString chosen = chooseOpenFileName();
  if (!chosen.isEmpty()) openDocumentFile(chosen);
}

QString CQ4TProgrammerApp::chooseOpenFileName() {
  // One Open dialog for the run, as for the save dialog.
  if (!openDialog_) openDialog_ = std::make_unique<OpenFileDialog>();
  return openDialog_->choose();
}

bool CQ4TProgrammerApp::exitInstance() {
  keyLabels_->commitEdit();
  for (docview::DocTemplate* docTemplate : {keyLayoutTemplate_, tcoTemplate_}) {
    for (docview::Document* document : docTemplate->documents()) {
      if (!document->queryClose()) return false;
    }
  }
  keyLayoutTemplate_->closeAllDocuments();
  tcoTemplate_->closeAllDocuments();
  releasePort();
  return true;
}

void CQ4TProgrammerApp::releasePort() {
  lastMadePort_.reset();
  if (!shared_.port) return;
  if (shared_.port->IsOpen()) shared_.port->Close();
  shared_.port.reset();
}

void CQ4TProgrammerApp::showStatus(const QString& text) {
  if (lastMadePort_) {
    const QString cause = QString::fromStdString(lastMadePort_->LastError());
    if (text == QLatin1String(kOpenPortError) && !cause.isEmpty())
      portNotOpened(cause, lastMadePort_->LastOpenDenied());
    if (lastMadePort_ != shared_.port || text != QLatin1String(kOpenPortError)) lastMadePort_.reset();
  }
  mainFrame_->statusPanes().showStatus(text);
}

// The cause goes to the status text's tool tip and into a message box, which
// opens once the link has ended its step and shown its texts.
void CQ4TProgrammerApp::portNotOpened(const QString& cause, bool denied) {
  QString message = tr("The serial port %1 cannot be opened:\n%2.")
                        .arg(QString::fromStdString(shared_.comPortName), cause);
  QString tipCause = cause;
  if (denied) {
    const QString hint = tr("Your user may not open serial devices: add it to the dialout group with "
                            "sudo adduser $USER dialout, then log in again.");
    message += QStringLiteral("\n\n") + hint;
    tipCause += QLatin1Char(' ') + hint;
  }
  noteCause(tipCause);
  QMetaObject::invokeMethod(
      this, [this, message] { showProgramMessage(mainWindow(), QMessageBox::Warning, message); },
      Qt::QueuedConnection);
}

void CQ4TProgrammerApp::noteCause(const QString& cause) { mainFrame_->statusPanes().noteCause(cause); }

QWidget* CQ4TProgrammerApp::mainWindow() { return mainFrame_.get(); }

void CQ4TProgrammerApp::showHelp() { help_->showDefaultTopic(nullptr); }

QString CQ4TProgrammerApp::chooseSaveFileName() {
  // Kept for the run: every new file dialog brings icons of its own, whose
  // pixmaps would stay in Qt's pixmap cache (up to 10 MB) after it has gone.
  if (!saveDialog_) saveDialog_ = std::make_unique<QFileDialog>();
  QFileDialog& dialog = *saveDialog_;
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(QStringLiteral("*.q4t"));
  dialog.selectFile(QStringLiteral("*.q4t"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void CQ4TProgrammerApp::updateActions() { router_->updateActions(); }

std::optional<docview::CommandState> CQ4TProgrammerApp::commandState(int id) const {
  switch (id) {
    case cmd::kFileNew:
    case cmd::kFileOpen:
    case cmd::kAbout:
    case cmd::kExit:
      return docview::CommandState{};
    default:
      break;
  }
  const int recent = id - cmd::kFirstRecentFile;
  if (recent >= 0 && recent < recentFiles_.paths().size()) return docview::CommandState{};
  return std::nullopt;
}

void CQ4TProgrammerApp::runCommand(int id) {
  switch (id) {
    case cmd::kFileNew: newDocument(); return;
    case cmd::kFileOpen: openFileDialog(); return;
    case cmd::kAbout: CAboutDlg(mainWindow()).DoModal(); return;
    case cmd::kExit: mainFrame_->close(); return;
    default: break;
  }
  const int recent = id - cmd::kFirstRecentFile;
  if (recent >= 0 && recent < recentFiles_.paths().size()) openDocumentFile(recentFiles_.paths()[recent]);
}

}  // namespace q4t
