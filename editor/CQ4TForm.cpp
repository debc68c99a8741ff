#include "editor/CQ4TForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>

#include "ui/CComPortDlg.h"
#include "ui/CommandIds.h"
#include "docview/DialogUnits.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "docview/FileNames.h"
#include "editor/FormHost.h"
#include "ui/ProgramMessage.h"
#include "editor/KeyContextMenu.h"
#include "editor/SaveQuestions.h"
#include "model/KeyTableFile.h"
#include "model/KeyboardLimits.h"
#include "tco/CTCOView.h"
#include "ui/RolloutWindow.h"

namespace q4t {

namespace {
constexpr int kDialogOk = 1;

QPixmap solidPixmap(int width, int height, const QColor& color) {
  QPixmap pixmap(width, height);
  pixmap.fill(color);
  return pixmap;
}
}  // namespace

CQ4TForm::CQ4TForm(FormHost& host, QWidget* parent)
    : View(parent), host_(host), layout_(table_, this), link_(*this, table_, host.linkShared()),
      contextMenu_(new KeyContextMenu(this)),
      edits_(table_, layout_, *contextMenu_, host, [this] { markModified(); }),
      portDialog_(std::make_unique<CComPortDlg>()) {
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(405, 119));
  buildLegend();
  for (int k = 0; k < kKeyCount; ++k) {
    KeyButton* button = layout_.button(k);
    connect(button, &QPushButton::clicked, this, [this, k] { onKeyClicked(k); });
    connect(button, &KeyButton::contextMenuRequested, this, &CQ4TForm::onContextMenu);
  }
  connect(&replyTimer_, &QTimer::timeout, this, [this] {
    link_.OnReplyTimer();
    afterLinkEvent();
  });
}

CQ4TForm::~CQ4TForm() = default;

void CQ4TForm::buildLegend() {
  auto* changedIcon = new QLabel(this);
  changedIcon->setPixmap(solidPixmap(22, 22, QColor(255, 0, 0)));
  changedIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  docview::placeControl(changedIcon, 3, 5, 20, 20);
  auto* changedText = new QLabel(QStringLiteral("Value changed"), this);
  docview::placeControl(changedText, 31, 8, 49, 8);
  auto* counterIcon = new QLabel(this);
  counterIcon->setPixmap(solidPixmap(5, 22, QColor(255, 255, 0)));
  counterIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  docview::placeControl(counterIcon, 3, 25, 20, 20);
  auto* counterText = new QLabel(QStringLiteral("TCO Counter on"), this);
  docview::placeControl(counterText, 30, 26, 52, 8);
}

bool CQ4TForm::initialUpdate() {
  chooseKeyFile();
  // Asked before anything else happens, so that Cancel leaves all as it was.
  if (!closeOtherLayouts()) return false;
  link_.Initialise();
  loadTable();
  host_.tcoTemplate().closeAllDocuments();
  host_.updateActions();
  return true;
}

void CQ4TForm::chooseKeyFile() {
  keyFilePath_ = document()->pathName();
  if (!keyFilePath_.isEmpty()) return;
  keyFilePath_ = docview::pathFromNative(newTablePath());
  document()->setTitle(QStringLiteral("New"));
}

bool CQ4TForm::closeOtherLayouts() {
  QList<docview::Document*> others;
  for (docview::Document* other : host_.keyLayoutTemplate().documents()) {
    if (other != document() && other->title() != document()->title()) others.append(other);
  }
  for (docview::Document* other : others) {
    if (!other->queryClose()) return false;
  }
  for (docview::Document* other : others) other->closeDocument();
  return true;
}

void CQ4TForm::loadTable() {
  const FileResult result = readKeyTable(docview::nativePath(keyFilePath_), table_, &lastSeen_);
  if (!result)
    host_.noteCause(docview::shownPath(keyFilePath_) + QStringLiteral(": ") + QString::fromStdString(result.reason));
  layout_.refreshCaptions();
  for (int k = 0; k < kKeyCount; ++k) layout_.applyShapeGeometry(k);
  if (result) warnOfUnholdableFields();
}

