#include "editor/CQ4TForm.h"

#include <QClipboard>
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
#include "editor/KeyClipboard.h"
#include "editor/KeyContextMenu.h"
#include "editor/SaveQuestions.h"
#include "model/KeptLabels.h"
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

CQ4TForm::CQ4TForm(FormHost& host, const TableCopy* copy, QWidget* parent)
    : View(parent), host_(host), layout_(table_, this), history_(table_, layout_),
      copy_(copy ? std::optional(*copy) : std::nullopt), link_(*this, table_, host.linkShared()),
      contextMenu_(new KeyContextMenu(this)), edits_(table_, layout_, *contextMenu_, host),
      portDialog_(std::make_unique<CComPortDlg>()), keeping_(link_, table_, host.mainWindow()) {
  setFont(docview::formFont());
  setFixedSize(docview::dialogUnitSize(405, 119));
  buildLegend();
  for (int k = 0; k < kKeyCount; ++k) {
    KeyButton* button = layout_.button(k);
    connect(button, &QPushButton::clicked, this, [this, k] { onKeyClicked(k); });
    connect(button, &KeyButton::contextMenuRequested, this, &CQ4TForm::onContextMenu);
  }
  connect(&keeping_, &DownloadKeeping::decided, this, [this] { host_.updateActions(); });
  connect(&replyTimer_, &QTimer::timeout, this, [this] {
    link_.OnReplyTimer();
    afterLinkEvent();
  });
  connect(&history_.stack(), &QUndoStack::indexChanged, this, &CQ4TForm::afterUndoStep);
  connect(&history_.stack(), &QUndoStack::cleanChanged, this, [this](bool clean) { document()->setModified(!clean); });
}

// The stack clears itself as it goes, after the members it would reach
// through this view are gone; it no longer speaks to the view then. (Its
// window left the workspace first, and so the Edit menu.)
CQ4TForm::~CQ4TForm() { history_.stack().disconnect(this); }

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
  document()->setTitle(copy_ ? copy_->title : QStringLiteral("New"));
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

FileResult CQ4TForm::readTable() {
  if (!copy_) return readKeyTable(docview::nativePath(keyFilePath_), table_, &lastSeen_);
  table_ = std::move(copy_->table);
  copy_.reset();
  return {};
}

void CQ4TForm::loadTable() {
  const FileResult result = readTable();
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
    keeping_.start(document()->pathName().isEmpty() ? std::string() : docview::nativePath(keyFilePath_));
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
    case cmd::kEditUndo:
      return docview::CommandState{history_.stack().canUndo() && !link_.transferRunning()};
    case cmd::kEditRedo:
      return docview::CommandState{history_.stack().canRedo() && !link_.transferRunning()};
    case cmd::kEditCopy:
      return docview::CommandState{focusedKey() >= 0};
    case cmd::kEditPaste:
      return docview::CommandState{focusedKey() >= 0 && !link_.transferRunning()};
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
    case cmd::kEditUndo: history_.stack().undo(); break;
    case cmd::kEditRedo: history_.stack().redo(); break;
    case cmd::kEditCopy: copyKey(); break;
    case cmd::kEditPaste: pasteKey(); break;
    case cmd::kFileSave: fileSave(); break;
    case cmd::kFileSaveAs: fileSaveAs(); break;
    case cmd::kDownload: download(); break;
    case cmd::kUpload: link_.Upload(); break;
    case cmd::kReadTco: readTco(); break;
    case cmd::kPort: choosePort(); break;
    case cmd::kRollOut: rollOut(); break;
    case cmd::kHelpDevIzured: host_.showHelp(); break;
    default: recordKeyMenuCommand(id); break;
  }
  host_.updateActions();
}

void CQ4TForm::recordKeyMenuCommand(int id) {
  history_.record(keyMenuCommandName(id), [this, id] {
    if (id == cmd::kTcoCounterOn) {
      edits_.counterOn();
    } else if (id == cmd::kTcoCounterOff) {
      edits_.counterOff();
    } else {
      edits_.reshape(id);
    }
  });
  emit keysChanged();
}

