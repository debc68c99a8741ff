#include "app/CQ4TProgrammerApp.h"

#include <QFile>
#include <QGuiApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMessageBox>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CMyQ4TProgrammerDoc.h"
#include "app/CQ4TFrame.h"
#include "ui/CommandIds.h"
#include "app/HelpLauncher.h"
#include "app/StatusPanes.h"
#include "docview/CommandRouter.h"
#include "docview/DocTemplate.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "editor/CQ4TForm.h"
#include "link/LinkShared.h"
#include "tco/CTCOFrame.h"
#include "tco/CTCOView.h"

namespace q4t {

namespace {
const char* const kOpenPortError = "ERROR: Open COM Port";
const char* const kDocumentName = "Q4T Layout";

void showOpenFailure(QWidget* owner, const QString& text) {
  QMessageBox::warning(owner, QGuiApplication::applicationDisplayName(), text);
}

// Each kind of file dialog is made once and kept for the run: every new file
// dialog brings icons of its own, whose pixmaps would stay in Qt's pixmap
// cache (up to 10 MB) long after the dialog has gone.
QFileDialog& keptDialog(std::unique_ptr<QFileDialog>& kept) {
  if (!kept) kept = std::make_unique<QFileDialog>();
  return *kept;
}
}  // namespace

CQ4TProgrammerApp::CQ4TProgrammerApp(LinkShared& shared)
    : shared_(shared),
      router_(new docview::CommandRouter([this] { return routingChain(); }, this)),
      help_(std::make_unique<HelpLauncher>()) {
  // Keeps the last port made, to name the cause when it cannot be opened.
  shared_.makePort = [this, make = shared_.makePort] {
    lastMadePort_ = make ? make() : nullptr;
    return lastMadePort_;
  };
}

CQ4TProgrammerApp::~CQ4TProgrammerApp() = default;

std::vector<docview::CommandTarget*> CQ4TProgrammerApp::routingChain() {
  std::vector<docview::CommandTarget*> chain;
  if (!mainFrame_) return {this};
  if (docview::MdiChildFrame* child = mainFrame_->activeChild()) {
    chain = {child->view(), child->document(), child};
  }
  chain.push_back(mainFrame_.get());
  chain.push_back(this);
  return chain;
}

void CQ4TProgrammerApp::registerTemplates() {
  QMdiArea& workspace = mainFrame_->workspace();
  keyLayoutTemplate_ = new docview::DocTemplate(
      workspace, QString::fromLatin1(kDocumentName),
      {[](docview::DocTemplate& t) { return new CMyQ4TProgrammerDoc(t); },
       [] { return new CQ4TFrame(); }, [this] { return new CQ4TForm(*this); }},
      this);
  // One TCO window type serves the whole run; Read TCO is its only way in.
  tcoTemplate_ = new docview::DocTemplate(
      workspace, QString::fromLatin1(kDocumentName),
      {[](docview::DocTemplate& t) { return new CMyQ4TProgrammerDoc(t); },
       [] { return new CTCOFrame(); }, [this] { return new CTCOView(shared_); }},
      this);
}

bool CQ4TProgrammerApp::initInstance(const QStringList& arguments) {
  recentFiles_.load();
  mainFrame_ = std::make_unique<CMainFrame>(*router_);
  mainFrame_->setExitHandler([this] { return exitInstance(); });
  mainFrame_->setHelpHandler([this](QWidget* owner) { return help_->showDefaultTopic(owner); });
  connect(mainFrame_.get(), &CMainFrame::activeChildChanged, this, [this] {
    docview::MdiChildFrame* child = mainFrame_->activeChild();
    if (child && child->view()) child->view()->activated();
    updateActions();
  });
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

bool CQ4TProgrammerApp::newDocument() { return keyLayoutTemplate_->openDocument({}) != nullptr; }

bool CQ4TProgrammerApp::openDocumentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  for (docview::Document* document : keyLayoutTemplate_->documents()) {
    if (document->pathName().compare(absolute, Qt::CaseInsensitive) != 0) continue;
    auto* frame = qobject_cast<docview::MdiChildFrame*>(document->firstView()->parentWidget());
    mainFrame_->workspace().setActiveSubWindow(frame);
    return true;
  }
  QFile file(absolute);
  if (!file.open(QIODevice::ReadOnly)) return openFailed(absolute);
  file.close();
  if (!keyLayoutTemplate_->openDocument(absolute)) return false;
  recentFiles_.add(absolute);
  mainFrame_->showRecentFiles(recentFiles_.paths());
  return true;
}

bool CQ4TProgrammerApp::openFailed(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    showOpenFailure(mainWindow(), tr("%1\nCannot find this file.\nPlease verify that the correct path "
                                     "and file name are given.").arg(path));
  } else if (!info.isDir() && !info.isReadable()) {
    showOpenFailure(mainWindow(), tr("Unable to read from %1, it is opened by someone else.").arg(path));
  } else {
    showOpenFailure(mainWindow(), tr("Failed to open document."));
  }
  recentFiles_.remove(path);
  mainFrame_->showRecentFiles(recentFiles_.paths());
  return false;
}

void CQ4TProgrammerApp::openFileDialog() {
  QFileDialog& dialog = keptDialog(openDialog_);
  dialog.setWindowTitle(tr("Open"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({tr("Q4T Dateien (*.q4t)"), tr("All Files (*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("q4t"));
  if (dialog.exec() == QDialog::Accepted) openDocumentFile(dialog.selectedFiles().value(0));
}

bool CQ4TProgrammerApp::exitInstance() {
  for (docview::DocTemplate* docTemplate : {keyLayoutTemplate_, tcoTemplate_}) {
    for (docview::Document* document : docTemplate->documents()) {
      if (!document->saveModified()) return false;
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
    if (text == QLatin1String(kOpenPortError) && !cause.isEmpty()) {
      noteCause(cause + (cause.contains(QLatin1String("ermission"))
                             ? tr(" (is the user in the dialout group?)") : QString()));
    }
    if (lastMadePort_ != shared_.port || text != QLatin1String(kOpenPortError)) lastMadePort_.reset();
  }
  mainFrame_->statusPanes().showStatus(text);
}

void CQ4TProgrammerApp::noteCause(const QString& cause) { mainFrame_->statusPanes().noteCause(cause); }

QWidget* CQ4TProgrammerApp::mainWindow() { return mainFrame_.get(); }

void CQ4TProgrammerApp::showHelp() { help_->showDefaultTopic(nullptr); }

QString CQ4TProgrammerApp::chooseSaveFileName() {
  QFileDialog& dialog = keptDialog(saveDialog_);
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