// Once, at opening: the table still opens so that it can be mended.
void CQ4TForm::warnOfUnholdableFields() {
  const std::vector<FieldProblem> problems = unholdableFields(table_);
  if (problems.empty()) return;
  const QString text =
      tr("%1 holds values the keyboard cannot hold:\n\n%2\nDownload refuses the table until they are mended.")
          .arg(docview::shownName(keyFilePath_), QString::fromStdString(describeProblems(problems, 5)));
  showProgramMessage(host_.mainWindow(), QMessageBox::Warning, text);
}

void CQ4TForm::download() {
  const std::vector<FieldProblem> problems = unholdableFields(table_);
  if (problems.empty()) {
    link_.Download();
    return;
  }
  showProgramMessage(host_.mainWindow(), QMessageBox::Warning,
                     tr("The table is not downloaded: the keyboard cannot hold\n%1.\nNothing was written to the keyboard.")
                         .arg(QString::fromStdString(describeProblem(problems.front()))));
}

bool CQ4TForm::mayLeaveTransfer() {
  if (!link_.transferRunning()) return true;
  QMessageBox question(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                       tr("A transfer with the keyboard is running in %1.\nLeave it unfinished? The keyboard may "
                          "then hold part of the table.").arg(document()->title()),
                       QMessageBox::Yes | QMessageBox::No, host_.mainWindow());
  question.setDefaultButton(QMessageBox::No);
  leaveQuestion_ = &question;
  const int answer = question.exec();
  leaveQuestion_ = nullptr;
  return answer == QMessageBox::Yes;
}

// A transfer that ended while its leave question is up leaves nothing
// unfinished: the question is answered Yes for the user.
void CQ4TForm::afterLinkEvent() {
  host_.updateActions();
  if (leaveQuestion_ && !link_.transferRunning()) leaveQuestion_->done(QMessageBox::Yes);
}

void CQ4TForm::activated() { layout_.refreshStyles(); }

void CQ4TForm::markModified() { document()->setModified(true); }

std::optional<docview::CommandState> CQ4TForm::commandState(int id) const {
  switch (id) {
    case cmd::kTcoCounterOn:
    case cmd::kTcoCounterOff:
    case cmd::kSingleKey:
    case cmd::kDoubleKeyRight:
    case cmd::kDoubleKeyDown:
    case cmd::kQuadrupleKey:
    case cmd::kFileSave:
    case cmd::kFileSaveAs:
    case cmd::kHelpDevIzured:
      return docview::CommandState{};
    case cmd::kDownload:
      return docview::CommandState{link_.downloadEnabled()};
    case cmd::kUpload:
      return docview::CommandState{link_.uploadEnabled()};
    case cmd::kReadTco:
      return docview::CommandState{link_.readTcoEnabled()};
    case cmd::kPort:
      return docview::CommandState{link_.portEnabled()};
    case cmd::kRollOut:
      return docview::CommandState{!link_.transferRunning()};
    default:
      return std::nullopt;
  }
}

void CQ4TForm::runCommand(int id) {
  // Commands forwarded from the TCO window arrive here without the menus'
  // enabling, so a disabled transfer is refused here too.
  const std::optional<docview::CommandState> state = commandState(id);
  if (!state || !state->enabled) return;
  switch (id) {
    case cmd::kTcoCounterOn:
      edits_.counterOn();
      emit keysChanged();
      break;
    case cmd::kTcoCounterOff:
      edits_.counterOff();
      emit keysChanged();
      break;
    case cmd::kFileSave: fileSave(); break;
    case cmd::kFileSaveAs: fileSaveAs(); break;
    case cmd::kDownload: download(); break;
    case cmd::kUpload: link_.Upload(); break;
    case cmd::kReadTco: readTco(); break;
    case cmd::kPort: choosePort(); break;
    case cmd::kRollOut: rollOut(); break;
    case cmd::kHelpDevIzured: host_.showHelp(); break;
    default:
      edits_.reshape(id);
      emit keysChanged();
      break;
  }
  host_.updateActions();
}

bool CQ4TForm::fileSave() {
  if (keyFilePath_.isEmpty()) return false;
  if (needsNewName(docview::nativePath(keyFilePath_))) return fileSaveAs();
  if (!mayOverwriteFile(host_.mainWindow(), keyFilePath_, lastSeen_)) return false;
  return saveTo(keyFilePath_);
}