QString CQ4TForm::keyMenuCommandName(int id) const {
  switch (id) {
    case cmd::kTcoCounterOn:
      return table_.groupHasCounter(edits_.currentKey()) ? tr("Change TCO Counter") : tr("TCO Counter On");
    case cmd::kTcoCounterOff: return tr("TCO Counter Off");
    case cmd::kSingleKey: return tr("Single Key");
    case cmd::kDoubleKeyRight: return tr("Double Key Right");
    case cmd::kDoubleKeyDown: return tr("Double Key Down");
    default: return tr("Quadruple Key");
  }
}

int CQ4TForm::focusedKey() const {
  const auto* button = qobject_cast<const KeyButton*>(focusWidget());
  return button && !button->isHidden() ? button->index() : -1;
}

void CQ4TForm::copyKey() { QGuiApplication::clipboard()->setMimeData(keyMimeData(table_, focusedKey())); }

void CQ4TForm::pasteKey() {
  const int k = focusedKey();
  const PasteReading pasted = readPastedKey(QGuiApplication::clipboard()->mimeData());
  if (!pasted.key) {
    showProgramMessage(host_.mainWindow(), pasted.warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                       pasted.refusal);
    return;
  }
  history_.record(tr("Paste"), [&] { edits_.pasteKey(k, pasted.key->value, pasted.key->label); });
  emit keysChanged();
}

// Undo, redo, a new command or a jump in the Undo History window; the menus
// follow the stack themselves.
void CQ4TForm::afterUndoStep() { emit keysChanged(); }

// Last after an Upload, once the table holds all it keeps.
void CQ4TForm::recordUpload(const KeyTable& previous) {
  history_.recordReplaced(tr("Upload from Keyboard"), previous);
  // An Upload that brought the table as it was leaves the mark as the stack has it.
  document()->setModified(!history_.stack().isClean());
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
  history_.stack().setClean();
  document()->setModified(false);
  return true;
}

void CQ4TForm::setKeyLabel(int k, const QString& label) {
  if (history_.record(tr("Change Key Label"), [&] { edits_.setLabel(k, label.toStdString()); })) emit keysChanged();
}

void CQ4TForm::stopReceiving() {
  link_.LeaveTransfer();
  link_.StopReceiving();
}

void CQ4TForm::onKeyClicked(int k) {
  if (history_.record(tr("Change Key Value"), [&] { edits_.editValue(k); })) emit keysChanged();
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

void CQ4TForm::ShowStatus(const std::string& text) {
  lastStatus_ = QString::fromStdString(text);
  host_.showStatus(lastStatus_);
}

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

// Labels never reach the keyboard: a table the keyboard holds exactly as a
// verified Download left it gets that Download's labels back.
void CQ4TForm::UploadTaken(const KeyTable& previous) {
  const std::optional<KeptLabelSource> kept = takeKeptLabels(keeping_.store(), table_);
  labelSource_ = kept ? tr("Labels from the table written to keyboard %1 on %2 (%3)")
                            .arg(QString::fromStdString(kept->serial.empty() ? "without serial number" : kept->serial),
                                 QString::fromStdString(stampDateText(kept->name.stamp)),
                                 docview::shownPath(QString::fromStdString(kept->path.string())))
                      : QString();
  if (kept) {
    layout_.refreshCaptions();
    host_.noteCause(labelSource_);
    emit keysChanged();
  }
  emit labelSourceChanged();
  recordUpload(previous);
}

void CQ4TForm::TableKept(const KeyboardReading& reading, const SavedSnapshot& kept) { keeping_.tableKept(reading, kept); }

void CQ4TForm::TableNotRead() { keeping_.tableNotRead(lastStatus_); }

void CQ4TForm::WrittenKept(const SavedSnapshot& kept) { keeping_.writtenKept(kept); }

}  // namespace q4t