bool CQ4TForm::fileSaveAs() {
  const QString chosen = host_.chooseSaveFileName();
  // Title and path follow only a save that worked, so a failed one asks again.
  if (chosen.isEmpty() || !closeOtherWindowOf(host_.mainWindow(), host_.keyLayoutTemplate(), document(), chosen) ||
      !saveTo(chosen))
    return false;
  document()->setPathName(chosen);
  keyFilePath_ = chosen;
  return true;
}

bool CQ4TForm::saveTo(const QString& path) {
  const FileResult result = writeKeyTable(docview::nativePath(path), table_, &lastSeen_);
  if (!result) {
    showProgramMessage(host_.mainWindow(), QMessageBox::Warning,
                       tr("The key table could not be saved to %1:\n%2")
                           .arg(docview::shownPath(path), QString::fromStdString(result.reason)));
    return false;
  }
  document()->setModified(false);
  return true;
}

void CQ4TForm::setKeyLabel(int k, const QString& label) {
  if (edits_.setLabel(k, label.toStdString())) emit keysChanged();
}

void CQ4TForm::stopReceiving() {
  link_.LeaveTransfer();
  link_.StopReceiving();
}

void CQ4TForm::onKeyClicked(int k) {
  if (edits_.editValue(k)) emit keysChanged();
}

void CQ4TForm::onContextMenu(int k, const QPoint& globalPos) {
  if (const int id = edits_.chooseFromMenu(k, globalPos)) runCommand(id);
}

void CQ4TForm::readTco() {
  docview::DocTemplate& tcoTemplate = host_.tcoTemplate();
  tcoTemplate.closeAllDocuments();
  docview::Document* tcoDocument = tcoTemplate.openDocument({});
  docview::View* tcoView = tcoDocument ? tcoDocument->firstView() : nullptr;
  auto* display = qobject_cast<CTCOView*>(tcoView);
  // The TCO window may close while its read is still running.
  if (display) connect(display, &CTCOView::displayDestroyed, this, [this](const TcoDisplay* gone) {
    link_.ForgetTcoView(gone);
  });
  if (display) display->setKeyLabels(table_);
  link_.ReadTco(display);
}

void CQ4TForm::choosePort() {
  portDialog_->setParent(host_.mainWindow(), portDialog_->windowFlags());
  const bool confirmed = portDialog_->DoModal() == kDialogOk;
  link_.PortChosen(confirmed ? std::optional(portDialog_->portName.toStdString()) : std::nullopt);
}

// The log names the table's file, so the table is saved first; this window's
// link gives its port up, which the roll-out may need. One roll-out window at a time.
void CQ4TForm::rollOut() {
  if (auto* running = host_.mainWindow()->findChild<RolloutWindow*>()) {
    running->raise();
    running->activateWindow();
    return;
  }
  if ((document()->isModified() || needsNewName(docview::nativePath(keyFilePath_))) && !fileSave()) return;
  link_.Release();
  host_.updateActions();
  (new RolloutWindow(table_, keyFilePath_, host_.mainWindow()))->show();
}

void CQ4TForm::PostToWindow(const LinkPost& post) {
  // Called from the receive thread too: the queued call runs on this window's thread.
  QMetaObject::invokeMethod(
      this,
      [this, post] {
        link_.HandlePost(post);
        afterLinkEvent();
      },
      Qt::QueuedConnection);
}

bool CQ4TForm::StartTimer(int, int milliseconds) {
  replyTimer_.start(milliseconds);
  return true;
}

void CQ4TForm::StopTimer(int) { replyTimer_.stop(); }

void CQ4TForm::ShowStatus(const std::string& text) { host_.showStatus(QString::fromStdString(text)); }

void CQ4TForm::Repaint() { repaint(); }

void CQ4TForm::RefreshKeyTexts() {
  layout_.refreshCaptions();
  emit keysChanged();
}

void CQ4TForm::RelayoutKeys() {
  edits_.relayoutAll();
  emit keysChanged();
}

void CQ4TForm::RefreshKeyStyles() { layout_.refreshStyles(); }

void CQ4TForm::RestoreChangedMarks() { layout_.restoreChangedMarks(); }

void CQ4TForm::SetModified(bool modified) { document()->setModified(modified); }

void CQ4TForm::CloseTcoWindows() { host_.tcoTemplate().closeAllDocuments(); }

void CQ4TForm::DeviceWentAway() {
  host_.noteCause(tr("The serial device went away (the keyboard or its adapter was disconnected)."));
}

}  // namespace q4t
